// Which shortcuts the products get, where the shell keeps them, and the links themselves.
#include <direct.h>
#include <io.h>
#include <objbase.h>
#include <shlobj.h>
#include <string.h>

#include "base/base.h"
#include "install/install.h"
#include "install/replace.h"

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

// The bytes go to a new temporary file in the link's folder, flushed, then moved over the link's
// name: a save through the shell would open whatever is at that name and write through it.
static int save_link_file(const char *link_path, const void *data, size_t size)
{
    char prefix[PATH_SIZE];
    const char *cut = last_backslash(link_path);
    if (!cut || (size_t)(cut - link_path) + 2 > sizeof(prefix))
        return 0;
    memcpy(prefix, link_path, (size_t)(cut - link_path) + 1);
    prefix[cut - link_path + 1] = 0;
    return replace_with_bytes(prefix, link_path, "lnk", data, size);
}

// The link's bytes, as the shell would save them, taken from the link object into memory.
static int save_link(IShellLinkA *link, const char *link_path)
{
    IPersistStream *persist = NULL;
    IStream *stream = NULL;
    HGLOBAL memory = NULL;
    STATSTG stat = {};
    int saved = SUCCEEDED(link->QueryInterface(IID_IPersistStream, (void **)&persist)) &&
                SUCCEEDED(CreateStreamOnHGlobal(NULL, TRUE, &stream)) &&
                SUCCEEDED(persist->Save(stream, TRUE)) && SUCCEEDED(stream->Stat(&stat, STATFLAG_NONAME)) &&
                stat.cbSize.QuadPart <= 0x100000 && SUCCEEDED(GetHGlobalFromStream(stream, &memory));
    if (saved) {
        const void *data = GlobalLock(memory);
        saved = data && save_link_file(link_path, data, (size_t)stat.cbSize.QuadPart);
        GlobalUnlock(memory);
    }
    if (stream)
        stream->Release();
    if (persist)
        persist->Release();
    return saved;
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
        saved = save_link(link, link_path);
    }
    link->Release();
    CoUninitialize();
    return saved;
}

void create_desktop_shortcut(const InstallRequest *request, const char *program_file,
                             const char *shortcut_name, RunRecord *made)
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
    if (!create_shell_link(target, link, shortcut_name))
        return;
    report_step(request, STEP_SHORTCUT, link, 0);
    if (made)
        add_recorded_link(made, link);
}

static int report_failure(const InstallRequest *request, int notice, const char *file)
{
    if (request->report.notice)
        request->report.notice(request->report.context, notice, file);
    return 0;
}

int create_menu_entries(const InstallRequest *request, const char *folder_name, const ShortcutEntry *entries,
                        int csidl, RunRecord *made)
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
        if (result)
            report_step(request, STEP_SHORTCUT, link, 0);
        if (result && made)
            add_recorded_link(made, link);
    }
    if (!result)
        return report_failure(request, NOTICE_START_MENU_FAILED, NULL);
    return 1;
}

// The places' shortcuts that go into one special folder under one condition, as a list.
static void entries_for(const InstallRequest *request, int csidl, int condition, ShortcutEntry *entries)
{
    int n = 0;
    for (const ShortcutPlace &place : shortcut_places)
        if (place.csidl == csidl && place.condition == condition)
            entries[n++] = {installed_name(place.name, request->script), installed_name(place.program, 0)};
    entries[n] = {NULL, NULL};
}

void create_menu_group(const InstallRequest *request, RunRecord *made)
{
    ShortcutEntry entries[SHORTCUT_PLACES + 1];
    entries_for(request, CSIDL_PROGRAMS, SHORTCUT_ALWAYS, entries);
    create_menu_entries(request, installed_name(NAME_ENGINE_FOLDER, request->script), entries, CSIDL_PROGRAMS,
                        made);
}

void create_chosen_shortcuts(const InstallRequest *request, RunRecord *made)
{
    if (request->want_desktop_icon)
        for (const ShortcutPlace &place : shortcut_places)
            if (place.condition == SHORTCUT_IF_DESKTOP_ICON)
                create_desktop_shortcut(request, installed_name(place.program, 0),
                                        installed_name(place.name, request->script), made);
    if (request->want_auto_start) {
        ShortcutEntry entries[SHORTCUT_PLACES + 1];
        entries_for(request, CSIDL_STARTUP, SHORTCUT_IF_AUTO_START, entries);
        create_menu_entries(request, NULL, entries, CSIDL_STARTUP, made);
    }
}
