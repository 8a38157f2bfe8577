// Opens a file with CreateFileW in a process of its own and holds it until
// its standard input ends. Prints "ok" or "error <code>" once it has tried.
//   zanq_share_holder <path> <access> <share> <disposition>   (numbers)
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    if (argc != 5) return 2;
    const std::string path = argv[1];
    const std::wstring widePath(path.begin(), path.end());
    const auto number = [](const char* text) { return static_cast<DWORD>(std::strtoul(text, nullptr, 0)); };
    const HANDLE file = CreateFileW(widePath.c_str(), number(argv[2]), number(argv[3]), nullptr, number(argv[4]),
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        std::printf("error %u\n", static_cast<unsigned>(GetLastError()));
    } else {
        std::printf("ok\n");
    }
    std::fflush(stdout);
    while (std::getchar() != EOF) {
    }
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    return 0;
}
