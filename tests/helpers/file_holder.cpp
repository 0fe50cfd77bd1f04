// Holds one file open without sharing until it is ended, like a running program would.
#include <windows.h>

#include <string>

int main(int argc, char **argv)
{
    if (argc < 2)
        return 2;
    HANDLE file = CreateFileA(argv[1], GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_ALWAYS, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        file = CreateFileA(argv[1], GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    std::string flag = std::string(argv[1]) + ".held";
    HANDLE f = CreateFileA(flag.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    CloseHandle(f);
    Sleep(INFINITE);
    return 0;
}
