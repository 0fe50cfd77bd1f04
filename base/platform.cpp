// The two platform facts both programs decide by: an NT system, and a major version of 3.
#include "base/base.h"

void read_platform(int *is_nt, int *os_major_is_3)
{
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof(version);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (GetVersionExA(&version)) {
#pragma GCC diagnostic pop
        *is_nt = version.dwPlatformId == VER_PLATFORM_WIN32_NT;
        *os_major_is_3 = version.dwMajorVersion == 3;
    }
}
