// The common controls library, loaded from the system folder only, after DLL search is restricted.
#include <windows.h>

#include <commctrl.h>

#include "app/app.h"
#include "base/base.h"

// Imported statically, COMCTL32 (not one of the system's known DLLs) would be looked for
// beside the installer, in a downloads folder, before the entry routine could restrict the
// search. Named by its full path here, it can only come from the system folder.
int load_common_controls(void)
{
    typedef BOOL(WINAPI * InitFn)(const INITCOMMONCONTROLSEX *);
    char system[PATH_SIZE], path[PATH_SIZE];
    UINT n = GetSystemDirectoryA(system, sizeof(system));
    if (n == 0 || n >= sizeof(system) || !format_text(path, sizeof(path), "%s\\comctl32.dll", system))
        return 0;
    HMODULE library = LoadLibraryExA(path, NULL, LOAD_WITH_ALTERED_SEARCH_PATH);
    InitFn init = library ? (InitFn)(void *)GetProcAddress(library, "InitCommonControlsEx") : NULL;
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_PROGRESS_CLASS};
    return init && init(&controls);
}
