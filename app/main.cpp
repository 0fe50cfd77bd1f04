// Entry point of TavikSetup.exe.
#include <windows.h>

#include "app/app.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show)
{
    (void)show;
    restrict_dll_search();
    if (previous)
        return 0;
    return run_installer(instance, command_line);
}
