// The removal itself: each of the setup's names, never an entry behind a link, never another name.
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <string.h>

#include "uninstall/uninstall.h"

static const DWORD PROTECT_BITS = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN;

enum { NAME_REMOVED, NAME_ABSENT, NAME_NOT_A_FILE, NAME_NOT_REMOVED };

static void report(const UninstallRequest *request, int notice, const char *path)
{
    if (request->report.notice)
        request->report.notice(request->report.context, notice, path);
}

static int is_plain_folder(DWORD bits)
{
    return bits != INVALID_FILE_ATTRIBUTES && (bits & FILE_ATTRIBUTE_DIRECTORY) &&
           !(bits & FILE_ATTRIBUTE_REPARSE_POINT);
}

static int is_file(DWORD bits)
{
    return bits != INVALID_FILE_ATTRIBUTES && !(bits & FILE_ATTRIBUTE_DIRECTORY);
}

// True when the handle is the entry path names and no other name shares its data: no link on the
// way (the system's final name for it is the long form of path) and one name only. Some systems
// open a link's target even when asked for the link itself; then the final name tells.
static int handle_is_own_entry(HANDLE handle, const char *path)
{
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(handle, &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) ||
        info.nNumberOfLinks != 1)
        return 0;
    char final_name[PATH_SIZE + 8], full[PATH_SIZE], long_name[PATH_SIZE];
    DWORD n = GetFinalPathNameByHandleA(handle, final_name, sizeof(final_name), FILE_NAME_NORMALIZED);
    DWORD m = GetFullPathNameA(path, sizeof(full), full, NULL);
    if (n == 0 || n >= sizeof(final_name) || m == 0 || m >= sizeof(full))
        return 0;
    DWORD k = GetLongPathNameA(full, long_name, sizeof(long_name));
    if (k == 0 || k >= sizeof(long_name))
        copy_text(long_name, sizeof(long_name), full);
    return n > 4 && strncmp(final_name, "\\\\?\\", 4) == 0 &&
           same_file_name(final_name + 4, n - 4, long_name);
}

// Bits a program may set: those that tell what the entry is stay as they are.
static const DWORD SETTABLE_BITS = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                   FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_TEMPORARY |
                                   FILE_ATTRIBUTE_OFFLINE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

static HANDLE open_entry(const char *path, DWORD access)
{
    return CreateFileA(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                       OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, NULL);
}

static int set_bits_by_handle(HANDLE handle, DWORD bits)
{
    FILE_BASIC_INFO info = {}; // zero times stay as they are
    info.FileAttributes = bits ? bits : FILE_ATTRIBUTE_NORMAL;
    return SetFileInformationByHandle(handle, FileBasicInfo, &info, sizeof(info)) != 0;
}

static int set_bits_by_name(const char *path, DWORD bits)
{
    return SetFileAttributesA(path, bits ? bits : FILE_ATTRIBUTE_NORMAL) != 0;
}

// Sets the bits of the entry path names, never of what a link there points at: through a handle on
// the entry, or by name while such a handle shows no link in the way, where a system refuses to
// open a read-only file for its attributes. Read-only comes last: a file system may refuse any
// other change to a read-only file.
static int set_own_bits(const char *path, DWORD bits)
{
    bits &= SETTABLE_BITS;
    DWORD first = bits & ~(DWORD)FILE_ATTRIBUTE_READONLY;
    HANDLE handle = open_entry(path, FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES);
    if (handle != INVALID_HANDLE_VALUE) {
        int set = handle_is_own_entry(handle, path) && set_bits_by_handle(handle, first) &&
                  (first == bits || set_bits_by_handle(handle, bits));
        CloseHandle(handle);
        return set;
    }
    if (GetLastError() != ERROR_ACCESS_DENIED)
        return 0;
    handle = open_entry(path, FILE_READ_ATTRIBUTES);
    if (handle == INVALID_HANDLE_VALUE)
        return 0;
    int set = handle_is_own_entry(handle, path) && set_bits_by_name(path, first) &&
              (first == bits || set_bits_by_name(path, bits));
    CloseHandle(handle);
    return set;
}

static int is_own_entry(const char *path)
{
    HANDLE handle = open_entry(path, FILE_READ_ATTRIBUTES);
    if (handle == INVALID_HANDLE_VALUE)
        return 0;
    int own = handle_is_own_entry(handle, path);
    CloseHandle(handle);
    return own;
}

// A name that is a link, or that shares its data with another name, is first replaced by a new
// empty file of ours and that is removed: some systems (Wine among them) delete a link's target
// when asked to delete the link, and a shared file's bits are the other name's too.
static int replace_and_remove(const char *path)
{
    char folder[PATH_SIZE], temporary[PATH_SIZE];
    if (!copy_text(folder, sizeof(folder), path))
        return NAME_NOT_REMOVED;
    char *last = NULL;
    for (char *p = folder; *p; p += path_char_size(p))
        if (*p == '\\')
            last = p;
    if (!last)
        return NAME_NOT_REMOVED;
    *last = 0;
    HANDLE file = INVALID_HANDLE_VALUE;
    for (int i = 0; i < 100 && file == INVALID_HANDLE_VALUE; i++) {
        if (!format_text(temporary, sizeof(temporary), "%s\\~tvkun%d.tmp", folder, i))
            return NAME_NOT_REMOVED;
        file = CreateFileA(temporary, GENERIC_WRITE, 0, NULL, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, NULL);
        DWORD error = GetLastError();
        if (file == INVALID_HANDLE_VALUE && error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
            return NAME_NOT_REMOVED;
    }
    if (file == INVALID_HANDLE_VALUE)
        return NAME_NOT_REMOVED;
    CloseHandle(file);
    if (!MoveFileExA(temporary, path, MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileA(temporary);
        return NAME_NOT_REMOVED;
    }
    return DeleteFileA(path) ? NAME_REMOVED : NAME_NOT_REMOVED;
}

// Removes the file name path itself, never what a link there points at. Its own read-only and
// hidden bits are cleared first; when the name stays, so do its bits.
static int remove_name(const char *path)
{
    DWORD bits = GetFileAttributesA(path);
    if (bits == INVALID_FILE_ATTRIBUTES)
        return NAME_ABSENT;
    if (bits & FILE_ATTRIBUTE_DIRECTORY)
        return NAME_NOT_A_FILE; // a folder, or a link to one: never entered
    if (!is_own_entry(path))
        return replace_and_remove(path);
    DWORD cleared = 0;
    if ((bits & PROTECT_BITS) && set_own_bits(path, bits & ~PROTECT_BITS))
        cleared = bits;
    if (DeleteFileA(path))
        return NAME_REMOVED;
    DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
        return NAME_ABSENT;
    if (cleared)
        set_own_bits(path, cleared);
    return NAME_NOT_REMOVED;
}

// The target a link file stores, as stored: nothing is resolved or searched for. 0 when the file
// is no link the shell can read.
static int stored_link_target(const char *link, char *target, size_t size)
{
    IShellLinkA *shell_link = NULL;
    IPersistFile *file = NULL;
    WCHAR wide[PATH_SIZE];
    int read = 0;
    target[0] = 0;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   (void **)&shell_link)) &&
        SUCCEEDED(shell_link->QueryInterface(IID_IPersistFile, (void **)&file)) &&
        MultiByteToWideChar(CP_ACP, 0, link, -1, wide, PATH_SIZE) && SUCCEEDED(file->Load(wide, STGM_READ)))
        read = shell_link->GetPath(target, (int)size, NULL, SLGP_RAWPATH) == S_OK && target[0];
    if (file)
        file->Release();
    if (shell_link)
        shell_link->Release();
    return read;
}

static int not_removed(const UninstallRequest *request, const char *path, int outcome)
{
    if (outcome == NAME_NOT_REMOVED) {
        report(request, UNINSTALL_NOT_REMOVED, path);
        return 1;
    }
    return 0;
}

// The link at path goes when it starts something in the install folder.
static int remove_link(const UninstallRequest *request, const char *path)
{
    DWORD bits = GetFileAttributesA(path);
    if (bits == INVALID_FILE_ATTRIBUTES)
        return 0;
    char target[PATH_SIZE];
    if (!is_file(bits) || !stored_link_target(path, target, sizeof(target)) ||
        !path_in_folder(target, request->folder)) {
        report(request, UNINSTALL_LINK_KEPT, path);
        return 0;
    }
    return not_removed(request, path, remove_name(path));
}

// The links of every script form: the system's form may have changed since the install, and the
// other forms' bytes name nothing of anyone else's that a link check would let through.
static int remove_links(const UninstallRequest *request)
{
    InstallRequest lookup = {};
    lookup.is_nt = request->is_nt;
    lookup.os_major_is_3 = request->os_major_is_3;
    HRESULT com = CoInitialize(NULL);
    int failures = 0;
    for (int script = 0; script < 3; script++) {
        LinkPlace places[LINK_PLACES];
        int count = plan_links(script, places);
        char special[PATH_SIZE], path[PATH_SIZE];
        for (int i = 0; i < count; i++)
            if (special_folder_path(&lookup, special, places[i].csidl) &&
                link_path(path, sizeof(path), special, &places[i]))
                failures += remove_link(request, path);
        // The group goes when nothing else is in it; a link or junction there is not entered.
        if (special_folder_path(&lookup, special, CSIDL_PROGRAMS) &&
            format_text(path, sizeof(path), "%s\\%s", special, places[0].group) &&
            is_plain_folder(GetFileAttributesA(path)))
            RemoveDirectoryA(path);
    }
    if (SUCCEEDED(com))
        CoUninitialize();
    return failures;
}

static int remove_installed_files(const UninstallRequest *request)
{
    int failures = 0;
    for (int i = 0; i < installed_file_count(); i++) {
        char path[PATH_SIZE];
        // A name that does not fit was never installed here either.
        if (!format_text(path, sizeof(path), "%s\\%s", request->folder, installed_file_name(i)))
            continue;
        failures += not_removed(request, path, remove_name(path));
    }
    return failures;
}

// What a walk over the folder's entries works with.
struct Sweep {
    const UninstallRequest *request;
    int failures;
};

// Calls each for every entry of the folder but "." and "..".
static void sweep_folder(Sweep *sweep, void (*each)(Sweep *, const char *name, DWORD bits))
{
    char pattern[PATH_SIZE];
    if (!format_text(pattern, sizeof(pattern), "%s\\*", sweep->request->folder))
        return;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA(pattern, &found);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        if (strcmp(found.cFileName, ".") != 0 && strcmp(found.cFileName, "..") != 0)
            each(sweep, found.cFileName, found.dwFileAttributes);
    } while (FindNextFileA(find, &found));
    FindClose(find);
}

static void remove_leftover(Sweep *sweep, const char *name, DWORD bits)
{
    char path[PATH_SIZE];
    if (!(bits & FILE_ATTRIBUTE_DIRECTORY) && is_run_leftover_name(name) &&
        format_text(path, sizeof(path), "%s\\%s", sweep->request->folder, name))
        sweep->failures += not_removed(sweep->request, path, remove_name(path));
}

static void report_kept(Sweep *sweep, const char *name, DWORD bits)
{
    (void)bits;
    char path[PATH_SIZE];
    if (format_text(path, sizeof(path), "%s\\%s", sweep->request->folder, name))
        report(sweep->request, UNINSTALL_ENTRY_KEPT, path);
}

int looks_like_install(const char *folder)
{
    if (!folder || !folder[0] || !is_plain_folder(GetFileAttributesA(folder)))
        return 0;
    const int names[] = {NAME_ENGINE_PROGRAM, NAME_ENGINE_UNINSTALLER};
    for (int name : names) {
        char path[PATH_SIZE];
        if (!format_text(path, sizeof(path), "%s\\%s", folder, installed_name(name, 0)) ||
            !is_file(GetFileAttributesA(path)))
            return 0;
    }
    return 1;
}

int run_uninstall(const UninstallRequest *request)
{
    if (!looks_like_install(request->folder))
        return UNINSTALL_NOT_AN_INSTALL;
    int failures = remove_links(request);
    failures += remove_installed_files(request);
    Sweep sweep = {request, 0};
    sweep_folder(&sweep, remove_leftover);
    failures += sweep.failures;
    // "doc" and the folder go only when empty; a junction or link at "doc" is not the setup's.
    char doc[PATH_SIZE];
    if (format_text(doc, sizeof(doc), "%s\\doc", request->folder) && is_plain_folder(GetFileAttributesA(doc)))
        RemoveDirectoryA(doc);
    if (RemoveDirectoryA(request->folder))
        return failures ? UNINSTALL_SOME_NOT_GONE : UNINSTALL_ALL_GONE;
    sweep_folder(&sweep, report_kept);
    return failures ? UNINSTALL_SOME_NOT_GONE : UNINSTALL_FOLDER_KEPT;
}
