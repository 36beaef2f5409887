// kadenzo-script [SCRIPT]: runs the main window's behaviour from a key script, headless, and
// prints a transcript of what it did. Exit status 0 at the end, 2 for a malformed command or
// an unreadable script, 3 right after a fatal exit.
#include "tools/script_runner.h"

#include <fstream>
#include <iostream>

int main(int Count, char** Arguments) {
    std::ios::sync_with_stdio(false);
    // Each block is flushed when it is complete, not again before every character read.
    std::cin.tie(nullptr);
    if (Count < 2) {
        return RunScript(std::cin, "stdin", std::cout, std::cerr);
    }
    std::ifstream File(Arguments[1], std::ios::binary);
    return RunScript(File, Arguments[1], std::cout, std::cerr);
}
