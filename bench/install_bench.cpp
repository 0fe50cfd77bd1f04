// The install run, its floor and its instrumented twin, on whichever payload module the bench uses.
#include "bench.h"

#include <commctrl.h>
#include <io.h>
#include <stdlib.h>

#include "install/install.h"
#include "install/manifest.h"
#include "resources/ids.h"
#include "base/base.h"
#include "app/app.h"
#include "wizard/wizard.h"

// The one request every run of the bench makes; the payload and folder change between runs.
static InstallRequest request;
static char module_folder[PATH_SIZE], windows_folder[PATH_SIZE];
static HWND progress_bar;

// As the wizard shows progress: the bar repaints at once, since the run holds the message loop.
static void show_progress(void *context, int position)
{
    HWND bar = (HWND)context;
    ShowWindow(bar, SW_SHOW);
    SendMessageA(bar, PBM_SETPOS, position, 0);
    UpdateWindow(bar);
}

// A notice would be a message box in the wizard; here it spoils the measurement, so it is told.
static void print_notice(void *, int notice, const char *file)
{
    fprintf(stderr, "bench: engine notice %d %s\n", notice, file ? file : "");
}

int prepare_engine(HMODULE module, const std::string &scratch)
{
    probe_environment();
    CreateDirectoryA(scratch.c_str(), NULL);
    std::string module_dir = scratch + "\\module";
    std::string windows_dir = scratch + "\\windows";
    if (!fresh_folder(module_dir) || !fresh_folder(windows_dir))
        return 0;
    // No SCtrlSet1.bin beside this "installer": the Windows folder copy is passed over.
    if (!format_text(module_folder, sizeof(module_folder), "%s\\", module_dir.c_str()) ||
        !format_text(windows_folder, sizeof(windows_folder), "%s\\", windows_dir.c_str()))
        return 0;

    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    HWND window = CreateWindowExA(0, "STATIC", "bench", WS_POPUP, 0, 0, 400, 60, NULL, NULL,
                                  GetModuleHandleA(NULL), NULL);
    progress_bar = window
                       ? CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD | PBS_SMOOTH, 10, 10, 294, 14,
                                         window, (HMENU)(INT_PTR)IDC_PROGRESS, GetModuleHandleA(NULL), NULL)
                       : NULL;
    request = {};
    request.payload = module;
    request.module_dir = module_folder;
    request.windows_dir = windows_folder;
    // What the system is, as the installer finds it at start-up.
    request.script = g_state.system_chinese;
    request.is_nt = g_state.is_nt;
    request.os_major_is_3 = g_state.os_major_is_3;
    request.display_ok = 1;
    request.force_language = 0;
    request.want_desktop_icon = 1;
    request.want_auto_start = 1;
    request.report = {progress_bar, show_progress, NULL, print_notice, NULL};
    return progress_bar != NULL;
}

void use_payload(HMODULE module)
{
    request.payload = module;
}

// One CreateFileA, one WriteFile, one CloseHandle: the least a file can cost.
static int write_floor_file(const char *path, const unsigned char *data, unsigned long size)
{
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    DWORD written = 0;
    int ok = WriteFile(file, data, size, &written, NULL) && written == size;
    return CloseHandle(file) && ok;
}

int run_floor(const std::string &folder)
{
    unsigned char *buffer = (unsigned char *)malloc(SCRATCH_SIZE);
    if (!buffer)
        return 0;
    int ok = 1;
    for (int i = 0; i < manifest_rows; i++) {
        const ManifestEntry *entry = &manifest[i];
        if (!entry->id)
            continue;
        unsigned long size = 0;
        char path[PATH_SIZE];
        if (!inflate_payload(request.payload, entry->id, buffer, SCRATCH_SIZE, &size) ||
            !format_text(path, sizeof(path), "%s\\%s", folder.c_str(), entry->file_name) ||
            !write_floor_file(path, buffer, size))
            ok = 0;
    }
    free(buffer);
    return ok;
}

int run_engine(const std::string &folder)
{
    request.folder = folder.c_str();
    return run_install(&request);
}

static void set_progress(HWND bar, int position)
{
    SendMessageA(bar, PBM_SETPOS, position, 0);
    UpdateWindow(bar);
}

// What write_install_file does around the write of a new file: the existence
// check before it, and reading and setting the requested bits after it.
static double existence_check_seconds(const char *path)
{
    char absent[PATH_SIZE];
    if (!format_text(absent, sizeof(absent), "%s.absent", path))
        return 0;
    double start = now_seconds();
    (void)_access(absent, 0);
    return now_seconds() - start;
}

static void attribute_calls(const char *path, int read_only, int hidden, PhaseTimes *times)
{
    if (!read_only && !hidden)
        return;
    double start = now_seconds();
    DWORD attributes = GetFileAttributesA(path);
    double read = now_seconds();
    times->attribute_reads += read - start;
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return;
    if (hidden)
        SetFileAttributesA(path, attributes | FILE_ATTRIBUTE_HIDDEN);
    if (read_only)
        SetFileAttributesA(path, attributes | (hidden ? FILE_ATTRIBUTE_HIDDEN : 0) | FILE_ATTRIBUTE_READONLY);
    times->attribute_sets += now_seconds() - read;
}

// The same bytes written the floor's way into side, for comparison; not part of the run.
static double floor_twin_seconds(const std::string &side, const char *file_name, const unsigned char *data,
                                 unsigned long size)
{
    char twin[PATH_SIZE];
    if (!format_text(twin, sizeof(twin), "%s\\%s", side.c_str(), file_name))
        return 0;
    double start = now_seconds();
    write_floor_file(twin, data, size);
    return now_seconds() - start;
}

static int lay_down_timed(HWND bar, unsigned char *scratch, const std::string &side, int order,
                          PhaseTimes *times)
{
    int ok = 1;
    for (int i = 0; i < manifest_rows; i++) {
        const ManifestEntry *entry = &manifest[i];
        double start = now_seconds();
        if (!entry->id) {
            set_progress(bar, entry->progress);
            times->progress += now_seconds() - start;
            continue;
        }
        unsigned long size = 0;
        int inflated = inflate_payload(request.payload, entry->id, scratch, SCRATCH_SIZE, &size);
        times->inflate += now_seconds() - start;
        char path[PATH_SIZE];
        if (!inflated || !format_text(path, sizeof(path), "%s\\%s", request.folder, entry->file_name)) {
            ok = 0;
            continue;
        }
        // Whichever write comes second finds more dirty pages ahead of it: take turns.
        int twin_first = (i + order) % 2;
        if (twin_first)
            times->floor_write += floor_twin_seconds(side, entry->file_name, scratch, size);
        double check = existence_check_seconds(path);
        start = now_seconds();
        if (!write_install_file(request.folder, entry->file_name, scratch, size, 0, 0))
            ok = 0;
        times->write += now_seconds() - start - check;
        times->existence += check;
        attribute_calls(path, entry->read_only, entry->hidden, times);
        if (!twin_first)
            times->floor_write += floor_twin_seconds(side, entry->file_name, scratch, size);
    }
    return ok;
}

int run_instrumented(const std::string &folder, const std::string &side, int order, PhaseTimes *times)
{
    request.folder = folder.c_str();
    HWND bar = progress_bar;
    double start = now_seconds();
    unsigned char *scratch = (unsigned char *)malloc(SCRATCH_SIZE);
    times->allocation += now_seconds() - start;
    if (!scratch)
        return 0;

    start = now_seconds();
    ShowWindow(bar, SW_SHOW);
    set_progress(bar, 10);
    times->progress += now_seconds() - start;

    char path[PATH_SIZE];
    start = now_seconds();
    if (format_text(path, sizeof(path), "%s\\CiZuFlat.igb", request.folder))
        (void)_access(path, 0);
    times->existence += now_seconds() - start;

    start = now_seconds();
    for (int i = 0; i < 64; i++)
        if (user_dictionary_path(path, sizeof(path), request.folder, i))
            remove_protected_file(path);
    times->removal += now_seconds() - start;

    int ok = lay_down_timed(bar, scratch, side, order, times);

    start = now_seconds();
    update_config_file(request.folder, request.display_ok, request.force_language);
    times->config += now_seconds() - start;

    start = now_seconds();
    create_menu_group(&request);
    double between = now_seconds();
    set_progress(bar, 94);
    double resumed = now_seconds();
    create_chosen_shortcuts(&request);
    double end = now_seconds();
    times->shortcuts += (between - start) + (end - resumed);
    times->progress += resumed - between;

    start = now_seconds();
    set_progress(bar, 97);
    set_progress(bar, 100);
    times->progress += now_seconds() - start;

    start = now_seconds();
    if (format_text(path, sizeof(path), "%sSCtrlSet%c.bin", request.module_dir, '1'))
        (void)_access(path, 0);
    times->existence += now_seconds() - start;

    start = now_seconds();
    free(scratch);
    times->allocation += now_seconds() - start;
    return ok;
}
