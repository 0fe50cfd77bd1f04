// One Tavik setup at a time in a logon session: the installer and the uninstaller take the same lock.
#include <windows.h>

#include "app/app.h"
#include "base/base.h"

// Per logon session rather than per window station: a second user's setup on the same machine is
// no one's business here, the same user's second one is.
static int lock_name(char *name, size_t size)
{
    HANDLE token;
    TOKEN_STATISTICS statistics = {};
    DWORD got = 0;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return 0;
    BOOL read = GetTokenInformation(token, TokenStatistics, &statistics, sizeof(statistics), &got);
    CloseHandle(token);
    return read && format_text(name, size, "Local\\Tavik.Setup.%08lx%08lx",
                               (unsigned long)statistics.AuthenticationId.HighPart,
                               (unsigned long)statistics.AuthenticationId.LowPart);
}

HANDLE take_setup_lock(DWORD wait_ms)
{
    char name[64];
    if (!lock_name(name, sizeof(name)))
        return NULL;
    HANDLE lock = CreateMutexA(NULL, FALSE, name);
    if (!lock)
        return NULL; // a name taken by something else is no lock this setup can hold
    DWORD taken = WaitForSingleObject(lock, wait_ms);
    // Abandoned: a setup that ended without letting go, as the uninstaller's first process does.
    if (taken == WAIT_OBJECT_0 || taken == WAIT_ABANDONED)
        return lock;
    CloseHandle(lock);
    return NULL;
}

void release_setup_lock(HANDLE lock)
{
    ReleaseMutex(lock);
    CloseHandle(lock);
}
