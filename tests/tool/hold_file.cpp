// Holds a file open as a program working on it does, sharing it for reading
// and writing but not for deleting or renaming, until its input ends:
//
//   hold_file FILE
//
// It prints "holding" once the file is open.
#include <windows.h>

#include <cstdio>

int wmain(int argc, wchar_t **argv)
{
    if (argc != 2) return 2;
    HANDLE hFile = CreateFileW(argv[1], GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE) return 1;
    std::puts("holding");
    std::fflush(stdout);
    while (std::getchar() != EOF) {
    }
    CloseHandle(hFile);
    return 0;
}
