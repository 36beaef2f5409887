// kadenzo-script [SCRIPT]: runs the main window's behaviour from a key script, headless, and
// prints a transcript of what it did. Exit status 0 at the end, 2 for a malformed command or
// an unreadable script, 3 right after a fatal exit.
#include "tools/script_runner.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

namespace {

constexpr int kMalformed = 2;

std::optional<std::string> ReadScript(int Count, char** Arguments) {
    std::istream* Input = &std::cin;
    std::ifstream File;
    if (Count >= 2) {
        std::error_code Error;
        if (std::filesystem::is_directory(Arguments[1], Error)) {
            return std::nullopt;
        }
        File.open(Arguments[1], std::ios::binary);
        if (!File) {
            return std::nullopt;
        }
        Input = &File;
    }
    std::string Text((std::istreambuf_iterator<char>(*Input)), std::istreambuf_iterator<char>());
    if (Input->bad()) {
        return std::nullopt;
    }
    return Text;
}

} // namespace

int main(int Count, char** Arguments) {
    std::ios::sync_with_stdio(false);
    const std::optional<std::string> Script = ReadScript(Count, Arguments);
    if (!Script) {
        std::cerr << "kadenzo-script: cannot read " << (Count >= 2 ? Arguments[1] : "stdin")
                  << '\n';
        return kMalformed;
    }
    TScriptRunner Runner(std::cout);
    Runner.Start();
    std::istringstream Lines(*Script);
    int Number = 0;
    for (std::string Line; std::getline(Lines, Line);) {
        ++Number;
        if (Runner.Run(Line) == TScriptRunner::TOutcome::Malformed) {
            std::cout.flush();
            std::cerr << "kadenzo-script: line " << Number << ": malformed command: " << Line
                      << '\n';
            return kMalformed;
        }
    }
    return 0;
}
