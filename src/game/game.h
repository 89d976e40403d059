// The board game: a 3x3 board, a cursor moved with the arrow keys, blocks placed with Enter,
// the nine cell flags printed above the board, and a marker following the mouse.
// The framework calls its three hooks: GameInit once, GameFrame every frame of scene 1, and
// GameKeyDown for every key press.
#pragma once

struct Block {
    int X, Y;    // top-left corner of the cell, in screen pixels
    int Active;  // 1 once the slot holds a block
};

constexpr int kBlockSlots = 20;  // slots are never freed: at most 20 blocks are ever placed
constexpr int kCellCount = 9;    // flags indexed row * 3 + column, row 0 at the top

struct GameState {
    Block Blocks[kBlockSlots];
    int CursorX, CursorY;  // top-left corner of the cursor cell
    int CellFlags[kCellCount];
    int BlockSprite;
    int EnterState, UpState, DownState, LeftState, RightState;  // four-state key triggers
};

extern GameState gGame;

int GameInit();
void GameFrame();
void GameKeyDown(int key);

// Puts the game state back to its start values (the cursor on the centre cell, no blocks).
void ResetGame();

// Registers the three hooks with the framework.
void RegisterGame();
