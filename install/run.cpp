// The install run: stages every file beside its name, commits them all, then configures and links.
#include <stdio.h>
#include <stdlib.h>

#include "install/image_extent.h"
#include "install/install.h"
#include "install/manifest.h"
#include "install/replace.h"

static const char *const user_dictionaries[] = {"pykeys.dic", "Gbkflat.dic", "flatAuto.dic",
                                                "flatAdjust.dic"};

// What the run staged for one manifest row.
struct StagedRow {
    char path[PATH_SIZE]; // empty when nothing is staged for the row
    unsigned long carried_bits;
};

struct Run {
    const InstallRequest *request;
    unsigned char *buffer; // STAGE_BUFFER_SIZE bytes
    StagedRow *rows;       // one for each manifest row
};

static void report_progress(const InstallRequest *request, int position)
{
    if (request->report.progress)
        request->report.progress(request->report.context, position);
}

static void report_notice(const InstallRequest *request, int notice)
{
    if (request->report.notice)
        request->report.notice(request->report.context, notice, NULL);
}

static void pump(const InstallRequest *request)
{
    if (request->report.pump)
        request->report.pump(request->report.context);
}

int user_dictionary_path(char *path, size_t size, const char *folder, int index)
{
    int name = index % 4, bits = index / 4;
    char suffix[5] = "";
    if (bits)
        format_text(suffix, sizeof(suffix), "%1d%1d%1d%1d", bits >> 3 & 1, bits >> 2 & 1, bits >> 1 & 1,
                    bits & 1);
    return format_text(path, size, "%s\\%s%s", folder, user_dictionaries[name], suffix);
}

// An old word base may stay when its "CiZuFlat.igb" exists and the first byte
// of its "pycizudic.idx" has bit 7 set; the user decides. 1 when it stays.
static int keep_old_word_base(const InstallRequest *request)
{
    char path[PATH_SIZE];
    if (!format_text(path, sizeof(path), "%s\\CiZuFlat.igb", request->folder) ||
        GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES)
        return 0;
    if (!format_text(path, sizeof(path), "%s\\pycizudic.idx", request->folder))
        return 0;
    FILE *index = fopen(path, "rb");
    if (!index)
        return 0;
    int first = fgetc(index);
    fclose(index);
    if (first == EOF || !(first & 0x80) || !request->report.replace_old_word_base)
        return 0;
    return !request->report.replace_old_word_base(request->report.context);
}

static void remove_user_dictionaries(const char *folder)
{
    for (int i = 0; i < 64; i++) {
        char path[PATH_SIZE];
        if (user_dictionary_path(path, sizeof(path), folder, i))
            remove_own_file(path);
    }
}

static int destination_of(const Run *run, int row, char *path, size_t size)
{
    return format_text(path, size, "%s\\%s", run->request->folder, manifest[row].file_name);
}

static void drop_staged(Run *run, int row)
{
    if (run->rows[row].path[0])
        remove_own_file(run->rows[row].path);
    run->rows[row].path[0] = 0;
}

static void drop_all_staged(Run *run)
{
    for (int i = 0; i < manifest_rows; i++)
        drop_staged(run, i);
}

// Every file the run installs, inflated, checked and flushed under a temporary name beside its
// own, with the progress positions where the rows put them. Any failure is fatal: a stream that
// is missing or damaged means a damaged download, a short write a full disk.
static int stage_rows(Run *run, int keep_old)
{
    const InstallRequest *request = run->request;
    for (int i = 0; i < manifest_rows; i++) {
        const ManifestEntry *entry = &manifest[i];
        if (!entry->id) {
            report_progress(request, entry->progress);
            continue;
        }
        if (entry->keep_old && keep_old)
            continue;
        char tag[16], destination[PATH_SIZE];
        format_text(tag, sizeof(tag), "%d", i);
        // A name that does not fit is known before any byte is written.
        if (!destination_of(run, i, destination, sizeof(destination)))
            return 0;
        int staged = stage_payload(request->payload, entry->id, request->folder, tag, run->buffer,
                                   run->rows[i].path, sizeof(run->rows[i].path), &request->report);
        if (staged == STAGE_NO_MEMORY)
            report_notice(request, NOTICE_NO_MEMORY);
        if (staged != STAGE_OK)
            return 0;
        pump(request);
    }
    return 1;
}

// Files that cannot be replaced, found before anything changes: a required one ends the run,
// an optional one keeps its old file. The bits each new file carries over are read here too.
static int pass_over_blocked_rows(Run *run)
{
    for (int i = 0; i < manifest_rows; i++) {
        char destination[PATH_SIZE];
        if (!run->rows[i].path[0] || !destination_of(run, i, destination, sizeof(destination)))
            continue;
        int state = destination_state(destination);
        if (state == DESTINATION_IN_USE || state == DESTINATION_NOT_A_FILE) {
            if (manifest[i].stop_on_failure)
                return 0;
            drop_staged(run, i);
            continue;
        }
        DWORD bits = state == DESTINATION_FREE ? GetFileAttributesA(destination) : INVALID_FILE_ATTRIBUTES;
        run->rows[i].carried_bits = bits == INVALID_FILE_ATTRIBUTES ? 0 : bits & CARRIED_BITS;
    }
    return 1;
}

static int marker_path(const InstallRequest *request, char *path, size_t size)
{
    return format_text(path, size, "%s\\%s", request->folder, INSTALL_MARKER_NAME);
}

static int marker_present(const InstallRequest *request)
{
    char path[PATH_SIZE];
    DWORD bits =
        marker_path(request, path, sizeof(path)) ? GetFileAttributesA(path) : INVALID_FILE_ATTRIBUTES;
    return bits != INVALID_FILE_ATTRIBUTES && !(bits & FILE_ATTRIBUTE_DIRECTORY);
}

static int leave_marker(const InstallRequest *request)
{
    char path[PATH_SIZE];
    if (!marker_path(request, path, sizeof(path)))
        return 0;
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file != INVALID_HANDLE_VALUE)
        return finish_temporary(file);
    // One left by a run cut short serves as well.
    return marker_present(request);
}

static void remove_marker(const InstallRequest *request)
{
    char path[PATH_SIZE];
    if (marker_path(request, path, sizeof(path)))
        remove_own_file(path);
}

// Each staged file moved over its name, in the manifest's order. The marker stays when a required
// file cannot be moved: the set is then mixed, and the next run replaces it all.
static int commit_rows(Run *run)
{
    const InstallRequest *request = run->request;
    if (!leave_marker(request))
        return 0;
    remove_user_dictionaries(request->folder);
    for (int i = 0; i < manifest_rows; i++) {
        const ManifestEntry *entry = &manifest[i];
        char destination[PATH_SIZE];
        if (!run->rows[i].path[0] || !destination_of(run, i, destination, sizeof(destination)))
            continue;
        if (commit_staged_file(run->rows[i].path, destination, run->rows[i].carried_bits, entry->read_only,
                               entry->hidden)) {
            run->rows[i].path[0] = 0;
        } else {
            drop_staged(run, i);
            if (entry->stop_on_failure)
                return 0;
        }
        pump(request);
    }
    remove_marker(request);
    return 1;
}

// The control-settings file beside the installer goes into the Windows folder: copied to a new
// temporary file there, then moved over the old one, which stays whole until then. Only a plain
// file is copied.
static void copy_control_settings(const InstallRequest *request, unsigned char *buffer)
{
    char source[PATH_SIZE], destination[PATH_SIZE], staged[PATH_SIZE];
    if (!format_text(source, sizeof(source), "%sSCtrlSet%c.bin", request->module_dir, '1') ||
        !format_text(destination, sizeof(destination), "%sSCtrlSet%c.bin", request->windows_dir, '1'))
        return;
    HANDLE from = CreateFileA(source, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                              FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_SEQUENTIAL_SCAN, NULL);
    if (from == INVALID_HANDLE_VALUE)
        return;
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(from, &info) || GetFileType(from) != FILE_TYPE_DISK ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))) {
        CloseHandle(from);
        return;
    }
    remove_leftovers(request->windows_dir);
    HANDLE to = create_temporary(request->windows_dir, "SCtrlSet1", staged, sizeof(staged));
    int copied = to != INVALID_HANDLE_VALUE;
    DWORD n = 0;
    while (copied && (copied = ReadFile(from, buffer, STAGE_BUFFER_SIZE, &n, NULL)) && n > 0)
        copied = write_all(to, buffer, n);
    CloseHandle(from);
    if (to == INVALID_HANDLE_VALUE)
        return;
    // As a copy keeps them: the source's time of last writing and its bits.
    copied = SetFileTime(to, NULL, NULL, &info.ftLastWriteTime) && copied;
    copied = finish_temporary(to) && copied;
    if (!copied || !replace_file(staged, destination)) {
        remove_own_file(staged);
        return;
    }
    protect_file(destination, info.dwFileAttributes & CARRIED_BITS,
                 info.dwFileAttributes & FILE_ATTRIBUTE_READONLY,
                 info.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN);
}

static int install_with(Run *run)
{
    const InstallRequest *request = run->request;
    report_progress(request, 10);
    // After a run cut short while it moved files, the word base may be half old: it is replaced.
    int keep_old = marker_present(request) ? 0 : keep_old_word_base(request);
    int staged = stage_rows(run, keep_old) && pass_over_blocked_rows(run);
    if (!staged || !commit_rows(run)) {
        drop_all_staged(run);
        return 0;
    }
    update_config_file(request->folder, request->display_ok, request->force_language);
    create_menu_group(request);
    report_progress(request, 94);
    create_chosen_shortcuts(request);
    report_progress(request, 97);
    report_progress(request, 100);
    copy_control_settings(request, run->buffer);
    return 1;
}

// A copy cut short, as by a broken download, can still start where the loader is lenient;
// then its payload cannot be vouched for and nothing is installed from it.
static int installer_file_is_whole(void)
{
    char path[PATH_SIZE];
    DWORD n = GetModuleFileNameA(NULL, path, sizeof(path));
    WIN32_FILE_ATTRIBUTE_DATA file;
    const unsigned char *image = (const unsigned char *)GetModuleHandleA(NULL);
    MEMORY_BASIC_INFORMATION headers;
    if (n == 0 || n >= sizeof(path) || !GetFileAttributesExA(path, GetFileExInfoStandard, &file) || !image ||
        VirtualQuery(image, &headers, sizeof(headers)) != sizeof(headers))
        return 1;
    unsigned long long extent = image_file_extent(image, headers.RegionSize);
    unsigned long long size = (unsigned long long)file.nFileSizeHigh << 32 | file.nFileSizeLow;
    return size >= extent;
}

// A folder made for a run that failed goes again, with its "doc", when nothing else is in them.
static void remove_new_folder(const InstallRequest *request)
{
    char doc[PATH_SIZE];
    if (format_text(doc, sizeof(doc), "%s\\doc", request->folder))
        RemoveDirectoryA(doc);
    RemoveDirectoryA(request->folder);
}

static int run_whole(const InstallRequest *request)
{
    if (!installer_file_is_whole())
        return 0;
    Run run = {request, (unsigned char *)malloc(STAGE_BUFFER_SIZE),
               (StagedRow *)calloc((size_t)manifest_rows, sizeof(StagedRow))};
    int result = 0;
    if (!run.buffer || !run.rows) {
        report_notice(request, NOTICE_NO_MEMORY);
    } else {
        char prefix[PATH_SIZE];
        // What a run cut short left under temporary names is no one's file.
        if (format_text(prefix, sizeof(prefix), "%s\\", request->folder))
            remove_leftovers(prefix);
        result = install_with(&run);
    }
    free(run.buffer);
    free(run.rows);
    return result;
}

int run_install(const InstallRequest *request)
{
    int result = run_whole(request);
    if (!result && request->folder_is_new)
        remove_new_folder(request);
    return result;
}
