// The benchmark program: install run against its floor and NSIS, start-up, memory, and a smoke mode.
#include "bench.h"

#include <commctrl.h>
#include <psapi.h>
#include <stdlib.h>
#include <string.h>

#include "install/install.h"
#include "install/manifest.h"
#include "resources/ids.h"
#include "app/app.h"
#include "ui/ui.h"
#include "wizard/wizard.h"

static const char WIZARD_TITLE[] = "Tavik Chinese Input Engine Installer";

struct Options {
    const char *mode;
    const char *out;
    const char *setup;
    const char *scratch;
    int reps;
    int sample_only;                     // the sample payload set alone, no smaller or larger sets
    int index;                           // repetition number of a one-shot mode
    std::vector<std::string> installers; // NSIS: label, exe; start-up: label, title, exe
};

struct PayloadSet {
    const char *name;
    HMODULE module;
    int copies;
};

static HMODULE load_setup(const char *path)
{
    return LoadLibraryExA(path, NULL, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
}

static std::string folder_of(const Options *o, const char *what, int copy)
{
    return std::string(o->scratch) + "\\" + what + "-" + std::to_string(copy);
}

// The manifest's files in both folders with the same sizes; the run edits its configuration file.
static int same_files(const std::string &a, const std::string &b)
{
    for (int i = 0; i < manifest_rows; i++) {
        if (!manifest[i].id || !strcmp(manifest[i].file_name, "chipadui.ini"))
            continue;
        WIN32_FILE_ATTRIBUTE_DATA x, y;
        if (!GetFileAttributesExA((a + "\\" + manifest[i].file_name).c_str(), GetFileExInfoStandard, &x) ||
            !GetFileAttributesExA((b + "\\" + manifest[i].file_name).c_str(), GetFileExInfoStandard, &y) ||
            x.nFileSizeLow != y.nFileSizeLow || x.nFileSizeHigh != y.nFileSizeHigh) {
            fprintf(stderr, "bench: %s differs between %s and %s\n", manifest[i].file_name, a.c_str(),
                    b.c_str());
            return 0;
        }
    }
    return 1;
}

static int manifest_files(void)
{
    int files = 0;
    for (int i = 0; i < manifest_rows; i++)
        files += manifest[i].id != 0;
    return files;
}

// One timed install of a payload set: the floor or the run, into fresh folders.
static double time_set(const Options *o, const PayloadSet *set, int floor, int *ok)
{
    const char *what = floor ? "floor" : "run";
    for (int c = 0; c < set->copies; c++)
        if (!fresh_folder(folder_of(o, what, c)))
            *ok = 0;
    use_payload(set->module);
    double start = now_seconds();
    for (int c = 0; c < set->copies; c++)
        if (!(floor ? run_floor(folder_of(o, what, c)) : run_engine(folder_of(o, what, c))))
            *ok = 0;
    return now_seconds() - start;
}

static int check_and_clear(const Options *o, const PayloadSet *set)
{
    int ok = 1;
    for (int c = 0; c < set->copies; c++) {
        unsigned long long bytes = 0;
        std::string floor = folder_of(o, "floor", c), run = folder_of(o, "run", c);
        if (count_files(run, &bytes) != manifest_files() || !same_files(floor, run))
            ok = 0;
        remove_tree(floor);
        remove_tree(run);
    }
    return ok;
}

// One whole silent install, from CreateProcess to exit; switches go before the NSIS-style /D=,
// which must come last.
static double time_silent(const Options *o, const std::string &label, const std::string &exe,
                          const char *switches, int *ok, WizardMemory *memory)
{
    std::string folder = std::string(o->scratch) + "\\" + label;
    remove_tree(folder);
    DWORD code = 0;
    double seconds = time_process("\"" + exe + "\" /S " + switches + "/D=" + folder, &code, memory);
    unsigned long long bytes = 0;
    int files = count_files(folder, &bytes);
    if (seconds < 0 || code != 0 || files != manifest_files()) {
        fprintf(stderr, "bench: %s exit %lu, %d files\n", label.c_str(), code, files);
        *ok = 0;
    }
    remove_tree(folder);
    return seconds;
}

static int record_breakdown(FILE *out, const Options *o, const char *group, int rep)
{
    PhaseTimes t = {};
    std::string folder = folder_of(o, "phases", 0), side = folder_of(o, "phases", 1);
    fresh_folder(folder);
    fresh_folder(side);
    use_payload(load_setup(o->setup));
    double start = now_seconds();
    int ok = run_instrumented(folder, side, rep % 2, &t);
    double total = now_seconds() - start - t.floor_write;
    const struct {
        const char *name;
        double value;
    } phases[] = {{"stage", t.stage},
                  {"probe", t.probe},
                  {"move", t.move},
                  {"checks", t.checks},
                  {"removal", t.removal},
                  {"shortcuts", t.shortcuts},
                  {"config", t.config},
                  {"progress", t.progress},
                  {"allocation", t.allocation},
                  {"total", total},
                  {"floor write", t.floor_write}};
    for (const auto &p : phases)
        record(out, group, p.name, rep, p.value);
    remove_tree(folder);
    remove_tree(side);
    return ok;
}

static int bench_install(const Options *o, FILE *out)
{
    HMODULE setup = load_setup(o->setup);
    CreateDirectoryA(o->scratch, NULL);
    if (!setup || !prepare_engine(setup, std::string(o->scratch) + "\\engine")) {
        fprintf(stderr, "bench: cannot load %s or prepare the engine\n", o->setup);
        return 0;
    }
    std::string sets = std::string(o->scratch) + "\\sets";
    CreateDirectoryA(sets.c_str(), NULL);
    std::vector<PayloadSet> scales;
    if (!o->sample_only) {
        scales.push_back({"0.25", make_payload_set(setup, sets + "\\quarter.exe", 0.25, ULONG_MAX), 1});
        scales.push_back({"0.5", make_payload_set(setup, sets + "\\half.exe", 0.5, ULONG_MAX), 1});
    }
    scales.push_back({"1", setup, 1});
    if (!o->sample_only)
        scales.push_back({"2", setup, 2});
    const PayloadSet *sample = &scales[o->sample_only ? 0 : 2];
    for (const auto &s : scales)
        if (!s.module) {
            fprintf(stderr, "bench: payload set %s not made\n", s.name);
            return 0;
        }

    int ok = 1;
    // The first run in a process loads COM and the shell (measured apart, --cold): warm up.
    time_set(o, sample, 1, &ok);
    time_set(o, sample, 0, &ok);
    ok = check_and_clear(o, sample) && ok;

    const int set_count = (int)scales.size();
    int jobs = set_count + (int)o->installers.size() / 2;
    for (int rep = 0; rep < o->reps; rep++) {
        // Alternate the order so that drift on a shared machine hits every measure alike.
        for (int k = 0; k < jobs; k++) {
            int job = rep % 2 ? jobs - 1 - k : k;
            if (job < set_count) {
                const PayloadSet *set = &scales[job];
                for (int step = 0; step < 2; step++) {
                    int floor = (step + rep) % 2 == 0;
                    double seconds = time_set(o, set, floor, &ok);
                    record(out, "time", std::string(floor ? "floor x" : "run x") + set->name, rep, seconds);
                }
                if (!check_and_clear(o, set))
                    ok = 0;
            } else {
                int n = job - set_count;
                const std::string &label = o->installers[2 * n];
                record(out, "time", label, rep,
                       time_silent(o, label, o->installers[2 * n + 1], "", &ok, NULL));
            }
        }
    }
    for (int rep = 0; rep < o->reps; rep++)
        ok = record_breakdown(out, o, "phase", rep) && ok;
    return ok;
}

// The first install of a process, as the installer makes it: COM, the shell and the payload's
// pages are met for the first time. Either run_install then the floor, or the instrumented pass.
static int bench_cold(const Options *o, FILE *out, int phases)
{
    HMODULE setup = load_setup(o->setup);
    CreateDirectoryA(o->scratch, NULL);
    if (!setup || !prepare_engine(setup, std::string(o->scratch) + "\\engine"))
        return 0;
    if (phases)
        return record_breakdown(out, o, "cold-phase", o->index);
    PayloadSet sample = {"1", setup, 1};
    int ok = 1;
    record(out, "cold", "run", o->index, time_set(o, &sample, 0, &ok));
    record(out, "cold", "floor", o->index, time_set(o, &sample, 1, &ok));
    return check_and_clear(o, &sample) && ok;
}

// What a user gets, each in a fresh process measured from outside: TavikSetup.exe from the
// click on the last page to the bar at 100, TavikSetup.exe's and each NSIS installer's whole
// silent install, memory sampled every millisecond the same way for all. One unrecorded round
// first, so that every installer meets the same prefix (its links and Start-menu group already
// there). The silent TavikSetup.exe is asked for the start-up link the NSIS script also makes.
static int bench_user(const Options *o, FILE *out)
{
    char setup_path[MAX_PATH];
    if (!GetFullPathNameA(o->setup, sizeof(setup_path), setup_path, NULL))
        return 0;
    CreateDirectoryA(o->scratch, NULL);
    std::string folder = folder_of(o, "user", 0);
    int jobs = 2 + (int)o->installers.size() / 2;
    int ok = 1;
    for (int rep = -1; rep < o->reps; rep++) {
        for (int k = 0; k < jobs; k++) {
            int job = rep % 2 ? jobs - 1 - k : k;
            // Each starts on a settled machine, whatever ran before it (the wizard's final wait
            // would otherwise give only the job after it a pause).
            Sleep(1000);
            WizardMemory m = {};
            std::string label = "tavik";
            double seconds;
            if (job == 0) {
                int walked = walk_wizard(setup_path, folder, &m);
                seconds = walked ? m.bar_full_seconds : -1;
                if (!walked || m.installed_files != manifest_files()) {
                    fprintf(stderr, "bench: wizard reached %d, %d files\n", m.reached, m.installed_files);
                    ok = 0;
                }
                remove_tree(folder);
            } else if (job == 1) {
                label = "silent";
                seconds = time_silent(o, label, setup_path, "/AUTOSTART ", &ok, &m);
            } else {
                label = o->installers[2 * (job - 2)];
                seconds = time_silent(o, label, o->installers[2 * (job - 2) + 1], "", &ok, &m);
            }
            if (rep < 0)
                continue;
            record(out, "user", label, rep, seconds);
            record(out, "user", label + " peak private", rep, (double)m.peak_private);
            record(out, "user", label + " peak working set", rep, (double)m.peak_working_set);
            if (job == 0) {
                record(out, "user", "tavik idle private", rep, (double)m.idle_private);
                record(out, "user", "tavik idle working set", rep, (double)m.idle_working_set);
                record(out, "user", "tavik final message", rep, m.install_seconds);
            }
        }
    }
    return ok;
}

static int bench_startup(const Options *o, FILE *out)
{
    int ok = 1;
    int count = (int)o->installers.size() / 3;
    for (int rep = 0; rep < o->reps; rep++)
        for (int k = 0; k < count; k++) {
            int n = (k + rep) % count;
            const std::string &label = o->installers[3 * n];
            double seconds = time_first_window("\"" + o->installers[3 * n + 2] + "\"",
                                               o->installers[3 * n + 1].c_str(), 60);
            if (seconds < 0) {
                fprintf(stderr, "bench: no first page from %s\n", label.c_str());
                ok = 0;
            }
            record(out, "startup", label, rep, seconds);
        }
    return ok;
}

struct Sampler {
    volatile LONG stop;
    SIZE_T peak_private, peak_working_set;
};

static DWORD WINAPI sample_own_memory(LPVOID data)
{
    Sampler *s = (Sampler *)data;
    while (!s->stop) {
        PROCESS_MEMORY_COUNTERS_EX c = {};
        c.cb = sizeof(c);
        if (GetProcessMemoryInfo(GetCurrentProcess(), (PROCESS_MEMORY_COUNTERS *)&c, sizeof(c))) {
            if (c.PagefileUsage > s->peak_private)
                s->peak_private = c.PagefileUsage;
            if (c.WorkingSetSize > s->peak_working_set)
                s->peak_working_set = c.WorkingSetSize;
        }
        Sleep(1);
    }
    return 0;
}

static void own_memory(SIZE_T *private_bytes, SIZE_T *working_set)
{
    PROCESS_MEMORY_COUNTERS_EX c = {};
    c.cb = sizeof(c);
    GetProcessMemoryInfo(GetCurrentProcess(), (PROCESS_MEMORY_COUNTERS *)&c, sizeof(c));
    *private_bytes = c.PagefileUsage;
    *working_set = c.WorkingSetSize;
}

// Runs step with a sampler beside it; records the rise of private bytes and working set.
static void measure_rise(FILE *out, const char *name, int (*step)(void *), void *data)
{
    Sampler sampler = {};
    SIZE_T private_before, ws_before, private_after, ws_after;
    own_memory(&private_before, &ws_before);
    sampler.peak_private = private_before;
    sampler.peak_working_set = ws_before;
    HANDLE thread = CreateThread(NULL, 0, sample_own_memory, &sampler, 0, NULL);
    Sleep(20);
    int ok = step(data);
    Sleep(20);
    InterlockedExchange(&sampler.stop, 1);
    if (thread) {
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
    }
    own_memory(&private_after, &ws_after);
    std::string n = name;
    record(out, "memory", n + " ok", 0, ok);
    record(out, "memory", n + " private rise", 0, (double)private_after - (double)private_before);
    record(out, "memory", n + " private peak rise", 0, (double)sampler.peak_private - (double)private_before);
    record(out, "memory", n + " working set rise", 0, (double)ws_after - (double)ws_before);
    record(out, "memory", n + " working set peak rise", 0,
           (double)sampler.peak_working_set - (double)ws_before);
}

static int atlas_step(void *)
{
    return load_glyph_atlas() == ATLAS_OK;
}

static int install_step(void *folder)
{
    return run_engine(*(std::string *)folder);
}

static int bench_memory(const Options *o, FILE *out)
{
    HMODULE setup = load_setup(o->setup);
    CreateDirectoryA(o->scratch, NULL);
    if (!setup || !prepare_engine(setup, std::string(o->scratch) + "\\engine"))
        return 0;
    g_drawing.instance = setup;
    measure_rise(out, "atlas", atlas_step, NULL);
    std::string folder = folder_of(o, "memory", 0);
    fresh_folder(folder);
    measure_rise(out, "run", install_step, &folder);
    remove_tree(folder);

    char setup_path[MAX_PATH];
    if (!GetFullPathNameA(o->setup, sizeof(setup_path), setup_path, NULL))
        return 0;
    WizardMemory m;
    int walked = walk_wizard(setup_path, folder_of(o, "wizard", 0), &m);
    record(out, "memory", "wizard reached", 0, m.reached);
    record(out, "memory", "wizard files", 0, m.installed_files);
    if (walked) {
        record(out, "memory", "wizard idle working set", 0, (double)m.idle_working_set);
        record(out, "memory", "wizard idle private", 0, (double)m.idle_private);
        record(out, "memory", "wizard peak working set", 0, (double)m.peak_working_set);
        record(out, "memory", "wizard peak private", 0, (double)m.peak_private);
        record(out, "memory", "wizard install step seconds", 0, m.install_seconds);
    }
    remove_tree(folder_of(o, "wizard", 0));

    // What Wine itself holds for a program that shows one window.
    for (size_t i = 0; i + 2 < o->installers.size(); i += 3) {
        SIZE_T working_set = 0, private_bytes = 0;
        if (first_window_memory("\"" + o->installers[i + 2] + "\"", o->installers[i + 1].c_str(),
                                &working_set, &private_bytes)) {
            record(out, "memory", o->installers[i] + " idle working set", 0, (double)working_set);
            record(out, "memory", o->installers[i] + " idle private", 0, (double)private_bytes);
        }
    }
    return 1;
}

// The start-up steps of TavikSetup.exe, timed one by one in a fresh process up to the
// visible first page.
static int bench_startup_steps(const Options *o, FILE *out)
{
    FILETIME created, exited, kernel, user, now;
    GetSystemTimePreciseAsFileTime(&now);
    double entered = now_seconds();
    if (GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) {
        ULARGE_INTEGER a = {{created.dwLowDateTime, created.dwHighDateTime}};
        ULARGE_INTEGER b = {{now.dwLowDateTime, now.dwHighDateTime}};
        record(out, "step", "process start to main", o->index, (double)(b.QuadPart - a.QuadPart) / 1e7);
    }
    HMODULE setup = load_setup(o->setup);
    if (!setup)
        return 0;
    double start = now_seconds();
    SetCursor(LoadCursorA(NULL, (LPCSTR)IDC_WAIT));
    probe_environment();
    g_state.instance = setup;
    g_drawing.instance = setup;
    g_drawing.ansi_text_output = g_state.is_nt;
    double t1 = now_seconds();
    create_test_font();
    double t2 = now_seconds();
    int atlas = load_glyph_atlas();
    double t3 = now_seconds();
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    double t4 = now_seconds();
    g_state.app_icon = LoadIconA(setup, MAKEINTRESOURCEA(IDI_APP));
    double t5 = now_seconds();
    g_state.wizard_window = CreateDialogParamA(setup, MAKEINTRESOURCEA(IDD_WIZARD), NULL, wizard_proc, 0);
    double t6 = now_seconds();
    int visible = g_state.wizard_window && IsWindowVisible(g_state.wizard_window);
    const struct {
        const char *name;
        double seconds;
    } steps[] = {{"loading the setup module (bench only)", start - entered},
                 {"probe", t1 - start},
                 {"test font", t2 - t1},
                 {"glyph atlas", t3 - t2},
                 {"common controls", t4 - t3},
                 {"icon", t5 - t4},
                 {"wizard dialog", t6 - t5}};
    for (const auto &step : steps)
        record(out, "step", step.name, o->index, step.seconds);
    if (g_state.wizard_window)
        DestroyWindow(g_state.wizard_window);
    release_glyph_atlas();
    return atlas == ATLAS_OK && visible;
}

// A handful of bytes per payload through every path of the benchmark, checked.
static int bench_smoke(const Options *o)
{
    FILE *out = stdout;
    HMODULE setup = load_setup(o->setup);
    CreateDirectoryA(o->scratch, NULL);
    if (!setup || !prepare_engine(setup, std::string(o->scratch) + "\\engine")) {
        fprintf(stderr, "smoke: cannot load %s or prepare the engine\n", o->setup);
        return 0;
    }
    PayloadSet tiny = {"tiny", make_payload_set(setup, std::string(o->scratch) + "\\tiny.exe", 1.0, 64), 1};
    if (!tiny.module) {
        fprintf(stderr, "smoke: no tiny payload set\n");
        return 0;
    }
    int ok = 1;
    record(out, "time", "floor tiny", 0, time_set(o, &tiny, 1, &ok));
    record(out, "time", "run tiny", 0, time_set(o, &tiny, 0, &ok));
    unsigned long long floor_bytes = 0, run_bytes = 0;
    std::string floor = folder_of(o, "floor", 0), run = folder_of(o, "run", 0);
    int floor_files = count_files(floor, &floor_bytes);
    int run_files = count_files(run, &run_bytes);
    if (!ok || floor_files != manifest_files() || run_files != manifest_files() || floor_bytes == 0 ||
        !same_files(floor, run)) {
        fprintf(stderr, "smoke: floor %d files %llu bytes, run %d files %llu bytes\n", floor_files,
                floor_bytes, run_files, run_bytes);
        return 0;
    }
    PhaseTimes t = {};
    std::string phases = folder_of(o, "phases", 0), side = folder_of(o, "phases", 1);
    fresh_folder(phases);
    fresh_folder(side);
    use_payload(tiny.module);
    if (!run_instrumented(phases, side, 0, &t) || count_files(phases, &run_bytes) != manifest_files() ||
        !same_files(phases, run) || !same_files(side, floor)) {
        fprintf(stderr, "smoke: instrumented run failed\n");
        return 0;
    }
    remove_tree(phases);
    remove_tree(side);
    check_and_clear(o, &tiny);
    record(out, "phase", "stage", 0, t.stage);
    char setup_path[MAX_PATH];
    double startup = GetFullPathNameA(o->setup, sizeof(setup_path), setup_path, NULL)
                         ? time_first_window("\"" + std::string(setup_path) + "\"", WIZARD_TITLE, 60)
                         : -1;
    record(out, "startup", "tavik", 0, startup);
    if (startup < 0) {
        fprintf(stderr, "smoke: the wizard did not show\n");
        return 0;
    }
    printf("bench smoke: ok\n");
    return 1;
}

static int parse(int argc, char **argv, Options *o)
{
    o->setup = getenv("TAVIK_SETUP_EXE");
    o->scratch = "C:\\tavik-bench";
    o->reps = 5;
    for (int i = 1; i < argc; i++) {
        const char *a = argv[i];
        int more = i + 1 < argc;
        if (!strcmp(a, "--smoke") || !strcmp(a, "--install") || !strcmp(a, "--startup") ||
            !strcmp(a, "--memory") || !strcmp(a, "--startup-steps") || !strcmp(a, "--cold") ||
            !strcmp(a, "--cold-phases") || !strcmp(a, "--user"))
            o->mode = a + 2;
        else if (!strcmp(a, "--out") && more)
            o->out = argv[++i];
        else if (!strcmp(a, "--setup") && more)
            o->setup = argv[++i];
        else if (!strcmp(a, "--scratch") && more)
            o->scratch = argv[++i];
        else if (!strcmp(a, "--index") && more)
            o->index = atoi(argv[++i]);
        else if (!strcmp(a, "--sample-only"))
            o->sample_only = 1;
        else if (!strcmp(a, "--reps") && more)
            o->reps = atoi(argv[++i]);
        else if (a[0] != '-')
            o->installers.push_back(a);
        else
            return 0;
    }
    if (!o->mode || o->reps <= 0)
        return 0;
    if (!strcmp(o->mode, "startup"))
        return o->out && !o->installers.empty() && o->installers.size() % 3 == 0;
    return o->setup && (!strcmp(o->mode, "smoke") || o->out);
}

int main(int argc, char **argv)
{
    Options o = {};
    if (!parse(argc, argv, &o)) {
        fprintf(stderr, "usage: tavik_bench --smoke [--setup EXE]\n"
                        "       tavik_bench --install --out FILE [--reps N] [--setup EXE] [--scratch DIR]"
                        " [--sample-only] [LABEL NSIS-EXE]...\n"
                        "       tavik_bench --user --out FILE [--reps N] [--setup EXE] [--scratch DIR]"
                        " [LABEL NSIS-EXE]...\n"
                        "       tavik_bench --startup --out FILE [--reps N] LABEL TITLE EXE...\n"
                        "       tavik_bench --startup-steps --out FILE [--setup EXE] [--index N]\n"
                        "       tavik_bench --cold|--cold-phases --out FILE [--setup EXE] [--index N]\n"
                        "       tavik_bench --memory --out FILE [--setup EXE] [--scratch DIR]"
                        " [LABEL TITLE EXE]...\n");
        return 2;
    }
    if (!strcmp(o.mode, "smoke"))
        return bench_smoke(&o) ? 0 : 1;
    FILE *out = fopen(o.out, "a");
    if (!out) {
        fprintf(stderr, "bench: cannot write %s\n", o.out);
        return 2;
    }
    int ok = 0;
    if (!strcmp(o.mode, "install"))
        ok = bench_install(&o, out);
    else if (!strcmp(o.mode, "startup"))
        ok = bench_startup(&o, out);
    else if (!strcmp(o.mode, "user"))
        ok = bench_user(&o, out);
    else if (!strcmp(o.mode, "startup-steps"))
        ok = bench_startup_steps(&o, out);
    else if (!strcmp(o.mode, "cold") || !strcmp(o.mode, "cold-phases"))
        ok = bench_cold(&o, out, !strcmp(o.mode, "cold-phases"));
    else
        ok = bench_memory(&o, out);
    fclose(out);
    return ok ? 0 : 1;
}
