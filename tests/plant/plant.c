/* A planted DLL: records that it was loaded, so tests can prove it never is. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) {
        char path[MAX_PATH], marker[MAX_PATH + 16];
        DWORD n = GetModuleFileNameA(instance, path, sizeof(path));
        if (n > 0 && n < sizeof(path)) {
            wsprintfA(marker, "%s.loaded", path);
            HANDLE f = CreateFileA(marker, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
            if (f != INVALID_HANDLE_VALUE)
                CloseHandle(f);
        }
    }
    return TRUE;
}

__declspec(dllexport) int plant_version(void)
{
    return 7;
}
