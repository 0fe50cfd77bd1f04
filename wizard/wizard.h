// The wizard: its pages and navigation, the folder chooser, the destination and the install step.
#ifndef TAVIK_WIZARD_H
#define TAVIK_WIZARD_H

#include <windows.h>

#include "base/base.h"
#include "install/install.h"

// The installer's one process-wide record: what it found out about the system and what the
// user chose.
struct InstallerState {
    HINSTANCE instance;
    int is_nt;
    int os_major_is_3;
    int dbcs_system;
    int system_chinese;          // 0 not Chinese, 1 simplified, 2 traditional
    char module_dir[PATH_SIZE];  // ends in a backslash
    char windows_dir[PATH_SIZE]; // ends in a backslash
    char default_folder_name[32];
    HICON app_icon;
    int default_command = 1001; // the command Enter posts away from push buttons
    HWND wizard_window;
    int wizard_page;             // 0..3 pages, 99 installing, -1 finished
    char install_dir[PATH_SIZE]; // no trailing backslash
    int created_install_dir;     // the install step made install_dir itself
    int display_ok;
    int want_desktop_icon;
    int want_auto_start;
    int force_language; // 0 English, 1 simplified, 2 traditional
};

extern InstallerState g_state;

INT_PTR CALLBACK wizard_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
void show_page(HWND dialog, int page);

// The folder chooser. The hook keeps the folder the dialog is in, without a trailing
// backslash, in g_state.install_dir; choose_folder opens the chooser over owner and
// copies the chosen folder into out (1), or leaves it alone when the user cancels (0).
UINT_PTR CALLBACK folder_hook_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
int choose_folder(HWND owner, char *out, size_t size);

// The destination made ready from a typed path: checked, tidied and kept in its long form in
// install_dir; an existing folder taken when it is safe, a missing one created with its "doc".
struct DestinationAsk {
    void *context;
    // Asked when an existing folder holds files of anyone's and no sign of Tavik: 1 installs there.
    int (*holds_files)(void *context);
};
enum { DESTINATION_READY, DESTINATION_REFUSED, DESTINATION_DECLINED };
int prepare_destination(const char *typed, const DestinationAsk *ask);

// The install step's pieces: the folder from the path edit made ready (0 after the folder
// message, or after the user declined a folder of theirs), the mouse pointer brought onto the
// wizard, and the step itself up to its final message.
int prepare_install_dir(HWND dialog);
void park_pointer(HWND dialog);
void install_step(HWND dialog);
// The wizard as it is while it installs: buttons hidden, the wait pointer, the step under way.
void enter_installing_view(HWND dialog);
// The engine run for the choices in the installer state, telling report; 1 when it got through.
int run_install_with(const InstallCallbacks *report);
// Callbacks for the engine: the bar of the wizard (context), its messages handled meanwhile, and
// each step of the run written to the log when there is one.
void show_install_progress(void *dialog, int position);
void pump_install_messages(void *context);
void log_install_step(void *context, int step, const char *name, unsigned long long value);
// The Windows folder into the state, with its trailing backslash; 1 when it could be read.
int read_windows_dir(void);

// Within the wizard.
int is_ticked(HWND dialog, int id);
// 1 once both licence texts are in their controls.
int load_licence_texts(HWND dialog);

#endif
