// Drives a running TavikSetup.exe from outside: its windows, controls, keys, messages and shortcuts.
#ifndef TAVIK_E2E_DRIVER_H
#define TAVIK_E2E_DRIVER_H

#include <windows.h>

#include <string>
#include <vector>

#include "support/install_support.h"

#define WIZARD_CAPTION "Tavik Chinese Input Engine Installer"
#define MESSAGE_CAPTION "Mereda Install Message"
#define CHOOSER_CAPTION "Choose Destination Directory"
#define DIALOG_CLASS "#32770"

// One started installer process.
struct SetupProcess {
    HANDLE process;
    DWORD pid;
    DWORD thread_id; // the installer's one user-interface thread
    HWND wizard;
};

// Starts a program with arguments in the folder cwd (this one's when empty) without waiting for
// it, handing it this process's inheritable handles when inherit is set.
bool start_process(SetupProcess *process, const std::string &exe, const std::string &arguments,
                   const std::string &cwd, bool inherit = false);
// Starts the installer (TAVIK_SETUP_EXE unless exe is given) in the folder cwd
// and waits for its visible wizard; false when either fails.
bool start_setup(SetupProcess *setup, const std::string &cwd, const std::string &exe = "");
// Waits for the process to end; false on timeout. The exit code goes to *code.
bool wait_exit(SetupProcess *setup, DWORD timeout_ms, DWORD *code);
// Ends a process this test started that is still running, and releases its handle.
void end_setup(SetupProcess *setup);

// A visible top-level window of the process (any process when pid is 0) with that class (or any,
// when null) and title.
HWND find_window(DWORD pid, const char *cls, const char *title);
HWND wait_window(DWORD pid, const char *cls, const char *title, DWORD timeout_ms);
bool wait_gone(HWND window, DWORD timeout_ms);

// Controls of a window in the other process.
std::string control_text(HWND dialog, int id);
bool set_control_text(HWND dialog, int id, const std::string &text);
bool control_visible(HWND dialog, int id);
bool control_enabled(HWND dialog, int id);
int check_state(HWND dialog, int id);
// Clicks a check box the way the mouse does (it takes the focus, toggles and notifies).
void click_check(HWND dialog, int id);
// Sends the command of a push button without waiting: it may open a modal dialog.
void post_command(HWND dialog, int id);
// Moves the keyboard focus of the installer to a control of the dialog.
bool focus_control(SetupProcess *setup, HWND dialog, int id);
HWND focused_window(SetupProcess *setup);
// The installer thread's active window; another program on the display can take it away.
HWND active_window(SetupProcess *setup);
// Posts the key down and up of a virtual key to the focused control.
void press_key(SetupProcess *setup, int vk);
// The same for a key held down: its first key-down, then as many more as repeats with the
// repeat bit set, then the key-up.
void hold_key(SetupProcess *setup, int vk, int repeats);
// Posts a left-button press and release at the centre of a control, to the control itself.
void post_click(HWND dialog, int id);

// Real input through the X server, as a user gives it: xdotool with these arguments on the
// test's display. True when it ran and succeeded; returns once it has ended.
bool xdotool(const std::string &arguments);
// The pointer shape shown now (set by the thread that has the input).
HCURSOR shown_cursor(void);
// The centre of a window on the screen, in the coordinates xdotool takes.
POINT window_centre(HWND window);
// A screen point of the window's frame where the window reports hit (HTCAPTION, HTCLOSE),
// found along its caption; false when there is none.
bool find_hit_point(HWND window, int hit, POINT *at);
// True when the window's thread answers WM_NULL within timeout_ms (a hung thread is not
// waited for); the time it took goes to *took_ms.
bool answers_within(HWND window, DWORD timeout_ms, ULONGLONG *took_ms);
// Shows a window of this process over the rectangle, filled with colour, for ms milliseconds;
// true when the screen showed it.
bool cover_rect(const RECT &rect, COLORREF colour, DWORD ms);
// The screen's pixels in a rectangle as R,G,B rows; empty when the screen cannot be read.
std::vector<unsigned char> screen_pixels(const RECT &rect);

// Combo box and list box contents.
int combo_count(HWND dialog, int id);
int combo_selection(HWND dialog, int id);
std::string combo_item_text(HWND dialog, int id, int index);
LONG_PTR combo_item_data(HWND dialog, int id, int index);
bool select_combo_item(HWND dialog, int id, int index);
int list_count(HWND dialog, int id);
std::string list_item_text(HWND dialog, int id, int index);
int list_find(HWND dialog, int id, const std::string &text);

// Wizard pages: which page the visible controls form, or -1 when none does cleanly.
int current_page(HWND wizard);
// Empty when exactly the controls of that page (and the fixed ones) are shown, else what differs.
std::string page_mismatch(HWND wizard, int page);
bool wait_page(HWND wizard, int page, DWORD timeout_ms);
// Returns once the wizard has handled everything posted to it before the call.
bool sync_wizard(HWND wizard);
// Waits until a control of the dialog is shown.
bool wait_shown(HWND dialog, int id, DWORD timeout_ms);

// The bilingual message dialog as seen from outside.
struct MessageSeen {
    HWND window;
    HWND owner;
    std::string chinese;
    std::string english;
    bool english_visible;
    bool ok, cancel, yes, no; // which buttons are shown
    ULONGLONG seen_at;        // GetTickCount64 when it was first seen shown
};
// The message dialog of the process, by its caption (the installer's unless told).
bool wait_message(SetupProcess *setup, DWORD timeout_ms, MessageSeen *seen,
                  const char *caption = MESSAGE_CAPTION);
// Clicks one of the dialog's buttons and waits until the dialog is gone.
bool answer_message(HWND message, int button);

// Walks from page 0 to the page given, answering the display test with the check box given.
bool walk_to_page(SetupProcess *setup, int page, int display_answer_id);
// Posts the install command on page 3 and waits for the final message, answering the
// old-word-base question with question_answer when it comes. *elapsed_ms runs from the
// command to the final message; *question tells whether the question was asked. With a
// name prefix, screenshots of the running install and of the question are saved.
bool run_install_step(SetupProcess *setup, int question_answer, MessageSeen *final_message,
                      ULONGLONG *elapsed_ms, bool *question, const std::string &shots = "");
// Saves a screenshot once the window (when given) has had the chance to paint.
void take_screenshot(const std::string &name, HWND window);

// Names in a folder, without "." and "..", sorted.
std::vector<std::string> sorted_entries(const std::string &dir);
// Removes the installer's shortcuts (all three scripts' names) from the prefix's user folders.
void remove_installer_shortcuts(void);

// Checks on disk after an install, reported through GoogleTest.
struct ShortcutNames {
    const char *group;     // Start-menu folder of the engine
    const char *engine;    // the engine's shortcut
    const char *uninstall; // the engine's uninstaller shortcut
    const char *editor;    // the editor's desktop shortcut
};
extern const ShortcutNames english_names;
extern const ShortcutNames simplified_names;
// The install's record lists each manifest file not in unlisted with the size and CRC-32 of its
// bytes on disk, and none of those in unlisted.
void expect_record_lists(const std::string &dir, const std::vector<std::string> &unlisted);
// The 121 manifest files with their read-only and hidden bits and packed contents (except the
// edited "chipadui.ini" and the names in kept), the record listing all but kept, and nothing in
// the folder besides extra.
void expect_installed_files(const std::string &dir, const std::vector<std::string> &extra,
                            const std::vector<std::string> &kept = {});
// "chipadui.ini" as shipped, with UseBmpFont rewritten in place and ForceLanguage appended.
std::vector<unsigned char> expected_config(char use_bmp_font, int force_language);
void expect_config(const std::string &dir, char use_bmp_font, int force_language);
void expect_link(const std::string &link, const std::string &dir, const char *program, const char *name);
// The Start-menu group always; the two desktop links and the start-up link when asked for.
void expect_shortcuts(const std::string &dir, const ShortcutNames &names, bool desktop, bool startup);
void expect_no_shortcuts(void);

// A copy of the installer in a fresh folder with an "SCtrlSet1.bin" beside it, and the Windows
// folder's own copy of that file removed. Returns the copy's path ("" when it could not be
// made) and the Windows folder's "SCtrlSet1.bin" path in *settings.
std::string installer_copy_with_settings(const std::string &folder_name, std::string *settings);

// A path <fresh scenario folder>\<leaf> that does not exist yet; its parent does.
std::string fresh_target(const std::string &scenario, const std::string &leaf);

#endif
