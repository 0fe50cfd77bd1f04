// TVKUnInstall.exe: the question, the hand-over to a copy in the temporary folder, the closing message.
#include <stdlib.h>
#include <string.h>
#include <windows.h>

#include <tlhelp32.h>

#include "app/app.h"
#include "app/switches.h"
#include "base/base.h"
#include "resources/ids.h"
#include "ui/ui.h"
#include "uninstall/uninstall.h"

// The copy's arguments: the switch, the inherited handle of the first process, the folder.
static const char REMOVE_SWITCH[] = "/remove ";
// The first process ends as soon as the copy has started; a slow system gets this long.
static const DWORD ORIGINAL_END_TIMEOUT_MS = 30000;
static const int COPY_NAME_TRIES = 100;
// The copy takes the lock its first process let go; another setup may be holding it meanwhile.
static const DWORD LOCK_WAIT_MS = 5000;

struct SystemProbe {
    int is_nt;
    int os_major_is_3;
};

static SystemProbe probe_system(void)
{
    SystemProbe probe = {};
    read_platform(&probe.is_nt, &probe.os_major_is_3);
    g_drawing.ansi_text_output = probe.is_nt;
    return probe;
}

// This program's path, and its folder in its long form (the form the shortcuts store) and kept form
// ("C:" for a drive's root).
static int own_paths(char *program, char *folder, size_t size)
{
    DWORD n = GetModuleFileNameA(NULL, program, (DWORD)size);
    if (n == 0 || n >= size)
        return 0;
    char cut[PATH_SIZE], calls[PATH_SIZE];
    if (!copy_text(cut, sizeof(cut), program))
        return 0;
    char *last = last_backslash(cut);
    if (!last)
        return 0;
    *last = 0;
    if (!folder_for_calls(calls, sizeof(calls), cut))
        return 0;
    DWORD k = GetLongPathNameA(calls, folder, (DWORD)size);
    if (!(k > 0 && k < size) && !copy_text(folder, size, calls))
        return 0;
    drop_trailing_backslash(folder);
    return 1;
}

// A new file "~tvkuninstall-<pid>-<n>.exe" in the temporary folder holding this program's bytes;
// an existing name is never opened. Its path goes to copy, the folder to temp.
static int copy_to_temp(const char *program, char *copy, char *temp, size_t size)
{
    DWORD n = GetTempPathA((DWORD)size, temp);
    if (n == 0 || n >= size)
        return 0;
    HANDLE from = CreateFileA(program, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, NULL);
    if (from == INVALID_HANDLE_VALUE)
        return 0;
    HANDLE to = INVALID_HANDLE_VALUE;
    for (int i = 0; i < COPY_NAME_TRIES && to == INVALID_HANDLE_VALUE; i++) {
        if (!format_text(copy, size, "%s~tvkuninstall-%lu-%d.exe", temp, GetCurrentProcessId(), i))
            break;
        to = CreateFileA(copy, GENERIC_WRITE, 0, NULL, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, NULL);
        DWORD error = GetLastError();
        if (to == INVALID_HANDLE_VALUE && error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
            break;
    }
    if (to == INVALID_HANDLE_VALUE) {
        CloseHandle(from);
        return 0;
    }
    static unsigned char buffer[0x10000];
    DWORD got = 0, put = 0;
    int copied = 1;
    while (copied && (copied = ReadFile(from, buffer, sizeof(buffer), &got, NULL) != 0) && got > 0)
        copied = WriteFile(to, buffer, got, &put, NULL) && put == got;
    CloseHandle(from);
    copied = CloseHandle(to) && copied;
    if (!copied)
        DeleteFileA(copy);
    return copied;
}

// Starts the copy, working in the temporary folder so that nothing holds the install folder, with a
// handle on this process that it inherits to wait on.
static int start_copy(const char *copy, const char *temp, const char *folder, HANDLE report)
{
    HANDLE self = NULL;
    if (!DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &self,
                         SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, TRUE, 0))
        return 0;
    char line[3 * PATH_SIZE], calls[PATH_SIZE];
    int started = 0;
    // A drive's root goes as "C:\\": "C:" alone is the copy's current folder on that drive.
    if (folder_for_calls(calls, sizeof(calls), folder) &&
        format_text(line, sizeof(line), "\"%s\" %s%llx %llx %s", copy, REMOVE_SWITCH,
                    (unsigned long long)(ULONG_PTR)self, (unsigned long long)(ULONG_PTR)report, calls)) {
        STARTUPINFOA startup = {};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION process = {};
        started = CreateProcessA(copy, line, NULL, NULL, TRUE, 0, NULL, temp, &startup, &process) != 0;
        if (started) {
            CloseHandle(process.hThread);
            CloseHandle(process.hProcess);
        }
    }
    CloseHandle(self);
    return started;
}

// "/remove <process handle> <report pipe, 0 for none> <folder>", handles in hex; 0 for anything else.
static int parse_removal(const char *arguments, unsigned long long *handle, unsigned long long *report,
                         char *folder, size_t size)
{
    size_t switch_length = sizeof(REMOVE_SWITCH) - 1;
    if (!arguments || strncmp(arguments, REMOVE_SWITCH, switch_length) != 0)
        return 0;
    const char *digits = arguments + switch_length;
    char *end = NULL;
    *handle = strtoull(digits, &end, 16);
    if (end == digits || *end != ' ')
        return 0;
    digits = end + 1;
    *report = strtoull(digits, &end, 16);
    if (end == digits || *end != ' ' || !end[1] || !copy_text(folder, size, end + 1))
        return 0;
    drop_trailing_backslash(folder);
    return 1;
}

// The process that started this one; 0 when it cannot be told.
static DWORD parent_process_id(void)
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return 0;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    DWORD parent = 0, self = GetCurrentProcessId();
    for (BOOL more = Process32First(snapshot, &entry); more && !parent;
         more = Process32Next(snapshot, &entry))
        if (entry.th32ProcessID == self)
            parent = entry.th32ParentProcessID;
    CloseHandle(snapshot);
    return parent;
}

// Only the handle the first process gave on itself: not this process's own pseudo-handle (which
// would name this copy and let it run without the question), nor any other process's.
static int is_parent_handle(HANDLE handle)
{
    if (handle == GetCurrentProcess() || handle == GetCurrentThread() || handle == NULL)
        return 0;
    DWORD parent = parent_process_id(), named = GetProcessId(handle);
    return parent != 0 && named == parent;
}

struct Outcome {
    char first_not_removed[PATH_SIZE];
    char first_changed[PATH_SIZE];
    HANDLE report; // the first process's pipe for the log lines of a removal without a person
};

// A line for the first process's log.
static void report_line(HANDLE report, const char *text)
{
    char line[4096];
    DWORD written = 0;
    log_stamp_utf8(line, sizeof(line) - 1, text);
    size_t length = strlen(line);
    line[length++] = '\n';
    WriteFile(report, line, (DWORD)length, &written, NULL);
}

static void note(void *context, int notice, const char *path)
{
    Outcome *outcome = (Outcome *)context;
    static const char *const notices[] = {
        "in use, left in place: ", "shortcut kept (it starts something else): ", "kept (not the setup's): ",
        "kept (changed since the install): ", "removed "};
    char text[2 * PATH_SIZE];
    if (outcome->report && notice >= 0 && notice < 5 &&
        format_text(text, sizeof(text), "%s%s", notices[notice], path))
        report_line(outcome->report, text);
    char *first = notice == UNINSTALL_NOT_REMOVED    ? outcome->first_not_removed
                  : notice == UNINSTALL_CHANGED_KEPT ? outcome->first_changed
                                                     : NULL;
    if (first && !first[0])
        copy_text_truncated(first, PATH_SIZE, path);
}

// A closing message that names one file.
static void show_naming(int text, const char *path)
{
    char copy[PATH_SIZE], message[80];
    copy_text_truncated(copy, sizeof(copy), path);
    char *last = last_backslash(copy);
    const char *name = last ? last + 1 : copy;
    // The name cut short rather than the whole text lost.
    if (!format_text(message, sizeof(message), message_texts[text].chinese, name))
        copy_text_truncated(message, sizeof(message), message_texts[text].chinese);
    show_message(message, message_texts[text].english, MESSAGE_NOTICE, NULL);
}

static int exit_code_of(int result)
{
    switch (result) {
    case UNINSTALL_ALL_GONE:
        return EXIT_DONE;
    case UNINSTALL_FOLDER_KEPT:
        return EXIT_FILES_KEPT;
    case UNINSTALL_SOME_NOT_GONE:
        return EXIT_FILE_IN_USE;
    default:
        return EXIT_NOT_INSTALLED;
    }
}

// The copy's part without a person: the first process holds the lock for it and waits for its word;
// all but the running uninstaller goes, the word goes back with the log lines, and once the first
// process has ended the uninstaller and its folder go too.
static int remove_for_caller(UninstallRequest *request, Outcome *outcome, HANDLE original)
{
    request->program_running = 1;
    UninstallLeft left = {};
    int code = exit_code_of(run_uninstall(request, &left));
    char text[32];
    format_text(text, sizeof(text), "exit %d", code);
    report_line(outcome->report, text);
    CloseHandle(outcome->report);
    WaitForSingleObject(original, ORIGINAL_END_TIMEOUT_MS);
    if (take_setup_lock(LOCK_WAIT_MS))
        finish_uninstall(request, &left);
    return code;
}

// The copy's part: waits for the first process, removes, and tells how it went.
static int remove_install(const char *arguments, SystemProbe probe)
{
    unsigned long long value = 0, report = 0;
    char folder[PATH_SIZE];
    if (!parse_removal(arguments, &value, &report, folder, sizeof(folder)))
        return 1;
    HANDLE original = (HANDLE)(ULONG_PTR)value;
    // Started by hand, with a made-up handle or this process's own, the copy does nothing.
    if (!is_parent_handle(original))
        return 1;
    Outcome outcome = {};
    UninstallRequest request = {folder, probe.is_nt, probe.os_major_is_3, {&outcome, note}, 0};
    outcome.report = (HANDLE)(ULONG_PTR)report;
    if (outcome.report) {
        if (GetFileType(outcome.report) != FILE_TYPE_PIPE)
            return 1;
        return remove_for_caller(&request, &outcome, original);
    }
    WaitForSingleObject(original, ORIGINAL_END_TIMEOUT_MS);
    CloseHandle(original);
    if (load_glyph_atlas() != ATLAS_OK)
        return 1;
    // The first process's lock went with it; another setup may have taken it since.
    if (!take_setup_lock(LOCK_WAIT_MS)) {
        show_text_message(MSG_ANOTHER_SETUP, MESSAGE_NOTICE, NULL);
        return 1;
    }
    switch (run_uninstall(&request)) {
    case UNINSTALL_ALL_GONE:
        show_text_message(MSG_UNINSTALL_DONE, MESSAGE_NOTICE, NULL);
        return 0;
    case UNINSTALL_FOLDER_KEPT:
        if (outcome.first_changed[0])
            show_naming(MSG_UNINSTALL_CHANGED, outcome.first_changed);
        else
            show_text_message(MSG_UNINSTALL_FOLDER_KEPT, MESSAGE_NOTICE, NULL);
        return 0;
    case UNINSTALL_SOME_NOT_GONE:
        show_naming(MSG_UNINSTALL_IN_USE, outcome.first_not_removed);
        return 2;
    default:
        show_text_message(MSG_UNINSTALL_NOT_INSTALLED, MESSAGE_NOTICE, NULL);
        return 1;
    }
}

// "exit <digits>" and nothing else.
static int is_word(const char *text)
{
    if (strncmp(text, "exit ", 5) != 0 || !text[5])
        return 0;
    for (text += 5; *text; text++)
        if (*text < '0' || *text > '9')
            return 0;
    return 1;
}

// The log lines the copy sends, into the log, up to its word on how the removal went.
static int wait_for_word(HANDLE pipe)
{
    char buffer[8192];
    size_t held = 0;
    int code = EXIT_FAILED;
    DWORD got = 0;
    while (ReadFile(pipe, buffer + held, (DWORD)(sizeof(buffer) - 1 - held), &got, NULL) && got > 0) {
        held += got;
        buffer[held] = 0;
        char *start = buffer, *end;
        while ((end = strchr(start, '\n')) != NULL) {
            *end = 0;
            // "<stamp>  exit <code>" ends the word; anything else is a line of the log. The stamp holds
            // no two blanks in a row, so a folder named "x  exit 0" cannot pass for the word.
            const char *text = strstr(start, "  ");
            if (text && is_word(text + 2))
                code = atoi(text + 7);
            else
                log_utf8(start);
            start = end + 1;
        }
        held = strlen(start);
        memmove(buffer, start, held + 1);
        // A line longer than the buffer is no line of the copy's.
        if (held == sizeof(buffer) - 1)
            held = 0;
    }
    return code;
}

// The first process's part without a person: no question, the copy started as with one, and its
// word waited for, so that the caller reads how the removal went from this process's exit code.
static int hand_over_for_caller(const SetupChoices *choices)
{
    char program[PATH_SIZE], folder[PATH_SIZE], copy[PATH_SIZE], temp[PATH_SIZE];
    if (choices->bad) {
        log_line("unknown or malformed switch: %s", choices->bad_switch);
        return EXIT_BAD_COMMAND_LINE;
    }
    if (!own_paths(program, folder, sizeof(folder)) || !looks_like_install(folder)) {
        log_line("this folder holds no Tavik installation; nothing was removed");
        return EXIT_NOT_INSTALLED;
    }
    if (!take_setup_lock(0)) {
        log_line("another Tavik setup or uninstaller is running");
        return EXIT_ANOTHER_SETUP;
    }
    log_line("removing the install in %s", folder);
    SECURITY_ATTRIBUTES inherited = {sizeof(inherited), NULL, TRUE};
    HANDLE read_end = NULL, write_end = NULL;
    if (!copy_to_temp(program, copy, temp, sizeof(copy)) ||
        !CreatePipe(&read_end, &write_end, &inherited, 0)) {
        log_line("the uninstaller could not be copied to the temporary folder; nothing was removed");
        return EXIT_FAILED;
    }
    SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
    int started = start_copy(copy, temp, folder, write_end);
    CloseHandle(write_end);
    int code = EXIT_FAILED;
    if (started)
        code = wait_for_word(read_end);
    else
        DeleteFileA(copy);
    CloseHandle(read_end);
    if (!started)
        log_line("the uninstaller could not start from the temporary folder; nothing was removed");
    return code;
}

// The first process's part: the question, then the copy that can remove this program too.
static int ask_and_hand_over(void)
{
    char program[PATH_SIZE], folder[PATH_SIZE], copy[PATH_SIZE], temp[PATH_SIZE];
    if (!own_paths(program, folder, sizeof(folder)) || !looks_like_install(folder)) {
        show_text_message(MSG_UNINSTALL_NOT_INSTALLED, MESSAGE_NOTICE, NULL);
        return 1;
    }
    if (!take_setup_lock(0)) {
        show_text_message(MSG_ANOTHER_SETUP, MESSAGE_NOTICE, NULL);
        return 1;
    }
    if (show_text_message(MSG_UNINSTALL_QUESTION, MESSAGE_QUESTION, NULL) != IDC_MSG_YES)
        return 0;
    if (!copy_to_temp(program, copy, temp, sizeof(copy))) {
        show_text_message(MSG_UNINSTALL_CANNOT_START, MESSAGE_NOTICE, NULL);
        return 1;
    }
    if (!start_copy(copy, temp, folder, NULL)) {
        DeleteFileA(copy);
        show_text_message(MSG_UNINSTALL_CANNOT_START, MESSAGE_NOTICE, NULL);
        return 1;
    }
    return 0;
}

int run_uninstaller(HINSTANCE instance, const char *arguments)
{
    SystemProbe probe = probe_system();
    g_drawing.instance = instance;
    set_message_caption(uninstaller_caption);
    int code;
    if (arguments && strncmp(arguments, REMOVE_SWITCH, sizeof(REMOVE_SWITCH) - 1) == 0) {
        code = remove_install(arguments, probe);
    } else {
        SetupChoices choices;
        read_switches(arguments, SWITCHES_UNINSTALLER, &choices);
        open_setup_log(&choices, "TVKUnInstall", arguments);
        if (choices.mode != MODE_WIZARD && !choices.help)
            return close_setup_log(hand_over_for_caller(&choices));
        int atlas = load_glyph_atlas();
        if (atlas != ATLAS_OK)
            code = atlas == ATLAS_NO_GDI ? 0 : EXIT_CANNOT_START;
        else if (choices.help || choices.bad)
            code = show_long_message(uninstaller_usage_chinese, uninstaller_usage_english, NULL) >= 0 &&
                           !choices.bad
                       ? EXIT_DONE
                       : EXIT_BAD_COMMAND_LINE;
        else
            code = ask_and_hand_over();
        code = close_setup_log(code);
    }
    release_drawing_kit();
    return code;
}
