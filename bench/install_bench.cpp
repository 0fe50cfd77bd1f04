// The install run, its floor and its instrumented twin, on whichever payload module the bench uses.
#include "bench.h"

#include <commctrl.h>
#include <stdlib.h>

#include "install/install.h"
#include "install/manifest.h"
#include "install/replace.h"
#include "resources/ids.h"
#include "base/base.h"
#include "app/app.h"
#include "wizard/wizard.h"

// The one request every run of the bench makes; the payload and folder change between runs.
static InstallRequest request;
static char module_folder[PATH_SIZE], windows_folder[PATH_SIZE];
static HWND progress_bar;

// One staged file of the instrumented pass.
typedef StagedPayload StagedFile;

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
    request.report = {progress_bar, show_progress, NULL, print_notice, NULL, NULL};
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
    unsigned char *buffer = (unsigned char *)malloc(FLOOR_BUFFER_SIZE);
    if (!buffer)
        return 0;
    int ok = 1;
    for (int i = 0; i < manifest_rows; i++) {
        const ManifestEntry *entry = &manifest[i];
        if (!entry->id)
            continue;
        unsigned long size = 0;
        char path[PATH_SIZE];
        if (!inflate_payload(request.payload, entry->id, buffer, FLOOR_BUFFER_SIZE, &size) ||
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

// The same file made the floor's way into side, for comparison; not part of the run.
static double floor_twin_seconds(const std::string &side, const ManifestEntry *entry, unsigned char *buffer)
{
    char twin[PATH_SIZE];
    unsigned long size = 0;
    if (!format_text(twin, sizeof(twin), "%s\\%s", side.c_str(), entry->file_name))
        return 0;
    double start = now_seconds();
    if (inflate_payload(request.payload, entry->id, buffer, FLOOR_BUFFER_SIZE, &size))
        write_floor_file(twin, buffer, size);
    return now_seconds() - start;
}

// The run's staging: every file inflated in chunks into a new temporary file and flushed.
static int stage_timed(HWND bar, unsigned char *buffer, unsigned char *floor_buffer, StagedFile *staged,
                       const std::string &side, int order, PhaseTimes *times)
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
        // Whichever write comes second finds more dirty pages ahead of it: take turns.
        int twin_first = (i + order) % 2;
        if (twin_first)
            times->floor_write += floor_twin_seconds(side, entry, floor_buffer);
        char tag[16];
        format_text(tag, sizeof(tag), "%d", i);
        start = now_seconds();
        if (stage_payload(request.payload, entry->id, request.folder, tag, buffer, &staged[i],
                          &request.report) != STAGE_OK)
            ok = 0;
        times->stage += now_seconds() - start;
        if (!twin_first)
            times->floor_write += floor_twin_seconds(side, entry, floor_buffer);
    }
    return ok;
}

// The in-use probe, then the marker, the removal pass and the moves, as the run makes them.
static int commit_timed(StagedFile *staged, PhaseTimes *times)
{
    char path[PATH_SIZE];
    double start = now_seconds();
    for (int i = 0; i < manifest_rows; i++)
        if (staged[i].path[0] &&
            format_text(path, sizeof(path), "%s\\%s", request.folder, manifest[i].file_name))
            (void)destination_state(path);
    times->probe += now_seconds() - start;

    char marker[PATH_SIZE];
    start = now_seconds();
    int ok = format_text(marker, sizeof(marker), "%s\\~tvkinstall.mark", request.folder);
    HANDLE file = ok ? CreateFileA(marker, GENERIC_WRITE, 0, NULL, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, NULL)
                     : INVALID_HANDLE_VALUE;
    ok = file != INVALID_HANDLE_VALUE && finish_temporary(file);
    times->checks += now_seconds() - start;

    start = now_seconds();
    for (int i = 0; i < 64; i++)
        if (user_dictionary_path(path, sizeof(path), request.folder, i))
            remove_own_file(path);
    times->removal += now_seconds() - start;

    start = now_seconds();
    for (int i = 0; i < manifest_rows; i++) {
        const ManifestEntry *entry = &manifest[i];
        if (!entry->id)
            continue;
        if (!staged[i].path[0] ||
            !format_text(path, sizeof(path), "%s\\%s", request.folder, entry->file_name) ||
            !commit_staged_file(staged[i].path, path, 0, entry->read_only, entry->hidden))
            ok = 0;
    }
    times->move += now_seconds() - start;

    start = now_seconds();
    if (!remove_own_file(marker))
        ok = 0;
    times->checks += now_seconds() - start;
    return ok;
}

int run_instrumented(const std::string &folder, const std::string &side, int order, PhaseTimes *times)
{
    request.folder = folder.c_str();
    HWND bar = progress_bar;
    unsigned char *floor_buffer = (unsigned char *)malloc(FLOOR_BUFFER_SIZE);
    double start = now_seconds();
    unsigned char *buffer = (unsigned char *)malloc(STAGE_BUFFER_SIZE);
    StagedFile *staged = (StagedFile *)calloc((size_t)manifest_rows, sizeof(StagedFile));
    times->allocation += now_seconds() - start;
    if (!buffer || !staged || !floor_buffer) {
        free(buffer);
        free(staged);
        free(floor_buffer);
        return 0;
    }

    char path[PATH_SIZE];
    start = now_seconds();
    if (format_text(path, sizeof(path), "%s\\", request.folder))
        remove_leftovers(path, NULL);
    times->checks += now_seconds() - start;

    start = now_seconds();
    ShowWindow(bar, SW_SHOW);
    set_progress(bar, 10);
    times->progress += now_seconds() - start;

    start = now_seconds();
    if (format_text(path, sizeof(path), "%s\\~tvkinstall.mark", request.folder))
        (void)GetFileAttributesA(path);
    if (format_text(path, sizeof(path), "%s\\CiZuFlat.igb", request.folder))
        (void)GetFileAttributesA(path);
    times->checks += now_seconds() - start;

    int ok = stage_timed(bar, buffer, floor_buffer, staged, side, order, times);
    ok = commit_timed(staged, times) && ok;

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
        (void)GetFileAttributesA(path);
    times->checks += now_seconds() - start;

    start = now_seconds();
    free(buffer);
    free(staged);
    times->allocation += now_seconds() - start;
    free(floor_buffer);
    return ok;
}
