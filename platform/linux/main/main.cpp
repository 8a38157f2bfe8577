// The process entry: chooses the window backend, then hands WinMain the
// arguments, joined by single spaces and without the program's name, as the
// ANSI command line.
#include <windows.h>

#include <string>

#include "../window/backend.h"

int main(int argc, char** argv) {
    zanq::ui::SelectBackendFromEnvironment();
    std::string commandLine;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) commandLine += ' ';
        commandLine += argv[i];
    }
    return WinMain(GetModuleHandleW(nullptr), nullptr, commandLine.data(), SW_SHOWDEFAULT);
}
