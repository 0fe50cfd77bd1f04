// Whether a shortcut's stored target lies in the install folder; no file is read.
#include "uninstall/uninstall.h"

int path_in_folder(const char *path, const char *folder)
{
    const char *last = last_backslash(path);
    if (!last || !last[1] || !folder[0])
        return 0;
    return same_file_name(path, (size_t)(last - path), folder);
}
