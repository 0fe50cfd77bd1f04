// The install step: the engine run behind the progress bar, its notices shown, the final wait.
#include <windows.h>

#include <commctrl.h>
#include <string.h>

#include "install/install.h"
#include "resources/ids.h"
#include "ui/ui.h"
#include "wizard/wizard.h"
#include "wizard/wizard_rules.h"

#define FINAL_WAIT_MS 5000

static void read_choices(HWND dialog)
{
    g_state.want_desktop_icon = is_ticked(dialog, IDC_DESKTOP_ICON);
    g_state.want_auto_start = is_ticked(dialog, IDC_AUTO_START);
    LRESULT selection = SendDlgItemMessageA(dialog, IDC_LANGUAGE, CB_GETCURSEL, 0, 0);
    LRESULT data =
        selection >= 0 ? SendDlgItemMessageA(dialog, IDC_LANGUAGE, CB_GETITEMDATA, selection, 0) : CB_ERR;
    g_state.force_language = language_from_selection(selection, data);
}

static void hide_buttons(HWND dialog)
{
    static const int ids[] = {IDC_NEXT, IDC_BACK, IDC_CANCEL};
    for (int id : ids) {
        ShowWindow(GetDlgItem(dialog, id), SW_HIDE);
        UpdateWindow(dialog);
    }
}

void park_pointer(HWND dialog)
{
    POINT at;
    RECT window;
    if (!GetCursorPos(&at) || !GetWindowRect(dialog, &window) || PtInRect(&window, at))
        return;
    SetCursorPos(window.left + (window.right - window.left) / 2,
                 window.top + (window.bottom - window.top) / 2);
}

// A high-resolution counter: a whole-second clock could cut the wait short.
static long long read_counter(long long *frequency)
{
    LARGE_INTEGER value, rate;
    if (QueryPerformanceFrequency(&rate) && rate.QuadPart > 0 && QueryPerformanceCounter(&value)) {
        *frequency = rate.QuadPart;
        return value.QuadPart;
    }
    *frequency = 1000;
    return (long long)GetTickCount64();
}

// While the step holds the thread the wizard still paints, answers the system and can be
// dragged by its caption, but no key or click reaches it: a press on a hidden button, the
// close box or the system menu must not act half-way through the run.
static int is_dropped_input(const MSG *msg)
{
    UINT m = msg->message;
    if ((m >= WM_KEYFIRST && m <= WM_KEYLAST) || (m >= WM_MOUSEFIRST && m <= WM_MOUSELAST))
        return 1;
    if (m == WM_NCLBUTTONDOWN)
        return msg->wParam != HTCAPTION;
    if (m >= WM_NCMOUSEMOVE && m <= WM_NCXBUTTONDBLCLK)
        return 1;
    // A close chosen from the task bar comes posted as this command.
    return m == WM_SYSCOMMAND && (msg->wParam & 0xFFF0) == SC_CLOSE;
}

// Windows marks a window that reads no messages for 5 seconds as not responding and offers
// to close it, which would cut the run short.
void pump_install_messages(void *context)
{
    (void)context;
    MSG msg;
    // Bounded, so that a window that keeps repainting cannot hold the run here.
    for (int n = 0; n < 256 && PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE); n++)
        if (!is_dropped_input(&msg))
            DispatchMessageA(&msg);
}

static void wait_since(long long start, long long frequency, unsigned long minimum_ms)
{
    for (;;) {
        pump_install_messages(NULL);
        long long unused;
        long long now = read_counter(&unused);
        unsigned long left = wait_left_ms(start, now, frequency, minimum_ms);
        if (left == 0)
            return;
        // Sleeps until a message comes or the time is up; messages left by the bounded pump
        // count as well.
        MsgWaitForMultipleObjectsEx(0, NULL, left, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
}

// The engine's callbacks. The bar repaints at once, and the wizard's messages are handled
// here too for engines that call the pump only rarely.
void show_install_progress(void *context, int position)
{
    HWND bar = GetDlgItem((HWND)context, IDC_PROGRESS);
    ShowWindow(bar, SW_SHOW);
    SendMessageA(bar, PBM_SETPOS, position, 0);
    UpdateWindow(bar);
    pump_install_messages(context);
}

static int ask_old_word_base(void *context, int ask)
{
    (void)context;
    int answer = ask ? show_text_message(MSG_OLD_WORD_BASE, MESSAGE_QUESTION, g_state.wizard_window) : 0;
    // Whether or not the question came: the check itself may have taken a while.
    SetCursor(LoadCursorA(NULL, IDC_WAIT));
    return answer == IDC_MSG_YES;
}

static void show_notice(void *context, int notice, const char *file)
{
    (void)context;
    if (notice == NOTICE_NO_MEMORY) {
        show_text_message(MSG_NO_MEMORY, MESSAGE_NOTICE, g_state.wizard_window);
    } else if (notice == NOTICE_START_MENU_FAILED) {
        show_text_message(MSG_START_MENU_FAILED, MESSAGE_NOTICE, g_state.wizard_window);
    } else if (notice == NOTICE_SHORTCUT_FOLDER_FAILED) {
        // The folder is cut to what leaves room for the rest of the message.
        const char *format = message_texts[MSG_SHORTCUT_FOLDER_FAILED].chinese;
        char shown[PATH_SIZE], message[PATH_SIZE];
        copy_text_truncated(shown, sizeof(shown) - (strlen(format) - 2), file ? file : "");
        format_text(message, sizeof(message), format, shown);
        show_message(message, message_texts[MSG_SHORTCUT_FOLDER_FAILED].english, MESSAGE_NOTICE,
                     g_state.wizard_window);
    }
}

static const char *const failure_names[] = {"the run failed", "the installer's own file is damaged",
                                            "the disk is full", "a file is in use", "no memory"};

void log_install_step(void *context, int step, const char *name, unsigned long long value)
{
    (void)context;
    const char *what = name ? name : "";
    switch (step) {
    case STEP_STAGED:
        log_line("staged %s (%llu bytes)", what, value);
        break;
    case STEP_MOVED:
        log_line("moved %s into place (%llu bytes)", what, value);
        break;
    case STEP_KEPT:
        log_line("kept %s as it was", what);
        break;
    case STEP_REMOVED:
        log_line("removed the stale user dictionary %s", what);
        break;
    case STEP_CONFIG:
        log_line("configuration: %s", what);
        break;
    case STEP_SHORTCUT:
        log_line("shortcut %s", what);
        break;
    case STEP_SETTINGS:
        log_line("copied the control settings to %s", what);
        break;
    case STEP_RECORD:
        log_line("install record %s", what);
        break;
    case STEP_FAILED:
        log_line("stopped: %s%s%s", failure_names[value < 5 ? value : 0], name ? ": " : "", what);
        break;
    }
}

int run_install_with(const InstallCallbacks *report)
{
    InstallRequest request = {
        .payload = g_state.instance,
        .folder = g_state.install_dir,
        .module_dir = g_state.module_dir,
        .windows_dir = g_state.windows_dir,
        .script = g_state.system_chinese,
        .is_nt = g_state.is_nt,
        .os_major_is_3 = g_state.os_major_is_3,
        .display_ok = g_state.display_ok,
        .force_language = g_state.force_language,
        .want_desktop_icon = g_state.want_desktop_icon,
        .want_auto_start = g_state.want_auto_start,
        .folder_is_new = g_state.created_install_dir,
        .report = *report,
    };
    return run_install(&request);
}

void enter_installing_view(HWND dialog)
{
    g_state.wizard_page = 99;
    hide_buttons(dialog);
    SetCursor(LoadCursorA(NULL, (LPCSTR)IDC_WAIT));
    park_pointer(dialog);
}

void install_step(HWND dialog)
{
    show_page(dialog, g_state.wizard_page);
    if (!prepare_install_dir(dialog))
        return;
    read_choices(dialog);
    log_line("folder %s; desktop icon %s, auto-start %s, display OK %s, language %d", g_state.install_dir,
             g_state.want_desktop_icon ? "yes" : "no", g_state.want_auto_start ? "yes" : "no",
             g_state.display_ok ? "yes" : "no", g_state.force_language);
    long long frequency;
    long long start = read_counter(&frequency);
    enter_installing_view(dialog);

    InstallCallbacks report = {dialog,      show_install_progress, ask_old_word_base,
                               show_notice, pump_install_messages, log_install_step};
    int ok = run_install_with(&report);
    wait_since(start, frequency, FINAL_WAIT_MS);
    show_text_message(ok ? MSG_SUCCESS : MSG_FAILURE, MESSAGE_NOTICE, g_state.wizard_window);
    g_state.wizard_page = -1;
}
