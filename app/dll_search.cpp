// DLL search limited to the system folder; apart from start-up, so the uninstaller links only this.
#include <windows.h>

#include "app/app.h"

void restrict_dll_search(void)
{
    // Setup programs run from download folders full of foreign DLLs.
    typedef BOOL(WINAPI * SetDefaultDllDirectoriesFn)(DWORD);
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    SetDefaultDllDirectoriesFn set_default =
        kernel ? (SetDefaultDllDirectoriesFn)(void *)GetProcAddress(kernel, "SetDefaultDllDirectories")
               : NULL;
    if (set_default)
        set_default(LOAD_LIBRARY_SEARCH_SYSTEM32);
    SetDllDirectoryA("");
}
