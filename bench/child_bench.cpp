// Installers run as processes of their own: silent installs, time to the first page, the wizard walked.

#include "bench.h"

#include <commctrl.h>
#include <psapi.h>
#include "resources/ids.h"

static const char WIZARD_TITLE[] = "Tavik Chinese Input Engine Installer";
static const char MESSAGE_TITLE[] = "Mereda Install Message";

static int start_process(const std::string &command_line, PROCESS_INFORMATION *process)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    std::vector<char> line(command_line.begin(), command_line.end());
    line.push_back(0);
    *process = {};
    if (!CreateProcessA(NULL, line.data(), NULL, NULL, FALSE, 0, NULL, NULL, &startup, process))
        return 0;
    CloseHandle(process->hThread);
    return 1;
}

static void end_process(PROCESS_INFORMATION *process)
{
    if (WaitForSingleObject(process->hProcess, 0) != WAIT_OBJECT_0) {
        TerminateProcess(process->hProcess, 0);
        WaitForSingleObject(process->hProcess, 10000);
    }
    CloseHandle(process->hProcess);
}

// A visible top-level window of that process with that title.
static HWND window_of(DWORD pid, const char *title)
{
    HWND window = NULL;
    while ((window = FindWindowExA(NULL, window, NULL, title)) != NULL) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == pid && IsWindowVisible(window))
            return window;
    }
    return NULL;
}

static HWND wait_window(const PROCESS_INFORMATION *process, const char *title, double timeout)
{
    double start = now_seconds();
    while (now_seconds() - start < timeout) {
        HWND window = window_of(process->dwProcessId, title);
        if (window)
            return window;
        if (WaitForSingleObject(process->hProcess, 0) == WAIT_OBJECT_0)
            return NULL;
        Sleep(1);
    }
    return NULL;
}

double time_first_window(const std::string &command_line, const char *title, double timeout)
{
    PROCESS_INFORMATION process;
    double start = now_seconds();
    if (!start_process(command_line, &process))
        return -1;
    HWND window = wait_window(&process, title, timeout);
    double seconds = now_seconds() - start;
    end_process(&process);
    return window ? seconds : -1;
}

static void sample_memory(HANDLE process, WizardMemory *memory, int idle)
{
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof(counters);
    if (!GetProcessMemoryInfo(process, (PROCESS_MEMORY_COUNTERS *)&counters, sizeof(counters)))
        return;
    // Private bytes as the commit charge; Wine reports resident anonymous memory
    // there (and no PrivateUsage), so the peak comes from sampling.
    SIZE_T private_bytes = counters.PagefileUsage;
    if (counters.PrivateUsage > private_bytes)
        private_bytes = counters.PrivateUsage;
    if (idle) {
        memory->idle_working_set = counters.WorkingSetSize;
        memory->idle_private = private_bytes;
    }
    if (counters.PeakWorkingSetSize > memory->peak_working_set)
        memory->peak_working_set = counters.PeakWorkingSetSize;
    if (counters.WorkingSetSize > memory->peak_working_set)
        memory->peak_working_set = counters.WorkingSetSize;
    if (counters.PeakPagefileUsage > private_bytes)
        private_bytes = counters.PeakPagefileUsage;
    if (private_bytes > memory->peak_private)
        memory->peak_private = private_bytes;
}

// Samples one process's memory every millisecond from outside until told to stop.
struct ProcessSampler {
    HANDLE process;
    volatile LONG stop;
    WizardMemory memory;
    HANDLE thread;
};

static DWORD WINAPI sample_process(LPVOID data)
{
    ProcessSampler *s = (ProcessSampler *)data;
    while (!s->stop) {
        sample_memory(s->process, &s->memory, 0);
        Sleep(1);
    }
    return 0;
}

static void start_sampler(ProcessSampler *s, HANDLE process, const WizardMemory *from)
{
    s->process = process;
    s->stop = 0;
    s->memory = *from;
    s->thread = CreateThread(NULL, 0, sample_process, s, 0, NULL);
}

static void stop_sampler(ProcessSampler *s, WizardMemory *into)
{
    InterlockedExchange(&s->stop, 1);
    if (s->thread) {
        WaitForSingleObject(s->thread, INFINITE);
        CloseHandle(s->thread);
    }
    *into = s->memory;
}

double time_process(const std::string &command_line, DWORD *exit_code, WizardMemory *memory)
{
    PROCESS_INFORMATION process;
    WizardMemory none = {};
    double start = now_seconds();
    if (!start_process(command_line, &process))
        return -1;
    ProcessSampler sampler;
    if (memory)
        start_sampler(&sampler, process.hProcess, &none);
    DWORD waited = WaitForSingleObject(process.hProcess, 600000);
    double seconds = now_seconds() - start;
    if (memory)
        stop_sampler(&sampler, memory);
    *exit_code = 259;
    if (waited == WAIT_OBJECT_0)
        GetExitCodeProcess(process.hProcess, exit_code);
    end_process(&process);
    return waited == WAIT_OBJECT_0 ? seconds : -1;
}

int first_window_memory(const std::string &command_line, const char *title, SIZE_T *working_set,
                        SIZE_T *private_bytes)
{
    PROCESS_INFORMATION process;
    if (!start_process(command_line, &process))
        return 0;
    HWND window = wait_window(&process, title, 60);
    WizardMemory memory = {};
    if (window) {
        Sleep(500);
        sample_memory(process.hProcess, &memory, 1);
    }
    end_process(&process);
    *working_set = memory.idle_working_set;
    *private_bytes = memory.idle_private;
    return window != NULL;
}

static int send_command(HWND window, int id)
{
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(window, id),
                               SMTO_ABORTIFHUNG, 10000, &result) != 0;
}

static int control_visible(HWND window, int id)
{
    HWND control = GetDlgItem(window, id);
    return control && IsWindowVisible(control);
}

// Pages 0 to 2 answered; returns 1 when the last page was reached.
static int walk_pages(HWND wizard, const std::string &folder)
{
    DWORD_PTR result = 0;
    SendMessageTimeoutA(GetDlgItem(wizard, IDC_PATH), WM_SETTEXT, 0, (LPARAM)folder.c_str(), SMTO_ABORTIFHUNG,
                        10000, &result);
    if (!send_command(wizard, IDC_NEXT) || !control_visible(wizard, IDC_DISPLAY_OK))
        return 0;
    SendMessageTimeoutA(GetDlgItem(wizard, IDC_DISPLAY_OK), BM_SETCHECK, BST_CHECKED, 0, SMTO_ABORTIFHUNG,
                        10000, &result);
    if (!send_command(wizard, IDC_NEXT) || !control_visible(wizard, IDC_LICENCE_ENGLISH))
        return 0;
    return send_command(wizard, IDC_NEXT) && control_visible(wizard, IDC_LANGUAGE);
}

int walk_wizard(const std::string &setup_exe, const std::string &folder, WizardMemory *memory)
{
    *memory = {};
    remove_tree(folder);
    PROCESS_INFORMATION process;
    if (!start_process("\"" + setup_exe + "\"", &process))
        return 0;
    HWND wizard = wait_window(&process, WIZARD_TITLE, 30);
    if (!wizard) {
        end_process(&process);
        return 0;
    }
    memory->reached = 1;
    Sleep(500);
    sample_memory(process.hProcess, memory, 1);
    if (!walk_pages(wizard, folder)) {
        end_process(&process);
        return 0;
    }
    // Timed from the click as a user sees it: the bar at 100 is read from outside, so the
    // process start and the walk are not in it, and the final wait of the wizard neither.
    ProcessSampler sampler;
    start_sampler(&sampler, process.hProcess, memory);
    HWND bar = GetDlgItem(wizard, IDC_PROGRESS);
    double start = now_seconds();
    PostMessageA(wizard, WM_COMMAND, MAKEWPARAM(IDC_NEXT, BN_CLICKED), (LPARAM)GetDlgItem(wizard, IDC_NEXT));
    HWND message = NULL;
    while (!message && now_seconds() - start < 180) {
        if (memory->reached < 2 && control_visible(wizard, IDC_PROGRESS))
            memory->reached = 2;
        if (memory->reached < 2 && now_seconds() - start > 20)
            break;
        DWORD_PTR position = 0;
        // The wizard answers between the engine's steps; a late answer only delays the reading.
        if (memory->reached == 2 && memory->bar_full_seconds == 0 &&
            SendMessageTimeoutA(bar, PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, 1000, &position) && position == 100)
            memory->bar_full_seconds = now_seconds() - start;
        message = window_of(process.dwProcessId, MESSAGE_TITLE);
        if (WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0)
            break;
        Sleep(1);
    }
    int reached = memory->reached;
    double bar_full = memory->bar_full_seconds;
    stop_sampler(&sampler, memory);
    memory->reached = reached;
    memory->bar_full_seconds = bar_full;
    if (message) {
        memory->install_seconds = now_seconds() - start;
        memory->reached = 3;
        PostMessageA(message, WM_COMMAND, MAKEWPARAM(IDC_MSG_OK, BN_CLICKED),
                     (LPARAM)GetDlgItem(message, IDC_MSG_OK));
        WaitForSingleObject(process.hProcess, 20000);
    }
    end_process(&process);
    unsigned long long bytes = 0;
    memory->installed_files = count_files(folder, &bytes);
    return memory->reached == 3 && memory->bar_full_seconds > 0;
}
