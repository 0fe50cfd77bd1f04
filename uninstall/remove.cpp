// The removal itself: the install's record replayed, or a record-less install's names; never a link's target.
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <stdlib.h>
#include <string.h>

#include "uninstall/uninstall.h"

struct Removal {
    const UninstallRequest *request;
    RunRecord *record; // what the install's runs made; null for an install made before there was one
    int last;          // the pass that takes the uninstaller itself, its shortcut and the record
    int failures;      // names of the setup's that could not be removed
    int changed;       // files kept because the user changed them
    int kept;          // entries left in the folder that are not the setup's
};

static void report(const UninstallRequest *request, int notice, const char *path)
{
    if (request->report.notice)
        request->report.notice(request->report.context, notice, path);
}

static int is_file(DWORD bits)
{
    return bits != INVALID_FILE_ATTRIBUTES && !(bits & FILE_ATTRIBUTE_DIRECTORY);
}

static void count_outcome(Removal *removal, const char *path, int outcome)
{
    if (outcome == NAME_REMOVED)
        report(removal->request, UNINSTALL_REMOVED, path);
    if (outcome == NAME_NOT_REMOVED) {
        report(removal->request, UNINSTALL_NOT_REMOVED, path);
        removal->failures++;
    }
}

// The uninstaller goes in the last pass only, and only when everything else went: "uninstall
// again" needs it.
static int is_uninstaller(const char *name)
{
    return lstrcmpiA(name, installed_name(NAME_ENGINE_UNINSTALLER, 0)) == 0;
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

// The Start-menu group a link was in goes with it when nothing else is in it; no other folder
// (the desktop may well be empty) and never a link to one.
static void remove_emptied_group(const char *link)
{
    char folder[PATH_SIZE];
    char *cut = copy_text(folder, sizeof(folder), link) ? last_backslash(folder) : NULL;
    if (!cut)
        return;
    *cut = 0;
    char *name = last_backslash(folder);
    for (int script = 0; name && script < 3; script++)
        if (lstrcmpA(name + 1, installed_name(NAME_ENGINE_FOLDER, script)) == 0) {
            remove_own_folder(folder);
            return;
        }
}

// The link at path goes when it is still a shortcut that starts something in the install folder.
static void remove_link(Removal *removal, const char *path)
{
    DWORD bits = GetFileAttributesA(path);
    if (bits == INVALID_FILE_ATTRIBUTES)
        return;
    char target[PATH_SIZE];
    if (!is_file(bits) || !stored_link_target(path, target, sizeof(target)) ||
        !path_in_folder(target, removal->request->folder)) {
        if (!removal->last)
            report(removal->request, UNINSTALL_LINK_KEPT, path);
        return;
    }
    if (is_uninstaller(last_backslash(target) + 1) != removal->last)
        return;
    int outcome = remove_name(path);
    count_outcome(removal, path, outcome);
    if (outcome == NAME_REMOVED)
        remove_emptied_group(path);
}

// The links the record lists; without one, the names a run gives them in every script form: the
// system's form may have changed since the install, and the other forms' bytes name nothing of
// anyone else's that the target check would let through.
static void remove_links(Removal *removal)
{
    if (removal->record) {
        for (int i = 0; i < removal->record->link_count; i++)
            remove_link(removal, removal->record->links[i]);
        return;
    }
    InstallRequest lookup = {};
    lookup.is_nt = removal->request->is_nt;
    lookup.os_major_is_3 = removal->request->os_major_is_3;
    for (int script = 0; script < 3; script++)
        for (const ShortcutPlace &place : shortcut_places) {
            char special[PATH_SIZE], path[PATH_SIZE];
            if (special_folder_path(&lookup, special, place.csidl) &&
                shortcut_path(path, sizeof(path), special, &place, script))
                remove_link(removal, path);
        }
}

// A listed file goes only while its bytes are those the run laid down.
static void remove_listed_file(Removal *removal, const char *path, const RecordedFile *file)
{
    unsigned long long size = 0;
    unsigned long crc = 0;
    if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES)
        return;
    if (!file_size_and_crc(path, &size, &crc)) {
        count_outcome(removal, path, NAME_NOT_REMOVED); // held open by another program
        return;
    }
    if (size != file->size || (crc & 0xffffffffUL) != (file->crc & 0xffffffffUL)) {
        report(removal->request, UNINSTALL_CHANGED_KEPT, path);
        removal->changed++;
        return;
    }
    count_outcome(removal, path, remove_name(path));
}

static void remove_files(Removal *removal)
{
    for (int i = 0, n = installed_file_count(); i < n; i++) {
        const char *name = installed_file_name(i);
        char path[PATH_SIZE];
        // A name that does not fit was never installed here either. A running uninstaller is left
        // for finish_uninstall.
        if (is_uninstaller(name) != removal->last ||
            (is_uninstaller(name) && removal->request->program_running) ||
            !format_text(path, sizeof(path), "%s\\%s", removal->request->folder, name))
            continue;
        if (!removal->record) {
            count_outcome(removal, path, remove_name(path));
            continue;
        }
        const RecordedFile *file = recorded_file(removal->record, name);
        if (file)
            remove_listed_file(removal, path, file);
    }
}

// Calls each for every entry of the folder but "." and "..".
static void sweep_folder(Removal *removal, void (*each)(Removal *, const char *name, DWORD bits))
{
    char pattern[PATH_SIZE];
    if (!format_text(pattern, sizeof(pattern), "%s\\*", removal->request->folder))
        return;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA(pattern, &found);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        if (strcmp(found.cFileName, ".") != 0 && strcmp(found.cFileName, "..") != 0)
            each(removal, found.cFileName, found.dwFileAttributes);
    } while (FindNextFileA(find, &found));
    FindClose(find);
}

static void remove_leftover(Removal *removal, const char *name, DWORD bits)
{
    char path[PATH_SIZE];
    if (!(bits & FILE_ATTRIBUTE_DIRECTORY) && is_run_leftover_name(name) &&
        format_text(path, sizeof(path), "%s\\%s", removal->request->folder, name))
        count_outcome(removal, path, remove_name(path));
}

// 1 for what finish_uninstall takes when the program is left running: the program itself and an
// empty "doc".
static int left_for_finish(Removal *removal, const char *name, DWORD bits)
{
    char path[PATH_SIZE];
    if (!removal->request->program_running)
        return 0;
    if (!(bits & FILE_ATTRIBUTE_DIRECTORY))
        return is_uninstaller(name);
    return lstrcmpiA(name, "doc") == 0 &&
           format_text(path, sizeof(path), "%s\\doc", removal->request->folder) && is_plain_folder(path) &&
           folder_contents(path) == FOLDER_EMPTY;
}

static void report_kept(Removal *removal, const char *name, DWORD bits)
{
    char path[PATH_SIZE];
    if (!left_for_finish(removal, name, bits) &&
        format_text(path, sizeof(path), "%s\\%s", removal->request->folder, name)) {
        report(removal->request, UNINSTALL_ENTRY_KEPT, path);
        removal->kept++;
    }
}

int looks_like_install(const char *folder)
{
    char calls[PATH_SIZE], path[PATH_SIZE];
    if (!folder || !folder[0] || !folder_for_calls(calls, sizeof(calls), folder) || !is_plain_folder(calls))
        return 0;
    if (format_text(path, sizeof(path), "%s\\%s", folder, INSTALL_RECORD_NAME) &&
        is_file(GetFileAttributesA(path)))
        return 1;
    const int names[] = {NAME_ENGINE_PROGRAM, NAME_ENGINE_UNINSTALLER};
    for (int name : names)
        if (!format_text(path, sizeof(path), "%s\\%s", folder, installed_name(name, 0)) ||
            !is_file(GetFileAttributesA(path)))
            return 0;
    return 1;
}

// Everything of the setup's but the uninstaller, its shortcut and the record; then those, when
// nothing stayed behind that the user must close first.
static void remove_all(Removal *removal)
{
    HRESULT com = CoInitialize(NULL);
    remove_links(removal);
    remove_files(removal);
    sweep_folder(removal, remove_leftover);
    if (!removal->failures) {
        removal->last = 1;
        remove_links(removal);
        remove_files(removal);
        char record[PATH_SIZE];
        if (removal->record &&
            format_text(record, sizeof(record), "%s\\%s", removal->request->folder, INSTALL_RECORD_NAME))
            count_outcome(removal, record, remove_name(record));
    }
    if (SUCCEEDED(com))
        CoUninitialize();
}

void finish_uninstall(const UninstallRequest *request, const UninstallLeft *left)
{
    char path[PATH_SIZE];
    if (left->program && format_text(path, sizeof(path), "%s\\%s", request->folder,
                                     installed_name(NAME_ENGINE_UNINSTALLER, 0)))
        remove_name(path);
    // "doc" and the folder go only when empty; a junction or link at either is not the setup's.
    if (left->doc && format_text(path, sizeof(path), "%s\\doc", request->folder))
        remove_own_folder(path);
    if (left->folder && folder_for_calls(path, sizeof(path), request->folder))
        remove_own_folder(path);
}

int run_uninstall(const UninstallRequest *request, UninstallLeft *left)
{
    if (!looks_like_install(request->folder))
        return UNINSTALL_NOT_AN_INSTALL;
    RunRecord *record = (RunRecord *)calloc(1, sizeof(RunRecord));
    if (!record)
        return UNINSTALL_SOME_NOT_GONE;
    int recorded = read_run_record(request->folder, record) != RECORD_ABSENT;
    Removal removal = {request, recorded ? record : NULL, 0, 0, 0, 0};
    remove_all(&removal);
    // With a record, "doc" and the folder are the setup's only when a run made them.
    UninstallLeft gone = {0, !recorded || record->made_doc, !recorded || record->made_folder};
    free(record);
    if (request->program_running) {
        gone.program = !removal.failures;
        if (left)
            *left = gone;
    } else {
        finish_uninstall(request, &gone);
    }
    if (removal.failures)
        return UNINSTALL_SOME_NOT_GONE;
    char folder[PATH_SIZE];
    if (folder_for_calls(folder, sizeof(folder), request->folder) &&
        GetFileAttributesA(folder) != INVALID_FILE_ATTRIBUTES)
        sweep_folder(&removal, report_kept);
    // A folder the user had before the install stays as it was found.
    return removal.kept && (gone.folder || removal.changed) ? UNINSTALL_FOLDER_KEPT : UNINSTALL_ALL_GONE;
}
