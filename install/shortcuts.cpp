// Which shortcuts the products get, where the shell keeps them, and the links themselves.
#include <direct.h>
#include <io.h>
#include <objbase.h>
#include <shlobj.h>
#include <string.h>

#include "base/base.h"
#include "install/install.h"
#include "install/profiles.h"

// The last backslash of a path, stepping over double-byte characters whose
// trail byte could be a backslash; null when there is none.
static const char *last_backslash(const char *path)
{
    const char *found = NULL;
    for (const char *p = path; *p; p++) {
        if (path_char_size(p) == 2)
            p++;
        else if (*p == '\\')
            found = p;
    }
    return found;
}

static int ends_with_backslash(const char *path)
{
    const char *last = last_backslash(path);
    return last && last[1] == 0;
}

int shell_folder_path(char *path, int csidl)
{
    IMalloc *malloc_ = NULL;
    if (FAILED(SHGetMalloc(&malloc_)))
        return 0;
    int result = 0;
    LPITEMIDLIST items = NULL;
    if (SUCCEEDED(SHGetSpecialFolderLocation(NULL, csidl, &items))) {
        result = SHGetPathFromIDListA(items, path) ? 1 : 0;
        malloc_->Free(items);
    }
    malloc_->Release();
    return result;
}

int legacy_folder_path(char *path, int folder_code, int is_nt)
{
    char windows[PATH_SIZE];
    UINT length = GetWindowsDirectoryA(windows, sizeof(windows));
    char user[256];
    DWORD user_size = sizeof(user);
    if (is_nt && !GetUserNameA(user, &user_size))
        return 0;
    if (length == 0 || length >= sizeof(windows))
        return 0;
    const char *leaf = ""; // any other code: the base folder itself
    if (folder_code == 2)
        leaf = "start menu\\programs";
    else if (folder_code == 0)
        leaf = "Desktop";
    const char *separator = ends_with_backslash(windows) ? "" : "\\";
    if (is_nt)
        return format_text(path, PATH_SIZE, "%s%sprofiles\\%s\\%s", windows, separator, user, leaf);
    return format_text(path, PATH_SIZE, "%s%s%s", windows, separator, leaf);
}

int special_folder_path(const InstallRequest *request, char *path, int csidl)
{
    if (request->os_major_is_3)
        return legacy_folder_path(path, csidl, request->is_nt);
    return shell_folder_path(path, csidl);
}

int create_shell_link(const char *target, const char *link_path, const char *description)
{
    if (FAILED(CoInitialize(NULL)))
        return 0;
    IShellLinkA *link = NULL;
    if (FAILED(
            CoCreateInstance(CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, IID_IShellLinkA, (void **)&link))) {
        CoUninitialize();
        return 0;
    }
    int saved = 0;
    IPersistFile *file = NULL;
    WCHAR wide_path[PATH_SIZE];
    if (SUCCEEDED(link->SetPath(target))) {
        link->SetDescription(description);
        link->SetIconLocation(target, 0);
        const char *cut = last_backslash(target);
        char folder[PATH_SIZE];
        // A program in a drive's root works in "C:\", not in "C:", the drive's current folder.
        size_t length = cut ? (size_t)(cut - target) : 0;
        if (length == 2 && target[1] == ':')
            length++;
        if (cut && length < sizeof(folder)) {
            memcpy(folder, target, length);
            folder[length] = 0;
            link->SetWorkingDirectory(folder);
        }
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, (void **)&file))) {
            if (MultiByteToWideChar(CP_ACP, 0, link_path, -1, wide_path, PATH_SIZE))
                saved = SUCCEEDED(file->Save(wide_path, TRUE));
            file->Release();
        }
    }
    link->Release();
    CoUninitialize();
    return saved;
}

void create_desktop_shortcut(const InstallRequest *request, const char *program_file,
                             const char *shortcut_name)
{
    char target[PATH_SIZE], folder[PATH_SIZE], piece[100], link[PATH_SIZE];
    if (!format_text(target, sizeof(target), "%s\\%s", request->folder, program_file))
        return;
    if (!special_folder_path(request, folder, CSIDL_DESKTOP))
        return;
    if (!format_text(piece, sizeof(piece), "\\%s.lnk", shortcut_name))
        return;
    if (!format_text(link, sizeof(link), "%s%s", folder, piece))
        return;
    create_shell_link(target, link, shortcut_name);
}

static int report_failure(const InstallRequest *request, int notice, const char *file)
{
    if (request->report.notice)
        request->report.notice(request->report.context, notice, file);
    return 0;
}

int create_menu_entries(const InstallRequest *request, const char *folder_name, const ShortcutEntry *entries,
                        int csidl)
{
    char special[PATH_SIZE];
    if (!special_folder_path(request, special, csidl))
        return report_failure(request, NOTICE_START_MENU_FAILED, NULL);
    char base[PATH_SIZE];
    copy_text(base, sizeof(base), special);
    if (folder_name && folder_name[0]) {
        if (!format_text(base, sizeof(base), "%s\\%s", special, folder_name) ||
            (_access(base, 0) != 0 && _mkdir(base) != 0)) {
            // The folder as it was attempted, or the special folder when even that did not fit.
            char attempted[2 * PATH_SIZE];
            if (!format_text(attempted, sizeof(attempted), "%s\\%s", special, folder_name))
                copy_text_truncated(attempted, sizeof(attempted), special);
            return report_failure(request, NOTICE_SHORTCUT_FOLDER_FAILED, attempted);
        }
    }
    int result = 1;
    for (const ShortcutEntry *entry = entries; entry->shortcut_name; entry++) {
        char link[PATH_SIZE], target[PATH_SIZE];
        // Only the last shortcut decides the outcome.
        result = format_text(link, sizeof(link), "%s\\%s.lnk", base, entry->shortcut_name) &&
                 format_text(target, sizeof(target), "%s\\%s", request->folder, entry->program_file) &&
                 create_shell_link(target, link, entry->shortcut_name);
    }
    if (!result)
        return report_failure(request, NOTICE_START_MENU_FAILED, NULL);
    return 1;
}

void create_menu_group(const InstallRequest *request)
{
    int form = script_form(request->script);
    const ProductProfile *engine = &product_profiles[PRODUCT_ENGINE];
    ShortcutEntry entries[] = {{engine->shortcut_name[form], engine->program_file},
                               {engine->uninstall_shortcut_name[form], engine->uninstaller_file},
                               {NULL, NULL}};
    create_menu_entries(request, engine->folder_name[form], entries, CSIDL_PROGRAMS);
}

void create_chosen_shortcuts(const InstallRequest *request)
{
    int form = script_form(request->script);
    const ProductProfile *engine = &product_profiles[PRODUCT_ENGINE];
    const ProductProfile *editor = &product_profiles[PRODUCT_EDITOR];
    if (request->want_desktop_icon) {
        create_desktop_shortcut(request, editor->program_file, editor->shortcut_name[form]);
        create_desktop_shortcut(request, engine->program_file, engine->shortcut_name[form]);
    }
    if (request->want_auto_start) {
        ShortcutEntry entries[] = {{engine->shortcut_name[form], engine->program_file}, {NULL, NULL}};
        create_menu_entries(request, NULL, entries, CSIDL_STARTUP);
    }
}
