// Drives a running TavikSetup.exe from outside: its windows, controls, keys, messages and shortcuts.
#include "e2e_driver.h"

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <zlib.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "resources/ids.h"
#include "support/screenshot.h"
#include "support/tavik_test.h"

// Cross-process calls give up after this long instead of hanging the test.
static const UINT CALL_TIMEOUT_MS = 5000;
static const DWORD POLL_MS = 20;

static LRESULT call(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(window, message, wparam, lparam, SMTO_NORMAL, CALL_TIMEOUT_MS, &result))
        return -1;
    return (LRESULT)result;
}

bool start_process(SetupProcess *process, const std::string &exe, const std::string &arguments,
                   const std::string &cwd, bool inherit)
{
    *process = SetupProcess{};
    std::string command = "\"" + exe + "\"" + (arguments.empty() ? "" : " " + arguments);
    std::vector<char> line(command.begin(), command.end());
    line.push_back(0);
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(exe.c_str(), line.data(), NULL, NULL, inherit, 0, NULL,
                        cwd.empty() ? NULL : cwd.c_str(), &si, &pi))
        return false;
    CloseHandle(pi.hThread);
    process->process = pi.hProcess;
    process->pid = pi.dwProcessId;
    process->thread_id = pi.dwThreadId;
    return true;
}

bool start_setup(SetupProcess *setup, const std::string &cwd, const std::string &exe)
{
    if (!start_process(setup, exe.empty() ? setup_exe_path() : exe, "", cwd))
        return false;
    setup->wizard = wait_window(setup->pid, DIALOG_CLASS, WIZARD_CAPTION, 30000);
    if (setup->wizard)
        setup->thread_id = GetWindowThreadProcessId(setup->wizard, NULL);
    return setup->wizard != NULL;
}

bool wait_exit(SetupProcess *setup, DWORD timeout_ms, DWORD *code)
{
    if (!setup->process || WaitForSingleObject(setup->process, timeout_ms) != WAIT_OBJECT_0)
        return false;
    DWORD c = STILL_ACTIVE;
    GetExitCodeProcess(setup->process, &c);
    if (code)
        *code = c;
    return true;
}

void end_setup(SetupProcess *setup)
{
    if (!setup->process)
        return;
    if (WaitForSingleObject(setup->process, 0) != WAIT_OBJECT_0) {
        TerminateProcess(setup->process, 255);
        WaitForSingleObject(setup->process, 10000);
    }
    CloseHandle(setup->process);
    setup->process = NULL;
}

struct WindowQuery {
    DWORD pid;
    const char *cls;
    const char *title;
    HWND found;
};

static BOOL CALLBACK match_window(HWND window, LPARAM param)
{
    WindowQuery *q = (WindowQuery *)param;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if ((q->pid && pid != q->pid) || !IsWindowVisible(window))
        return TRUE;
    char text[256] = "";
    GetWindowTextA(window, text, sizeof(text));
    if (strcmp(text, q->title) != 0)
        return TRUE;
    if (q->cls) {
        char cls[64] = "";
        GetClassNameA(window, cls, sizeof(cls));
        if (lstrcmpiA(cls, q->cls) != 0)
            return TRUE;
    }
    q->found = window;
    return FALSE;
}

HWND find_window(DWORD pid, const char *cls, const char *title)
{
    WindowQuery q = {pid, cls, title, NULL};
    EnumWindows(match_window, (LPARAM)&q);
    return q.found;
}

HWND wait_window(DWORD pid, const char *cls, const char *title, DWORD timeout_ms)
{
    ULONGLONG end = GetTickCount64() + timeout_ms;
    for (;;) {
        HWND w = find_window(pid, cls, title);
        if (w || GetTickCount64() > end)
            return w;
        Sleep(POLL_MS);
    }
}

bool wait_gone(HWND window, DWORD timeout_ms)
{
    ULONGLONG end = GetTickCount64() + timeout_ms;
    while (IsWindow(window) && IsWindowVisible(window)) {
        if (GetTickCount64() > end)
            return false;
        Sleep(POLL_MS);
    }
    return true;
}

std::string control_text(HWND dialog, int id)
{
    HWND control = GetDlgItem(dialog, id);
    if (!control)
        return "<no control>";
    char text[70000] = "";
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutA(control, WM_GETTEXT, sizeof(text), (LPARAM)text, SMTO_NORMAL, CALL_TIMEOUT_MS,
                             &copied))
        return "<no answer>";
    return std::string(text, std::min<size_t>(copied, sizeof(text) - 1));
}

bool set_control_text(HWND dialog, int id, const std::string &text)
{
    HWND control = GetDlgItem(dialog, id);
    return control && call(control, WM_SETTEXT, 0, (LPARAM)text.c_str()) == TRUE;
}

bool control_visible(HWND dialog, int id)
{
    HWND control = GetDlgItem(dialog, id);
    return control && IsWindowVisible(control);
}

bool control_enabled(HWND dialog, int id)
{
    HWND control = GetDlgItem(dialog, id);
    return control && IsWindowEnabled(control);
}

int check_state(HWND dialog, int id)
{
    HWND control = GetDlgItem(dialog, id);
    return control ? (int)call(control, BM_GETCHECK, 0, 0) : -1;
}

void click_check(HWND dialog, int id)
{
    HWND control = GetDlgItem(dialog, id);
    if (control)
        call(control, BM_CLICK, 0, 0);
}

void post_command(HWND dialog, int id)
{
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(dialog, id));
}

static bool thread_info(SetupProcess *setup, GUITHREADINFO *info)
{
    *info = GUITHREADINFO{};
    info->cbSize = sizeof(*info);
    return GetGUIThreadInfo(setup->thread_id, info) != 0;
}

HWND focused_window(SetupProcess *setup)
{
    GUITHREADINFO info;
    return thread_info(setup, &info) ? info.hwndFocus : NULL;
}

HWND active_window(SetupProcess *setup)
{
    GUITHREADINFO info;
    return thread_info(setup, &info) ? info.hwndActive : NULL;
}

bool focus_control(SetupProcess *setup, HWND dialog, int id)
{
    HWND control = GetDlgItem(dialog, id);
    if (!control)
        return false;
    // Windows of other programs on the same display may have taken the activation.
    SetForegroundWindow(GetAncestor(dialog, GA_ROOT));
    // The dialog manager moves the focus itself, on its own thread.
    call(dialog, WM_NEXTDLGCTL, (WPARAM)control, TRUE);
    if (focused_window(setup) == control)
        return true;
    DWORD own = GetCurrentThreadId();
    if (AttachThreadInput(own, setup->thread_id, TRUE)) {
        SetFocus(control);
        AttachThreadInput(own, setup->thread_id, FALSE);
    }
    return focused_window(setup) == control;
}

void hold_key(SetupProcess *setup, int vk, int repeats)
{
    HWND target = focused_window(setup);
    if (!target)
        target = setup->wizard;
    UINT scan = MapVirtualKeyA(vk, MAPVK_VK_TO_VSC);
    PostMessageA(target, WM_KEYDOWN, vk, 1 | (scan << 16));
    for (int i = 0; i < repeats; i++)
        PostMessageA(target, WM_KEYDOWN, vk, 1 | (scan << 16) | 0x40000000u);
    PostMessageA(target, WM_KEYUP, vk, 1 | (scan << 16) | 0xC0000000u);
}

void press_key(SetupProcess *setup, int vk)
{
    hold_key(setup, vk, 0);
}

void post_click(HWND dialog, int id)
{
    HWND control = GetDlgItem(dialog, id);
    RECT r;
    if (!control || !GetClientRect(control, &r))
        return;
    LPARAM at = MAKELPARAM(r.right / 2, r.bottom / 2);
    PostMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(control, WM_LBUTTONUP, 0, at);
}

bool xdotool(const std::string &arguments)
{
    // Wine starts a Unix program without a process handle to wait on: its shell leaves the
    // exit status in a file, moved into place whole.
    typedef char *(CDECL * UnixNameFn)(const WCHAR *);
    UnixNameFn unix_name =
        (UnixNameFn)(void *)GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name");
    std::string status = fresh_dir("xdotool") + "\\status";
    WCHAR wide[MAX_PATH];
    if (!unix_name || !MultiByteToWideChar(CP_ACP, 0, status.c_str(), -1, wide, MAX_PATH))
        return false;
    char *unix_status = unix_name(wide);
    if (!unix_status)
        return false;
    std::string target = unix_status;
    HeapFree(GetProcessHeap(), 0, unix_status);
    std::string command = "/bin/sh -c \"xdotool " + arguments + "; echo $? >'" + target + ".new' && mv '" +
                          target + ".new' '" + target + "'\"";
    std::vector<char> line(command.begin(), command.end());
    line.push_back(0);
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA("Z:\\bin\\sh", line.data(), NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi))
        return false;
    if (pi.hProcess)
        CloseHandle(pi.hProcess);
    if (pi.hThread)
        CloseHandle(pi.hThread);
    ULONGLONG end = GetTickCount64() + 20000;
    while (!file_exists(status)) {
        if (GetTickCount64() > end)
            return false;
        Sleep(POLL_MS);
    }
    std::vector<unsigned char> code = read_file(status);
    return !code.empty() && code[0] == '0';
}

HCURSOR shown_cursor(void)
{
    CURSORINFO info = {};
    info.cbSize = sizeof(info);
    return GetCursorInfo(&info) ? info.hCursor : NULL;
}

POINT window_centre(HWND window)
{
    RECT r = {};
    GetWindowRect(window, &r);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

bool find_hit_point(HWND window, int hit, POINT *at)
{
    RECT r;
    if (!GetWindowRect(window, &r))
        return false;
    // The caption lies in the top rows of the frame; the middle of the run of points with
    // that hit is well inside the part.
    for (int y = r.top; y < r.top + 40 && y < r.bottom; y++) {
        int first = -1, last = -1;
        for (int x = r.left; x < r.right; x++) {
            DWORD_PTR code = HTNOWHERE;
            if (!SendMessageTimeoutA(window, WM_NCHITTEST, 0, MAKELPARAM(x, y), SMTO_NORMAL, CALL_TIMEOUT_MS,
                                     &code))
                return false;
            if ((int)code == hit) {
                if (first < 0)
                    first = x;
                last = x;
            }
        }
        if (first >= 0 && last - first >= 4) {
            *at = POINT{(first + last) / 2, y + 4};
            DWORD_PTR code = HTNOWHERE;
            SendMessageTimeoutA(window, WM_NCHITTEST, 0, MAKELPARAM(at->x, at->y), SMTO_NORMAL,
                                CALL_TIMEOUT_MS, &code);
            if ((int)code == hit)
                return true;
        }
    }
    return false;
}

bool answers_within(HWND window, DWORD timeout_ms, ULONGLONG *took_ms)
{
    ULONGLONG start = GetTickCount64();
    DWORD_PTR result = 0;
    bool answered = SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, timeout_ms, &result) != 0;
    *took_ms = GetTickCount64() - start;
    return answered;
}

static LRESULT CALLBACK cover_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    // Shown over other programs' windows without taking the activation from them.
    if (message == WM_MOUSEACTIVATE)
        return MA_NOACTIVATE;
    return DefWindowProcA(window, message, wparam, lparam);
}

bool cover_rect(const RECT &rect, COLORREF colour, DWORD ms)
{
    static const char *const cls = "TavikTestCover";
    HBRUSH brush = CreateSolidBrush(colour);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = cover_proc;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.hbrBackground = brush;
    wc.lpszClassName = cls;
    UnregisterClassA(cls, wc.hInstance);
    RegisterClassA(&wc);
    HWND cover = CreateWindowExA(WS_EX_TOPMOST | WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW, cls, "", WS_POPUP,
                                 rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, NULL,
                                 NULL, wc.hInstance, NULL);
    bool seen = false;
    if (cover) {
        ShowWindow(cover, SW_SHOWNOACTIVATE);
        UpdateWindow(cover);
        ULONGLONG end = GetTickCount64() + ms;
        for (ULONGLONG now = GetTickCount64(); now < end; now = GetTickCount64()) {
            MsgWaitForMultipleObjects(0, NULL, FALSE, (DWORD)(end - now), QS_ALLINPUT);
            MSG msg;
            while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
                DispatchMessageA(&msg);
        }
        LONG x = (rect.left + rect.right) / 2, y = (rect.top + rect.bottom) / 2;
        std::vector<unsigned char> middle = screen_pixels(RECT{x, y, x + 1, y + 1});
        seen = middle.size() == 3 && middle[0] == GetRValue(colour) && middle[1] == GetGValue(colour) &&
               middle[2] == GetBValue(colour);
        DestroyWindow(cover);
    }
    UnregisterClassA(cls, wc.hInstance);
    DeleteObject(brush);
    return seen;
}

std::vector<unsigned char> screen_pixels(const RECT &rect)
{
    int w = 0, h = 0;
    std::vector<unsigned char> screen, out;
    if (!capture_screen(&w, &h, &screen))
        return out;
    for (int y = std::max(0L, rect.top); y < std::min((LONG)h, rect.bottom); y++) {
        int left = std::max(0L, rect.left), right = std::min((LONG)w, rect.right);
        if (left < right)
            out.insert(out.end(), screen.begin() + ((size_t)y * w + left) * 3,
                       screen.begin() + ((size_t)y * w + right) * 3);
    }
    return out;
}

int combo_count(HWND dialog, int id)
{
    return (int)call(GetDlgItem(dialog, id), CB_GETCOUNT, 0, 0);
}

int combo_selection(HWND dialog, int id)
{
    return (int)call(GetDlgItem(dialog, id), CB_GETCURSEL, 0, 0);
}

// Item texts travel between processes as UTF-16 and come back in this process's code page.
static std::string item_text(HWND control, UINT length_message, UINT text_message, int index)
{
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(control, length_message, index, 0, SMTO_NORMAL, CALL_TIMEOUT_MS, &length) ||
        (LONG_PTR)length < 0 || length > 1000)
        return "<no item>";
    std::vector<WCHAR> wide(length + 1, 0);
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(control, text_message, index, (LPARAM)wide.data(), SMTO_NORMAL, CALL_TIMEOUT_MS,
                        &ignored);
    char text[4000] = "";
    WideCharToMultiByte(CP_ACP, 0, wide.data(), -1, text, sizeof(text), NULL, NULL);
    return text;
}

std::string combo_item_text(HWND dialog, int id, int index)
{
    return item_text(GetDlgItem(dialog, id), CB_GETLBTEXTLEN, CB_GETLBTEXT, index);
}

LONG_PTR combo_item_data(HWND dialog, int id, int index)
{
    return (LONG_PTR)call(GetDlgItem(dialog, id), CB_GETITEMDATA, index, 0);
}

bool select_combo_item(HWND dialog, int id, int index)
{
    HWND combo = GetDlgItem(dialog, id);
    if (call(combo, CB_SETCURSEL, index, 0) != index)
        return false;
    call(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), (LPARAM)combo);
    return true;
}

int list_count(HWND dialog, int id)
{
    return (int)call(GetDlgItem(dialog, id), LB_GETCOUNT, 0, 0);
}

std::string list_item_text(HWND dialog, int id, int index)
{
    return item_text(GetDlgItem(dialog, id), LB_GETTEXTLEN, LB_GETTEXT, index);
}

int list_find(HWND dialog, int id, const std::string &text)
{
    int n = list_count(dialog, id);
    for (int i = 0; i < n; i++)
        if (lstrcmpiA(list_item_text(dialog, id, i).c_str(), text.c_str()) == 0)
            return i;
    return -1;
}

// The page table of the wizard, and the controls shown on every page.
static const int page_controls[4][6] = {
    {IDC_DESKTOP_ICON, IDC_AUTO_START, IDC_PATH, IDC_PATH_LABEL, IDC_BROWSE, 0},
    {IDC_SAMPLE_FRAME, IDC_DISPLAY_QUESTION, IDC_SAMPLE_LINE, IDC_DISPLAY_OK, IDC_DISPLAY_NO, 0},
    {IDC_LICENCE_ENGLISH, 0},
    {IDC_LANGUAGE_LABEL, IDC_LANGUAGE, 0},
};
static const int always_shown[] = {
    IDC_NEXT,        IDC_CANCEL,     IDC_BANNER_ICON,   IDC_BANNER_PRODUCT, IDC_BANNER_SUBTITLE,
    IDC_BANNER_LINE, IDC_BANNER_WEB, IDC_BANNER_FAMILY, IDC_BANNER_ENGINE,  IDC_BANNER_INSTALLER,
    IDC_BANNER_BLANK};
static const int never_shown[] = {IDC_UNUSED_FACE, IDC_UNUSED_LABEL, IDC_UNUSED_EDIT, IDC_PROGRESS};

std::string page_mismatch(HWND wizard, int page)
{
    std::string out;
    char note[64];
    for (int p = 0; p < 4; p++)
        for (const int *id = page_controls[p]; *id; id++)
            if (control_visible(wizard, *id) != (p == page)) {
                snprintf(note, sizeof(note), " %d%s", *id, p == page ? " hidden" : " shown");
                out += note;
            }
    bool english = page == 2 && check_state(wizard, IDC_LICENCE_ENGLISH) == BST_CHECKED;
    if (control_visible(wizard, IDC_LICENCE_EN_TEXT) != (page == 2 && english))
        out += " 1014 wrong";
    if (control_visible(wizard, IDC_LICENCE_CN_LIST) != (page == 2 && !english))
        out += " 1019 wrong";
    bool back = page != 0;
    if (control_visible(wizard, IDC_BACK) != back || control_enabled(wizard, IDC_BACK) != back)
        out += back ? " Back not available" : " Back available";
    for (int id : always_shown)
        if (!control_visible(wizard, id)) {
            snprintf(note, sizeof(note), " %d hidden", id);
            out += note;
        }
    for (int id : never_shown)
        if (control_visible(wizard, id)) {
            snprintf(note, sizeof(note), " %d shown", id);
            out += note;
        }
    return out;
}

int current_page(HWND wizard)
{
    for (int p = 0; p < 4; p++)
        if (page_mismatch(wizard, p).empty())
            return p;
    return -1;
}

bool wait_page(HWND wizard, int page, DWORD timeout_ms)
{
    ULONGLONG end = GetTickCount64() + timeout_ms;
    for (;;) {
        if (current_page(wizard) == page)
            return true;
        if (GetTickCount64() > end)
            return false;
        Sleep(POLL_MS);
    }
}

bool sync_wizard(HWND wizard)
{
    // A posted marker comes back only after everything posted before it was handled.
    static WPARAM marker = 4000;
    HWND edit = GetDlgItem(wizard, IDC_UNUSED_EDIT);
    if (!edit) {
        Sleep(300);
        return true;
    }
    marker++;
    PostMessageA(edit, EM_SETLIMITTEXT, marker, 0);
    ULONGLONG end = GetTickCount64() + 10000;
    while ((WPARAM)call(edit, EM_GETLIMITTEXT, 0, 0) != marker) {
        if (GetTickCount64() > end)
            return false;
        Sleep(POLL_MS);
    }
    return true;
}

bool wait_shown(HWND dialog, int id, DWORD timeout_ms)
{
    ULONGLONG end = GetTickCount64() + timeout_ms;
    while (!control_visible(dialog, id)) {
        if (GetTickCount64() > end)
            return false;
        Sleep(POLL_MS);
    }
    return true;
}

bool wait_message(SetupProcess *setup, DWORD timeout_ms, MessageSeen *seen, const char *caption)
{
    *seen = MessageSeen{};
    seen->window = wait_window(setup->pid, DIALOG_CLASS, caption, timeout_ms);
    seen->seen_at = GetTickCount64();
    if (!seen->window)
        return false;
    seen->owner = GetWindow(seen->window, GW_OWNER);
    seen->chinese = control_text(seen->window, IDC_MSG_CHINESE);
    seen->english = control_text(seen->window, IDC_MSG_ENGLISH);
    seen->english_visible = control_visible(seen->window, IDC_MSG_ENGLISH);
    seen->ok = control_visible(seen->window, IDC_MSG_OK);
    seen->cancel = control_visible(seen->window, IDC_MSG_CANCEL);
    seen->yes = control_visible(seen->window, IDC_MSG_YES);
    seen->no = control_visible(seen->window, IDC_MSG_NO);
    return true;
}

bool answer_message(HWND message, int button)
{
    HWND control = GetDlgItem(message, button);
    if (control)
        PostMessageA(control, BM_CLICK, 0, 0);
    else
        PostMessageA(message, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    return wait_gone(message, 10000);
}

bool walk_to_page(SetupProcess *setup, int page, int display_answer_id)
{
    HWND w = setup->wizard;
    for (int p = current_page(w); p >= 0 && p < page; p++) {
        if (p == 1 && check_state(w, display_answer_id) != BST_CHECKED)
            click_check(w, display_answer_id);
        post_command(w, IDC_NEXT);
        if (!wait_page(w, p + 1, 10000))
            return false;
    }
    return current_page(w) == page;
}

bool run_install_step(SetupProcess *setup, int question_answer, MessageSeen *final_message,
                      ULONGLONG *elapsed_ms, bool *question, const std::string &shots)
{
    *question = false;
    bool progress_shot = shots.empty();
    ULONGLONG start = GetTickCount64();
    post_command(setup->wizard, IDC_NEXT);
    for (;;) {
        if (!progress_shot && GetTickCount64() - start > 2000) {
            save_screen(shots + "-installing");
            progress_shot = true;
        }
        if (!find_window(setup->pid, DIALOG_CLASS, MESSAGE_CAPTION)) {
            if (GetTickCount64() - start > 180000 ||
                WaitForSingleObject(setup->process, POLL_MS) == WAIT_OBJECT_0)
                return false;
            continue;
        }
        if (!wait_message(setup, 1000, final_message))
            return false;
        if (final_message->yes && !*question) {
            *question = true;
            if (!shots.empty())
                take_screenshot(shots + "-question", final_message->window);
            if (!answer_message(final_message->window, question_answer))
                return false;
            continue;
        }
        *elapsed_ms = final_message->seen_at - start;
        return true;
    }
}

void take_screenshot(const std::string &name, HWND window)
{
    // Let the window's thread reach its message loop and paint first.
    if (window)
        call(window, WM_NULL, 0, 0);
    Sleep(300);
    save_screen(name);
}

std::vector<std::string> sorted_entries(const std::string &dir)
{
    std::vector<std::string> names = folder_entries(dir);
    std::sort(names.begin(), names.end());
    return names;
}

static void remove_links(const std::string &dir)
{
    for (const std::string &name : folder_entries(dir))
        if (name.size() > 4 && lstrcmpiA(name.c_str() + name.size() - 4, ".lnk") == 0) {
            std::string path = dir + "\\" + name;
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(path.c_str());
        }
}

void remove_installer_shortcuts(void)
{
    remove_links(shell_folder(CSIDL_DESKTOPDIRECTORY));
    remove_links(shell_folder(CSIDL_STARTUP));
    std::string programs = shell_folder(CSIDL_PROGRAMS);
    remove_tree(programs + "\\Tavik Chinese Input Engine");
    remove_tree(programs + "\\Tavik中文输入引擎");
}

std::string fresh_target(const std::string &scenario, const std::string &leaf)
{
    return fresh_dir("e2e-" + scenario) + "\\" + leaf;
}

const ShortcutNames english_names = {"Tavik Chinese Input Engine", "Tavik Chinese Input Engine",
                                     "Tavik UnInstall", "Mereda"};
const ShortcutNames simplified_names = {"Tavik中文输入引擎", "Tavik中文输入引擎", "Tavik输入引擎卸载",
                                        "Tavik文本编辑"};

static bool same_path(const std::string &a, const std::string &b)
{
    return lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

void expect_record_lists(const std::string &dir, const std::vector<std::string> &unlisted)
{
    std::vector<unsigned char> bytes = read_file(dir + "\\TVKInstall.rec");
    std::string record(bytes.begin(), bytes.end());
    EXPECT_EQ(0u, record.find("Tavik install record 1\r\n")) << "no record in " << dir;
    for (const InstalledFile &f : installed_files()) {
        std::vector<unsigned char> data = read_file(dir + "\\" + f.name);
        char line[128];
        snprintf(line, sizeof(line), "\r\nfile %u %08lx %s\r\n", (unsigned)data.size(),
                 crc32(0, data.data(), (uInt)data.size()), f.name.c_str());
        bool listed = std::find(unlisted.begin(), unlisted.end(), f.name) == unlisted.end();
        EXPECT_EQ(listed, record.find(line) != std::string::npos) << line + 2;
    }
}

void expect_installed_files(const std::string &dir, const std::vector<std::string> &extra,
                            const std::vector<std::string> &kept)
{
    expect_record_lists(dir, kept);
    std::vector<std::string> expected = extra;
    expected.push_back("TVKInstall.rec");
    for (const InstalledFile &f : installed_files()) {
        expected.push_back(f.name);
        std::string path = dir + "\\" + f.name;
        DWORD attributes = attributes_of(path);
        if (attributes == INVALID_FILE_ATTRIBUTES) {
            ADD_FAILURE() << "missing " << path;
            continue;
        }
        if (std::find(kept.begin(), kept.end(), f.name) != kept.end())
            continue;
        EXPECT_EQ(requested_bits(f), attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN)) << path;
        if (f.name != "chipadui.ini") {
            EXPECT_TRUE(read_file(path) == setup_payload(f.id)) << "contents of " << path;
        }
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, sorted_entries(dir)) << "entries of " << dir;
}

std::vector<unsigned char> expected_config(char use_bmp_font, int force_language)
{
    std::vector<unsigned char> ini = setup_payload(120);
    std::string text(ini.begin(), ini.end());
    size_t at = text.find("\r\nUseBmpFont=");
    EXPECT_NE(std::string::npos, at) << "the shipped file has no UseBmpFont line";
    EXPECT_EQ(std::string::npos, text.find("ForceLanguage"))
        << "the shipped file already names ForceLanguage";
    EXPECT_NE(std::string::npos, text.find("[Config]"));
    if (at != std::string::npos)
        text[at + 2 + strlen("UseBmpFont=")] = use_bmp_font;
    text += "\r\nForceLanguage=" + std::to_string(force_language) + "\r\n";
    return std::vector<unsigned char>(text.begin(), text.end());
}

void expect_config(const std::string &dir, char use_bmp_font, int force_language)
{
    std::string path = dir + "\\chipadui.ini";
    std::vector<unsigned char> actual = read_file(path);
    std::vector<unsigned char> expected = expected_config(use_bmp_font, force_language);
    EXPECT_EQ(expected.size(), actual.size()) << path;
    if (actual != expected) {
        size_t tail = actual.size() > 60 ? actual.size() - 60 : 0;
        ADD_FAILURE() << path
                      << " differs; it ends with: " << std::string(actual.begin() + tail, actual.end());
    }
    EXPECT_EQ((DWORD)(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN),
              attributes_of(path) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
}

void expect_link(const std::string &link, const std::string &dir, const char *program, const char *name)
{
    LinkInfo info = read_link(link);
    ASSERT_TRUE(info.loaded) << "cannot load " << link;
    std::string target = dir + "\\" + program;
    EXPECT_TRUE(same_path(target, info.target)) << link << " targets " << info.target;
    EXPECT_TRUE(same_path(dir, info.working_dir)) << link << " works in " << info.working_dir;
    EXPECT_EQ(std::string(name), info.description) << link;
    EXPECT_EQ("", info.arguments) << link;
    EXPECT_TRUE(same_path(target, info.icon_file)) << link << " icon " << info.icon_file;
    EXPECT_EQ(0, info.icon_index) << link;
}

void expect_shortcuts(const std::string &dir, const ShortcutNames &names, bool desktop, bool startup)
{
    std::string group = shell_folder(CSIDL_PROGRAMS) + "\\" + names.group;
    std::vector<std::string> in_group = {std::string(names.engine) + ".lnk",
                                         std::string(names.uninstall) + ".lnk"};
    std::sort(in_group.begin(), in_group.end());
    EXPECT_EQ(in_group, sorted_entries(group)) << group;
    expect_link(group + "\\" + names.engine + ".lnk", dir, "TVK.exe", names.engine);
    expect_link(group + "\\" + names.uninstall + ".lnk", dir, "TVKUnInstall.exe", names.uninstall);

    std::string desk = shell_folder(CSIDL_DESKTOPDIRECTORY);
    std::vector<std::string> on_desk;
    if (desktop) {
        on_desk = {std::string(names.editor) + ".lnk", std::string(names.engine) + ".lnk"};
        std::sort(on_desk.begin(), on_desk.end());
        expect_link(desk + "\\" + names.editor + ".lnk", dir, "Mereda.exe", names.editor);
        expect_link(desk + "\\" + names.engine + ".lnk", dir, "TVK.exe", names.engine);
    }
    EXPECT_EQ(on_desk, sorted_entries(desk)) << desk;

    std::string boot = shell_folder(CSIDL_STARTUP);
    std::vector<std::string> at_boot;
    if (startup) {
        at_boot = {std::string(names.engine) + ".lnk"};
        expect_link(boot + "\\" + names.engine + ".lnk", dir, "TVK.exe", names.engine);
    }
    EXPECT_EQ(at_boot, folder_entries(boot)) << boot;
}

void expect_no_shortcuts(void)
{
    std::string programs = shell_folder(CSIDL_PROGRAMS);
    EXPECT_FALSE(file_exists(programs + "\\" + english_names.group));
    EXPECT_FALSE(file_exists(programs + "\\" + simplified_names.group));
    EXPECT_EQ(std::vector<std::string>(), folder_entries(shell_folder(CSIDL_DESKTOPDIRECTORY)));
    EXPECT_EQ(std::vector<std::string>(), folder_entries(shell_folder(CSIDL_STARTUP)));
}

std::string installer_copy_with_settings(const std::string &folder_name, std::string *settings)
{
    std::string media = fresh_dir(folder_name);
    std::string exe = media + "\\TavikSetup.exe";
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, sizeof(windows));
    *settings = std::string(windows) + "\\SCtrlSet1.bin";
    SetFileAttributesA(settings->c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(settings->c_str());
    if (!CopyFileA(setup_exe_path().c_str(), exe.c_str(), FALSE) ||
        !write_file(media + "\\SCtrlSet1.bin", std::string("settings beside the installer")))
        return "";
    return exe;
}
