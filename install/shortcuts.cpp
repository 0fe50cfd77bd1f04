// Finds the shell's special folders and writes the Start-menu, desktop and start-up shortcuts.
#include <direct.h>
#include <io.h>
#include <objbase.h>
#include <shlobj.h>
#include <string.h>

#include "base/base.h"
#include "ui/message.h"
#include "wizard/state.h"
#include "install/install.h"

static const char START_MENU_FAILED_CN[] =
    "无法在 Start 菜单中为本程序建立一个条目。很抱歉，只好请您以后自已建立了。";
static const char START_MENU_FAILED_EN[] = "Failed to create an entry on Start Menu.";
static const char FOLDER_FAILED_CN[] = "无法建目录(%s)!";

// Room left for the path in the folder message, so that the message always fits.
#define FOLDER_SHOWN_SIZE (PATH_SIZE - (sizeof(FOLDER_FAILED_CN) - 3))

// The last backslash of a path, stepping over double-byte characters whose
// trail byte could be a backslash; null when there is none.
static const char *last_backslash(const char *path)
{
    const char *found = NULL;
    for (const char *p = path; *p; p++) {
        if (IsDBCSLeadByte((BYTE)*p) && p[1])
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

int legacy_folder_path(char *path, int folder_code)
{
    char windows[PATH_SIZE];
    UINT length = GetWindowsDirectoryA(windows, sizeof(windows));
    char user[256];
    DWORD user_size = sizeof(user);
    if (g_state.is_nt && !GetUserNameA(user, &user_size))
        return 0;
    if (length == 0 || length >= sizeof(windows))
        return 0;
    const char *leaf = ""; // any other code: the base folder itself
    if (folder_code == 2)
        leaf = "start menu\\programs";
    else if (folder_code == 0)
        leaf = "Desktop";
    const char *separator = ends_with_backslash(windows) ? "" : "\\";
    if (g_state.is_nt)
        return format_path(path, PATH_SIZE, "%s%sprofiles\\%s\\%s", windows, separator, user, leaf);
    return format_path(path, PATH_SIZE, "%s%s%s", windows, separator, leaf);
}

int special_folder_path(char *path, int csidl)
{
    if (g_state.os_major_is_3)
        return legacy_folder_path(path, csidl);
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
        if (cut && (size_t)(cut - target) < sizeof(folder)) {
            memcpy(folder, target, cut - target);
            folder[cut - target] = 0;
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

void create_desktop_shortcut(const char *program_file, const char *shortcut_name)
{
    char target[PATH_SIZE], folder[PATH_SIZE], piece[100], link[PATH_SIZE];
    if (!format_path(target, sizeof(target), "%s\\%s", g_state.install_dir, program_file))
        return;
    if (!special_folder_path(folder, CSIDL_DESKTOP))
        return;
    if (!format_path(piece, sizeof(piece), "\\%s.lnk", shortcut_name))
        return;
    if (!format_path(link, sizeof(link), "%s%s", folder, piece))
        return;
    create_shell_link(target, link, shortcut_name);
}

static void show_folder_failure(const char *folder, const char *folder_name)
{
    char attempted[2 * PATH_SIZE];
    if (!format_path(attempted, sizeof(attempted), "%s\\%s", folder, folder_name))
        copy_text_truncated(attempted, sizeof(attempted), folder);
    char shown[FOLDER_SHOWN_SIZE];
    copy_text_truncated(shown, sizeof(shown), attempted);
    char message[PATH_SIZE];
    format_path(message, sizeof(message), FOLDER_FAILED_CN, shown);
    show_message(message, shared_text[TEXT_CANNOT_CREATE_FOLDER], MESSAGE_NOTICE, g_state.wizard_window);
}

static int start_menu_failure(void)
{
    show_message(START_MENU_FAILED_CN, START_MENU_FAILED_EN, MESSAGE_NOTICE, g_state.wizard_window);
    return 0;
}

int create_menu_entries(const char *folder_name, const ShortcutEntry *entries, int csidl)
{
    char special[PATH_SIZE];
    if (!special_folder_path(special, csidl))
        return start_menu_failure();
    char base[PATH_SIZE];
    copy_text(base, sizeof(base), special);
    if (folder_name && folder_name[0]) {
        if (!format_path(base, sizeof(base), "%s\\%s", special, folder_name) ||
            (_access(base, 0) != 0 && _mkdir(base) != 0)) {
            show_folder_failure(special, folder_name);
            return 0;
        }
    }
    int result = 1;
    for (const ShortcutEntry *entry = entries; entry->shortcut_name; entry++) {
        char link[PATH_SIZE], target[PATH_SIZE];
        // Only the last shortcut decides the outcome.
        result = format_path(link, sizeof(link), "%s\\%s.lnk", base, entry->shortcut_name) &&
                 format_path(target, sizeof(target), "%s\\%s", g_state.install_dir, entry->program_file) &&
                 create_shell_link(target, link, entry->shortcut_name);
    }
    if (!result)
        return start_menu_failure();
    return 1;
}
