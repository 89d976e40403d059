// The game's process entry: rebuilds the command line from argv and hands control to WinMain.
#include <string>

#include "game/game.h"
#include "gk.h"

namespace {

// Arguments joined by spaces; an argument holding a space is quoted, as a Windows command
// line would carry it.
std::string CommandLine(int argc, char** argv) {
    std::string line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) line += ' ';
        std::string arg = argv[i];
        line += arg.find(' ') == std::string::npos ? arg : '"' + arg + '"';
    }
    return line;
}

}  // namespace

int main(int argc, char** argv) {
    RegisterGame();
    std::string line = CommandLine(argc, argv);
    return WinMain(nullptr, nullptr, line.c_str(), 10);  // SW_SHOWDEFAULT
}
