// The install run: stages every file beside its name, commits them all, then configures and links.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "install/image_extent.h"
#include "install/install.h"
#include "install/manifest.h"
#include "install/replace.h"

static const char *const user_dictionaries[] = {"pykeys.dic", "Gbkflat.dic", "flatAuto.dic",
                                                "flatAdjust.dic"};

// What the run staged for one manifest row.
struct StagedRow {
    StagedPayload staged; // an empty path when nothing is staged for the row
    unsigned long carried_bits;
    int committed; // the staged file now holds the row's name
};

struct Run {
    const InstallRequest *request;
    unsigned char *buffer; // STAGE_BUFFER_SIZE bytes
    StagedRow *rows;       // one for each manifest row
    RunRecord *record;     // what an earlier run recorded, then what this one made
};

static const char MARKER_HEADER[] = "Tavik install marker 1\r\n";
static const char MARKER_REPLACING[] = "word base replaced\r\n";
static const char MARKER_KEEPING[] = "word base kept\r\n";

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

void report_step(const InstallRequest *request, int step, const char *name, unsigned long long value)
{
    if (request->report.step)
        request->report.step(request->report.context, step, name, value);
}

static int failed(const InstallRequest *request, int failure, const char *name)
{
    report_step(request, STEP_FAILED, name, (unsigned long long)failure);
    return 0;
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

static int marker_path(const InstallRequest *request, char *path, size_t size)
{
    return format_text(path, size, "%s\\%s", request->folder, INSTALL_MARKER_NAME);
}

// 1 when a run cut short left its marker saying it was replacing the word base: the word base may
// then be half old, half new. A marker that says anything else decides nothing.
static int killed_run_replaced_word_base(const InstallRequest *request)
{
    char path[PATH_SIZE], text[64] = "";
    if (!marker_path(request, path, sizeof(path)))
        return 0;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    DWORD got = 0;
    int read = ReadFile(file, text, sizeof(text) - 1, &got, NULL);
    CloseHandle(file);
    text[read ? got : 0] = 0;
    return strcmp(text, (std::string(MARKER_HEADER) + MARKER_REPLACING).c_str()) == 0;
}

// An old word base may stay when its "CiZuFlat.igb" exists and the first byte of its
// "pycizudic.idx" has bit 7 set; the user decides. 1 when it stays.
static int keep_old_word_base(const InstallRequest *request)
{
    char path[PATH_SIZE];
    if (!format_text(path, sizeof(path), "%s\\CiZuFlat.igb", request->folder) ||
        GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES)
        return 0;
    int first = EOF;
    FILE *index =
        format_text(path, sizeof(path), "%s\\pycizudic.idx", request->folder) ? fopen(path, "rb") : NULL;
    if (index) {
        first = fgetc(index);
        fclose(index);
    }
    int may_keep = first != EOF && (first & 0x80) && !killed_run_replaced_word_base(request);
    if (!request->report.old_word_base)
        return 0;
    int replace = request->report.old_word_base(request->report.context, may_keep);
    return may_keep && !replace;
}

static int is_user_dictionary(const char *name)
{
    for (const char *base : user_dictionaries)
        if (lstrcmpiA(name, base) == 0)
            return 1;
    return 0;
}

static void remove_user_dictionaries(const InstallRequest *request)
{
    for (int i = 0; i < 64; i++) {
        char path[PATH_SIZE];
        if (user_dictionary_path(path, sizeof(path), request->folder, i) && remove_name(path) == NAME_REMOVED)
            report_step(request, STEP_REMOVED, path + strlen(request->folder) + 1, 0);
    }
}

static int destination_of(const Run *run, int row, char *path, size_t size)
{
    return format_text(path, size, "%s\\%s", run->request->folder, manifest[row].file_name);
}

static void drop_staged(Run *run, int row)
{
    if (run->rows[row].staged.path[0])
        remove_own_file(run->rows[row].staged.path);
    run->rows[row].staged.path[0] = 0;
}

static void drop_all_staged(Run *run)
{
    for (int i = 0; i < manifest_rows; i++)
        drop_staged(run, i);
}

static int failure_of(int stage_result)
{
    switch (stage_result) {
    case STAGE_MISSING:
    case STAGE_DAMAGED:
        return FAILURE_DAMAGED;
    case STAGE_DISK_FULL:
        return FAILURE_DISK_FULL;
    case STAGE_NO_MEMORY:
        return FAILURE_NO_MEMORY;
    default:
        return FAILURE_OTHER;
    }
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
        char tag[16], destination[PATH_SIZE];
        format_text(tag, sizeof(tag), "%d", i);
        // A name that does not fit is known before any byte is written.
        if (!destination_of(run, i, destination, sizeof(destination)))
            return failed(request, FAILURE_OTHER, entry->file_name);
        // A kept word base keeps its files; one that is missing is laid down all the same.
        if (entry->keep_old && keep_old && GetFileAttributesA(destination) != INVALID_FILE_ATTRIBUTES) {
            report_step(request, STEP_KEPT, entry->file_name, 0);
            continue;
        }
        int staged = stage_payload(request->payload, entry->id, request->folder, tag, run->buffer,
                                   &run->rows[i].staged, &request->report);
        if (staged == STAGE_NO_MEMORY)
            report_notice(request, NOTICE_NO_MEMORY);
        if (staged != STAGE_OK)
            return failed(request, failure_of(staged), entry->file_name);
        report_step(request, STEP_STAGED, entry->file_name, run->rows[i].staged.size);
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
        if (!run->rows[i].staged.path[0] || !destination_of(run, i, destination, sizeof(destination)))
            continue;
        int state = destination_state(destination);
        if (state == DESTINATION_IN_USE || state == DESTINATION_NOT_A_FILE) {
            if (manifest[i].stop_on_failure)
                return failed(run->request, state == DESTINATION_IN_USE ? FAILURE_IN_USE : FAILURE_OTHER,
                              manifest[i].file_name);
            report_step(run->request, STEP_KEPT, manifest[i].file_name, 0);
            drop_staged(run, i);
            continue;
        }
        // A user dictionary's name is removed before the moves: its new file starts afresh.
        DWORD bits = state == DESTINATION_FREE && !is_user_dictionary(manifest[i].file_name)
                         ? GetFileAttributesA(destination)
                         : INVALID_FILE_ATTRIBUTES;
        run->rows[i].carried_bits = bits == INVALID_FILE_ATTRIBUTES ? 0 : bits & CARRIED_BITS;
    }
    return 1;
}

// The marker says whether this run replaces the word base; one a run cut short left is replaced.
static int leave_marker(const InstallRequest *request, int keep_old)
{
    char prefix[PATH_SIZE], path[PATH_SIZE];
    std::string text = std::string(MARKER_HEADER) + (keep_old ? MARKER_KEEPING : MARKER_REPLACING);
    return format_text(prefix, sizeof(prefix), "%s\\", request->folder) &&
           marker_path(request, path, sizeof(path)) &&
           replace_with_bytes(prefix, path, "mark", text.data(), text.size());
}

static void remove_marker(const InstallRequest *request)
{
    char path[PATH_SIZE];
    if (marker_path(request, path, sizeof(path)))
        remove_own_file(path);
}

// Each staged file moved over its name, in the manifest's order. The marker stays when a required
// file cannot be moved: the set is then mixed, and the next run replaces it all.
static int commit_rows(Run *run, int keep_old)
{
    const InstallRequest *request = run->request;
    if (!leave_marker(request, keep_old))
        return 0;
    remove_user_dictionaries(request);
    for (int i = 0; i < manifest_rows; i++) {
        const ManifestEntry *entry = &manifest[i];
        char destination[PATH_SIZE];
        if (!run->rows[i].staged.path[0] || !destination_of(run, i, destination, sizeof(destination)))
            continue;
        if (commit_staged_file(run->rows[i].staged.path, destination, run->rows[i].carried_bits,
                               entry->read_only, entry->hidden)) {
            run->rows[i].staged.path[0] = 0;
            run->rows[i].committed = 1;
            report_step(request, STEP_MOVED, entry->file_name, run->rows[i].staged.size);
        } else {
            drop_staged(run, i);
            if (entry->stop_on_failure)
                return failed(request, FAILURE_IN_USE, entry->file_name);
            report_step(request, STEP_KEPT, entry->file_name, 0);
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
    // Only the copy's own temporary names: the Windows folder is everyone's.
    remove_leftovers(request->windows_dir, "SCtrlSet1");
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
    report_step(request, STEP_SETTINGS, destination, 0);
    protect_file(destination, info.dwFileAttributes & CARRIED_BITS,
                 info.dwFileAttributes & FILE_ATTRIBUTE_READONLY,
                 info.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN);
}

// What this run made, and of what an earlier run recorded what is still there: files this run did
// not lay down (a kept word base, an optional file in use) and shortcuts it did not save again.
static void record_run(Run *run)
{
    const InstallRequest *request = run->request;
    RunRecord *record = run->record;
    int laid_down = 0;
    for (int i = 0; i < manifest_rows; i++)
        laid_down |= run->rows[i].committed;
    // Nothing changed: an earlier record stays as it was, and a folder made for the run stays empty.
    if (!laid_down)
        return;
    char path[PATH_SIZE];
    record->made_folder = record->made_folder || request->folder_is_new;
    record->made_doc = record->made_doc ||
                       (request->folder_is_new &&
                        format_text(path, sizeof(path), "%s\\doc", request->folder) && is_plain_folder(path));
    for (int i = 0; i < manifest_rows && i < RECORD_FILE_SLOTS; i++) {
        RecordedFile *file = &record->files[i];
        if (!manifest[i].file_name || !destination_of(run, i, path, sizeof(path)))
            continue;
        if (run->rows[i].committed)
            *file = {1, run->rows[i].staged.size, run->rows[i].staged.crc};
        file->listed = file->listed && GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
    }
    // The configuration was edited after its move: the record takes its bytes as they are now.
    for (int i = 0; i < manifest_rows && i < RECORD_FILE_SLOTS; i++)
        if (run->rows[i].committed && lstrcmpiA(manifest[i].file_name, "chipadui.ini") == 0 &&
            destination_of(run, i, path, sizeof(path)))
            record->files[i].listed = file_size_and_crc(path, &record->files[i].size, &record->files[i].crc);
    int kept = 0;
    for (int i = 0; i < record->link_count; i++)
        if (GetFileAttributesA(record->links[i]) != INVALID_FILE_ATTRIBUTES)
            memmove(record->links[kept++], record->links[i], RECORD_LINK_SIZE);
    record->link_count = kept;
    if (write_run_record(request->folder, record) &&
        format_text(path, sizeof(path), "%s\\%s", request->folder, INSTALL_RECORD_NAME))
        report_step(request, STEP_RECORD, path, 0);
}

static int install_with(Run *run)
{
    const InstallRequest *request = run->request;
    report_progress(request, 10);
    int keep_old = keep_old_word_base(request);
    int staged = stage_rows(run, keep_old) && pass_over_blocked_rows(run);
    if (!staged) {
        drop_all_staged(run);
        return 0;
    }
    if (!commit_rows(run, keep_old)) {
        drop_all_staged(run);
        // Part of the set may be new: the record lists what this run laid down so far.
        record_run(run);
        return 0;
    }
    update_config_file(request->folder, request->display_ok, request->force_language);
    char key[32];
    report_step(request, STEP_CONFIG, request->display_ok ? "UseBmpFont=0" : "UseBmpFont=1", 0);
    if (format_text(key, sizeof(key), "ForceLanguage=%d", request->force_language))
        report_step(request, STEP_CONFIG, key, 0);
    create_menu_group(request, run->record);
    report_progress(request, 94);
    create_chosen_shortcuts(request, run->record);
    record_run(run);
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

// A folder made for a run that failed goes again, with its "doc", when nothing else is in them; a
// link put at either name is never entered or removed.
static void remove_new_folder(const InstallRequest *request)
{
    char doc[PATH_SIZE], folder[PATH_SIZE];
    if (format_text(doc, sizeof(doc), "%s\\doc", request->folder))
        remove_own_folder(doc);
    if (folder_for_calls(folder, sizeof(folder), request->folder))
        remove_own_folder(folder);
}

static int run_whole(const InstallRequest *request)
{
    if (!installer_file_is_whole())
        return failed(request, FAILURE_DAMAGED, NULL);
    Run run = {request, (unsigned char *)malloc(STAGE_BUFFER_SIZE),
               (StagedRow *)calloc((size_t)manifest_rows, sizeof(StagedRow)),
               (RunRecord *)calloc(1, sizeof(RunRecord))};
    int result = 0;
    if (!run.buffer || !run.rows || !run.record || manifest_rows > RECORD_FILE_SLOTS) {
        report_notice(request, NOTICE_NO_MEMORY);
        failed(request, FAILURE_NO_MEMORY, NULL);
    } else {
        char prefix[PATH_SIZE];
        // What a run cut short left under temporary names is no one's file.
        if (format_text(prefix, sizeof(prefix), "%s\\", request->folder))
            remove_leftovers(prefix, NULL);
        read_run_record(request->folder, run.record);
        result = install_with(&run);
    }
    free(run.buffer);
    free(run.rows);
    free(run.record);
    return result;
}

int run_install(const InstallRequest *request)
{
    int result = run_whole(request);
    if (!result && request->folder_is_new)
        remove_new_folder(request);
    return result;
}
