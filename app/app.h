// Process start-up and teardown: DLL search, probes, the drawing kit, the message loop.
#ifndef TAVIK_APP_H
#define TAVIK_APP_H

#include <windows.h>

void restrict_dll_search(void);
// The progress bar's class, from the system folder's COMCTL32 only; 1 when it is registered.
int load_common_controls(void);
void probe_environment(void);
void find_module_dir(void);
// The Enter-key rule applied to one message; returns 1 when it was consumed.
int apply_enter_key(const MSG *msg);
void run_message_loop(void);
// The lock every Tavik setup and uninstaller holds while it may change anything, taken within
// wait_ms; null when another one holds it. It is let go at the latest when the process ends.
HANDLE take_setup_lock(DWORD wait_ms);
void release_setup_lock(HANDLE lock);
// TavikSetup.exe: without arguments the wizard; with switches (app/switches.h) the wizard with
// those choices, the usage, or an install without a person.
int run_installer(HINSTANCE instance, const char *arguments);

// The version both programs give in their logs.
#define SETUP_VERSION "1.0.0"

// Exit codes of both programs, for the tools that deploy software (the wizard itself ends with 0).
enum {
    EXIT_DONE = 0,
    EXIT_CANNOT_START = 1,
    EXIT_DAMAGED = 13,          // the installer's own file: nothing changed
    EXIT_FILE_IN_USE = 32,      // a file the products need is held by another program
    EXIT_BAD_COMMAND_LINE = 87, // an unknown or malformed switch, or a log that cannot be written
    EXIT_DISK_FULL = 112,       // nothing changed
    EXIT_FILES_KEPT = 145,      // uninstalled, but the user's own or changed files keep the folder
    EXIT_FOLDER_REFUSED = 267,  // the folder is refused by the path rules, or holds the user's files
    EXIT_FAILED = 1603,         // nothing changed
    EXIT_NOT_INSTALLED = 1605,  // the uninstaller's folder holds no Tavik installation
    EXIT_ANOTHER_SETUP = 1618,
};

struct SetupChoices;
// Opens the log the switches ask for (program names the default file), with its first lines
// written; a log that cannot be opened marks the switches bad.
void open_setup_log(SetupChoices *choices, const char *program, const char *arguments);
// The last line of the log, the exit code, and the log closed; returns code.
int close_setup_log(int code);
// The install without a person: /S (no window) or /SILENT (the installing view only).
int run_unattended(HINSTANCE instance, const SetupChoices *choices);
// TVKUnInstall.exe: without arguments it asks and hands over to a copy of itself in the
// temporary folder, which removes the install once the first has ended.
int run_uninstaller(HINSTANCE instance, const char *arguments);

#endif
