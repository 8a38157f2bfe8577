// A program on the process entry that reports what WinMain was handed.
#include <windows.h>

#include <cstdio>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int) {
    std::printf("[%s] %d %d\n", commandLine, instance == GetModuleHandleW(nullptr) ? 1 : 0, previous ? 1 : 0);
    return 5;
}
