// Which shortcuts a run made and where, and whether a path lies in the install folder; no file is read.
#include <shlobj.h>

#include "uninstall/uninstall.h"

int plan_links(int script, LinkPlace *places)
{
    const char *group = installed_name(NAME_ENGINE_FOLDER, script);
    const char *engine = installed_name(NAME_ENGINE_SHORTCUT, script);
    const LinkPlace plan[LINK_PLACES] = {
        {CSIDL_PROGRAMS, group, engine},
        {CSIDL_PROGRAMS, group, installed_name(NAME_ENGINE_UNINSTALL_SHORTCUT, script)},
        {CSIDL_DESKTOP, NULL, installed_name(NAME_EDITOR_SHORTCUT, script)},
        {CSIDL_DESKTOP, NULL, engine},
        {CSIDL_STARTUP, NULL, engine},
    };
    for (int i = 0; i < LINK_PLACES; i++)
        places[i] = plan[i];
    return LINK_PLACES;
}

int link_path(char *path, size_t size, const char *special, const LinkPlace *place)
{
    // The bytes the run gave the shell, the same separators included.
    if (place->group && place->group[0])
        return format_text(path, size, "%s\\%s\\%s.lnk", special, place->group, place->name);
    return format_text(path, size, "%s\\%s.lnk", special, place->name);
}

int same_file_name(const char *a, size_t a_bytes, const char *b)
{
    // As the file system compares: in the system's code page, case folded one character at a time,
    // with none of the linguistic rules under which different names compare as equal.
    WCHAR wide_a[PATH_SIZE], wide_b[PATH_SIZE];
    if (a_bytes == 0 || a_bytes >= PATH_SIZE)
        return 0;
    int n = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, a, (int)a_bytes, wide_a, PATH_SIZE);
    int m = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, b, -1, wide_b, PATH_SIZE);
    return n > 0 && m > 1 && CompareStringOrdinal(wide_a, n, wide_b, m - 1, TRUE) == CSTR_EQUAL;
}

int path_in_folder(const char *path, const char *folder)
{
    const char *last = NULL;
    for (const char *p = path; *p; p += path_char_size(p))
        if (*p == '\\')
            last = p;
    if (!last || !last[1] || !folder[0])
        return 0;
    return same_file_name(path, (size_t)(last - path), folder);
}
