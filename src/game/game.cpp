// The board game's hooks and its frame: board, cursor, blocks, flags and mouse marker.
#include "game/game.h"

#include <cstdint>

#include "gk.h"

namespace {

GameState StartState() {
    GameState state{};
    state.CursorX = 320;  // the centre cell
    state.CursorY = 240;
    return state;
}

}  // namespace

GameState gGame = StartState();

namespace {

constexpr int kCellSize = 40;
constexpr int kBoardLeft = 280, kBoardTop = 200;         // top-left corner of cell (0, 0)
constexpr int kBoardRight = kBoardLeft + 2 * kCellSize;  // left edge of the last column
constexpr int kBoardBottom = kBoardTop + 2 * kCellSize;  // top edge of the last row
constexpr int kFlagLeft = 300, kFlagTop = 50, kFlagStep = 30;

constexpr uint32_t kYellow = 0x0000FFFF, kRed = 0x000000FF, kGreen = 0x0000FF00, kBlack = 0;

void DrawCell(int left, int top, uint32_t outline) {
    gkDraw::DrawBox(left, top, left + kCellSize, top + kCellSize, kBlack, outline, 1);
}

void DrawMouseMarker() {
    gkDraw::DrawBox(gkInput.MouseX - 10, gkInput.MouseY - 10, gkInput.MouseX + 10,
                    gkInput.MouseY + 10, kYellow, kRed, 1);
}

void DrawBoard() {
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column)
            DrawCell(kBoardLeft + column * kCellSize, kBoardTop + row * kCellSize, kRed);
}

// Moves *coordinate one cell by step when the key was pressed this frame, staying on the board.
void Step(int state, int* coordinate, int step, int low, int high) {
    if (state != 1) return;
    *coordinate += step;
    if (*coordinate < low || *coordinate > high) *coordinate -= step;
}

void MoveCursor() {
    gkSystem::KeyState(VK_UP, &gGame.UpState);
    gkSystem::KeyState(VK_DOWN, &gGame.DownState);
    gkSystem::KeyState(VK_LEFT, &gGame.LeftState);
    gkSystem::KeyState(VK_RIGHT, &gGame.RightState);
    Step(gGame.UpState, &gGame.CursorY, -kCellSize, kBoardTop, kBoardBottom);
    Step(gGame.DownState, &gGame.CursorY, kCellSize, kBoardTop, kBoardBottom);
    Step(gGame.LeftState, &gGame.CursorX, -kCellSize, kBoardLeft, kBoardRight);
    Step(gGame.RightState, &gGame.CursorX, kCellSize, kBoardLeft, kBoardRight);
    DrawCell(gGame.CursorX, gGame.CursorY, kGreen);
}

int SetBlock(Block* block) {
    if (block->Active) return 0;
    *block = {gGame.CursorX, gGame.CursorY, 1};
    return 1;
}

void PlaceBlock() {
    gkSystem::KeyState(VK_RETURN, &gGame.EnterState);
    if (gGame.EnterState != 1) return;
    for (Block& block : gGame.Blocks)
        if (SetBlock(&block)) return;
}

// The flag index of the cell whose top-left corner is (x, y), or -1 off the board's corners.
int CellAt(int x, int y) {
    int column = (x - kBoardLeft) / kCellSize, row = (y - kBoardTop) / kCellSize;
    bool onCorner = x >= kBoardLeft && y >= kBoardTop && (x - kBoardLeft) % kCellSize == 0 &&
                    (y - kBoardTop) % kCellSize == 0 && column < 3 && row < 3;
    return onCorner ? row * 3 + column : -1;
}

void PrintFlags() {
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column)
            gkDraw::PrintFormat(kFlagLeft + kFlagStep * column, kFlagTop + kFlagStep * row, "%d",
                                gGame.CellFlags[row * 3 + column]);
}

void DrawBlock(const Block& block) {
    if (block.Active) {
        gkDraw::PutObject(block.X, block.Y, gGame.BlockSprite, 0, 0, kCellSize, kCellSize);
        int cell = CellAt(block.X, block.Y);
        if (gGame.EnterState == 1 && cell >= 0) gGame.CellFlags[cell] = 1;
    }
    PrintFlags();
}

void DrawBlocks() {
    for (const Block& block : gGame.Blocks) DrawBlock(block);
}

}  // namespace

void ResetGame() {
    gGame = StartState();
}

int GameInit() {
    gkDraw::Screen(640, 480, 1);
    gGame.BlockSprite = gkDraw::LoadObject("bmp\\block.bmp", 2);
    gkApp.Scene = 1;
    gkApp.PrevScene = 0;
    return gGame.BlockSprite;
}

void GameFrame() {
    gkDraw::ClearScreen();
    DrawMouseMarker();
    DrawBoard();
    MoveCursor();
    PlaceBlock();
    DrawBlocks();
    gkDraw::Present();
}

void GameKeyDown(int key) {
    gkSystem::RouteKey(key);
    if (key == VK_ESCAPE && gkSystem::Question("終了しますか？") == 1) gkSystem::Quit();
}

void RegisterGame() {
    gkSystem::SetGameHooks({[] { GameInit(); }, GameFrame, GameKeyDown, nullptr});
    gkSystem::SetGameTitle("Gridkeep");
}
