/* Stand-in for the input engine's keyboard hook library: loads, and tells
 * its version, nothing more. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void)instance;
    (void)reason;
    (void)reserved;
    return TRUE;
}

__declspec(dllexport) int tavik_keyhook_version(void)
{
    return 1;
}
