// The wizard dialog: its pages, navigation and the install step.
#include "wizard/wizard.h"

#include <commdlg.h>
#include <stdlib.h>
#include <string.h>
#include <zlib.h>

#include "wizard/chooser.h"
#include "install/install.h"
#include "install/manifest.h"
#include "resources/ids.h"
#include "ui/ui.h"
#include "base/base.h"
#include "wizard/licence_lines.h"
#include "ui/message.h"
#include "wizard/state.h"
#include "wizard/wizard_rules.h"

// One row per page in page order; a row's ids end at the first 0, the table at
// a row starting with 0.
static const int page_table[][16] = {
    {IDC_DESKTOP_ICON, IDC_AUTO_START, IDC_PATH, IDC_PATH_LABEL, IDC_BROWSE, 0},
    {IDC_SAMPLE_FRAME, IDC_DISPLAY_QUESTION, IDC_SAMPLE_LINE, IDC_DISPLAY_OK, IDC_DISPLAY_NO, 0},
    {IDC_LICENCE_ENGLISH, IDC_LICENCE_CN_LIST, IDC_LICENCE_EN_TEXT, 0},
    {IDC_LANGUAGE_LABEL, IDC_LANGUAGE, 0},
    {0},
};

// Interface languages by value.
static const char *const language_names[3] = {
    "English 英文",
    "Chinese(Simplified)  中文简体",
    "Chinese(Traditional) 中文繁体",
};

static const int subclassed_boxes[] = {IDC_DESKTOP_ICON, IDC_AUTO_START, IDC_DISPLAY_OK, IDC_DISPLAY_NO};

#define FINAL_WAIT_MS 5000

// Set once both licence texts are in their controls.
static int licence_loaded;

static void repaint_control(HWND dialog, int id)
{
    InvalidateRect(GetDlgItem(dialog, id), NULL, FALSE);
}

static int is_ticked(HWND dialog, int id)
{
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

// Inflates one licence resource and hands it to its control; 1 when it is there.
static int load_licence_text(HWND dialog, int id)
{
    char *text = (char *)malloc(LICENCE_TEXT_SIZE + 1);
    if (!text) {
        show_message(shared_text[TEXT_NO_MEMORY_CN], shared_text[TEXT_NO_MEMORY_EN], MESSAGE_NOTICE,
                     g_state.wizard_window);
        return 0;
    }
    HRSRC found = FindResourceA(g_state.instance, MAKEINTRESOURCEA(id), RT_PAYLOAD_NAME);
    HGLOBAL loaded = found ? LoadResource(g_state.instance, found) : NULL;
    const Bytef *packed = loaded ? (const Bytef *)LockResource(loaded) : NULL;
    uLong packed_size = found ? SizeofResource(g_state.instance, found) : 0;
    // A longer text does not inflate into the buffer and is refused whole.
    uLongf size = LICENCE_TEXT_SIZE;
    if (!packed || uncompress((Bytef *)text, &size, packed, packed_size) != Z_OK) {
        free(text);
        return 0;
    }
    text[size] = 0;

    if (id == IDR_LICENCE_CN) {
        char *lines[LICENCE_MAX_LINES];
        int count = split_licence_lines(text, size, lines, LICENCE_MAX_LINES);
        HWND list = GetDlgItem(dialog, IDC_LICENCE_CN_LIST);
        // A retry after a failed load must not add the lines a second time.
        SendMessageA(list, LB_RESETCONTENT, 0, 0);
        SendMessageA(list, WM_SETREDRAW, FALSE, 0);
        for (int i = 0; i < count; i++) {
            char item[PATH_SIZE]; // the list draws items of up to 259 bytes
            copy_text_truncated(item, sizeof(item), lines[i]);
            SendMessageA(list, LB_ADDSTRING, 0, (LPARAM)item);
        }
        SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    } else {
        SendDlgItemMessageA(dialog, IDC_LICENCE_EN_TEXT, WM_SETTEXT, 0, (LPARAM)text);
    }
    free(text);
    return 1;
}

void show_page(HWND dialog, int page)
{
    for (int row = 0; page_table[row][0]; row++)
        for (int slot = 0; slot < 16 && page_table[row][slot]; slot++)
            ShowWindow(GetDlgItem(dialog, page_table[row][slot]), row == page ? SW_SHOW : SW_HIDE);

    if (!licence_loaded && page == 2 && load_licence_text(dialog, IDR_LICENCE_CN) &&
        load_licence_text(dialog, IDR_LICENCE_EN))
        licence_loaded = 1;

    ShowWindow(GetDlgItem(dialog, IDC_LICENCE_CN_LIST), SW_HIDE);
    ShowWindow(GetDlgItem(dialog, IDC_LICENCE_EN_TEXT), SW_HIDE);
    if (page == 2)
        ShowWindow(GetDlgItem(dialog, is_ticked(dialog, IDC_LICENCE_ENGLISH) ? IDC_LICENCE_EN_TEXT
                                                                             : IDC_LICENCE_CN_LIST),
                   SW_SHOW);

    if (g_state.wizard_page >= 0 && g_state.wizard_page <= 98) {
        HWND back = GetDlgItem(dialog, IDC_BACK);
        ShowWindow(back, page != 0 ? SW_SHOW : SW_HIDE);
        EnableWindow(back, page != 0);
    }
    InvalidateRect(dialog, NULL, TRUE);
    UpdateWindow(dialog);
}

static BOOL init_wizard(HWND dialog)
{
    SendMessageA(dialog, WM_SETICON, ICON_BIG, (LPARAM)g_state.app_icon);
    SendMessageA(dialog, WM_SETICON, ICON_SMALL, (LPARAM)g_state.app_icon);

    UINT n = GetWindowsDirectoryA(g_state.windows_dir, sizeof(g_state.windows_dir));
    if (n == 0 || n >= sizeof(g_state.windows_dir) ||
        !add_trailing_backslash(g_state.windows_dir, sizeof(g_state.windows_dir)))
        g_state.windows_dir[0] = 0;

    char path[PATH_SIZE];
    if (g_state.windows_dir[0] &&
        default_install_path(path, sizeof(path), g_state.windows_dir, g_state.default_folder_name))
        SetDlgItemTextA(dialog, IDC_PATH, path);

    CheckDlgButton(dialog, IDC_DESKTOP_ICON, BST_CHECKED);

    HWND back = GetDlgItem(dialog, IDC_BACK);
    ShowWindow(back, SW_HIDE);
    EnableWindow(back, FALSE);

    int order[3];
    language_order(g_state.force_language, order);
    for (int i = 0; i < 3; i++) {
        LRESULT at =
            SendDlgItemMessageA(dialog, IDC_LANGUAGE, CB_ADDSTRING, 0, (LPARAM)language_names[order[i]]);
        SendDlgItemMessageA(dialog, IDC_LANGUAGE, CB_SETITEMDATA, at, order[i]);
    }
    SendDlgItemMessageA(dialog, IDC_LANGUAGE, CB_SETCURSEL, 0, 0);

    for (int id : subclassed_boxes)
        g_state.checkbox_base_proc =
            (WNDPROC)SetWindowLongPtrA(GetDlgItem(dialog, id), GWLP_WNDPROC, (LONG_PTR)check_box_proc);

    // A new dialog has empty licence controls.
    licence_loaded = 0;
    return TRUE;
}

static void browse(HWND dialog)
{
    char file[PATH_SIZE] = "";
    OPENFILENAMEA request = {};
    request.lStructSize = sizeof(request);
    request.hwndOwner = dialog;
    request.hInstance = (HINSTANCE)g_state.instance;
    request.lpstrFile = file;
    request.nMaxFile = 128;
    // Some platforms name the dialog "Open" unless told otherwise.
    request.lpstrTitle = "Choose Destination Directory";
    request.Flags =
        OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_ENABLEHOOK | OFN_ENABLETEMPLATE | OFN_PATHMUSTEXIST;
    request.lpfnHook = folder_hook_proc;
    request.lpTemplateName = MAKEINTRESOURCEA(IDD_CHOOSER);

    // OFN_NOCHANGEDIR is not honoured everywhere: keep the directory ourselves.
    char saved[PATH_SIZE];
    DWORD n = GetCurrentDirectoryA(sizeof(saved), saved);
    int have_saved = n > 0 && n < sizeof(saved);
    BOOL chosen = GetOpenFileNameA(&request);
    if (have_saved)
        SetCurrentDirectoryA(saved);

    char path[PATH_SIZE];
    if (chosen && browse_result_path(path, sizeof(path), g_state.install_dir, g_state.default_folder_name))
        SetDlgItemTextA(dialog, IDC_PATH, path);
}

static size_t longest_installed_name(void)
{
    size_t longest = 0;
    for (int i = 0; i < manifest_rows; i++)
        if (manifest[i].file_name && strlen(manifest[i].file_name) > longest)
            longest = strlen(manifest[i].file_name);
    return longest;
}

// The typed path as a full folder path without blanks or a trailing backslash;
// 0 when it is empty or too long for the files that go into it.
static int read_install_dir(HWND dialog)
{
    HWND edit = GetDlgItem(dialog, IDC_PATH);
    char typed[PATH_SIZE];
    // A longer path would be cut short and install somewhere else.
    if (GetWindowTextLengthA(edit) >= PATH_SIZE)
        return 0;
    GetWindowTextA(edit, typed, sizeof(typed));
    // Leading blanks would make the path relative; trailing ones and a final
    // backslash would double the separator in every installed path.
    size_t start = strspn(typed, " \t");
    g_state.install_dir[0] = 0;
    if (!typed[start])
        return 0;
    // A relative path would leave shortcuts pointing nowhere.
    DWORD n = GetFullPathNameA(typed + start, sizeof(g_state.install_dir), g_state.install_dir, NULL);
    if (n == 0 || n >= sizeof(g_state.install_dir)) {
        g_state.install_dir[0] = 0;
        return 0;
    }
    // Reserved names ("nul", "con.txt") come back as devices.
    if (names_a_device(g_state.install_dir))
        return 0;
    tidy_typed_path(g_state.install_dir);
    return g_state.install_dir[0] && folder_leaves_room(g_state.install_dir, longest_installed_name());
}

int prepare_install_dir(HWND dialog)
{
    int usable = read_install_dir(dialog);
    if (usable && SetCurrentDirectoryA(g_state.install_dir))
        return 1;
    if (!usable || !CreateDirectoryA(g_state.install_dir, NULL)) {
        char english[PATH_SIZE];
        format_path(english, sizeof(english), "%s Please check folder path.",
                    shared_text[TEXT_CANNOT_CREATE_FOLDER]);
        show_message("无法建目录。请检查所列目录是否合法（注意：子目录只能在已存在的目录下建）。", english,
                     MESSAGE_NOTICE, g_state.wizard_window);
        return 0;
    }
    char doc[PATH_SIZE];
    if (doc_folder_path(doc, sizeof(doc), g_state.install_dir))
        CreateDirectoryA(doc, NULL);
    return 1;
}

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

static void wait_since(long long start, long long frequency, unsigned long minimum_ms)
{
    for (;;) {
        long long unused;
        long long now = read_counter(&unused);
        unsigned long left = wait_left_ms(start, now, frequency, minimum_ms);
        if (left == 0)
            return;
        Sleep(left < 50 ? left : 50);
    }
}

static void install_step(HWND dialog)
{
    show_page(dialog, g_state.wizard_page);
    if (!prepare_install_dir(dialog))
        return;
    g_state.wizard_page = 99;
    read_choices(dialog);
    hide_buttons(dialog);

    long long frequency;
    long long start = read_counter(&frequency);
    SetCursor(LoadCursorA(NULL, (LPCSTR)IDC_WAIT));
    park_pointer(dialog);

    int ok = run_install();
    wait_since(start, frequency, FINAL_WAIT_MS);
    if (ok)
        show_message("祝贺您：安装顺利完成！", "Congratulations! Installation Success!", MESSAGE_NOTICE,
                     g_state.wizard_window);
    else
        show_message(
            "安装失败！请检查一下系统后，再重新安装。谢谢！",
            "Installation failed. Please check your system (quit all Tavik applications) and try again.",
            MESSAGE_NOTICE, g_state.wizard_window);
    g_state.wizard_page = -1;
}

static void forward(HWND dialog)
{
    switch (g_state.wizard_page) {
    case 0:
        g_state.wizard_page = 1;
        show_page(dialog, 1);
        // Entered from page 0 the display test always starts unanswered.
        CheckDlgButton(dialog, IDC_DISPLAY_OK, BST_UNCHECKED);
        CheckDlgButton(dialog, IDC_DISPLAY_NO, BST_UNCHECKED);
        repaint_control(dialog, IDC_DISPLAY_OK);
        repaint_control(dialog, IDC_DISPLAY_NO);
        break;
    case 1:
        g_state.display_ok = is_ticked(dialog, IDC_DISPLAY_OK);
        if (!g_state.display_ok && !is_ticked(dialog, IDC_DISPLAY_NO)) {
            show_message("请您回答提问.", "Please select a choice.", MESSAGE_NOTICE, g_state.wizard_window);
            break;
        }
        CheckDlgButton(dialog, IDC_LICENCE_ENGLISH, BST_CHECKED);
        g_state.wizard_page = 2;
        show_page(dialog, 2);
        break;
    case 2:
        g_state.wizard_page = 3;
        show_page(dialog, 3);
        break;
    case 3:
        install_step(dialog);
        break;
    }
}

// Ticking one answer of the display test clears the other.
static void answer_display_test(HWND dialog, int clicked, int other)
{
    if (is_ticked(dialog, clicked))
        CheckDlgButton(dialog, other, BST_UNCHECKED);
    repaint_control(dialog, IDC_DISPLAY_OK);
    repaint_control(dialog, IDC_DISPLAY_NO);
}

static void command(HWND dialog, int id)
{
    // Commands still queued when the install step starts must not move the pages.
    int on_page = g_state.wizard_page >= 0 && g_state.wizard_page <= 3;
    switch (id) {
    case IDC_NEXT:
        forward(dialog);
        break;
    case IDC_BACK:
        if (on_page && g_state.wizard_page > 0) {
            g_state.wizard_page--;
            show_page(dialog, g_state.wizard_page);
        }
        break;
    case IDC_CANCEL:
        g_state.wizard_page = -1;
        break;
    case IDC_BROWSE:
        if (on_page)
            browse(dialog);
        break;
    case IDC_DESKTOP_ICON:
    case IDC_AUTO_START:
        repaint_control(dialog, id);
        break;
    case IDC_DISPLAY_OK:
        answer_display_test(dialog, IDC_DISPLAY_OK, IDC_DISPLAY_NO);
        break;
    case IDC_DISPLAY_NO:
        answer_display_test(dialog, IDC_DISPLAY_NO, IDC_DISPLAY_OK);
        break;
    case IDC_LICENCE_ENGLISH:
        if (on_page)
            show_page(dialog, 2);
        break;
    }
}

INT_PTR CALLBACK wizard_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_INITDIALOG:
        return init_wizard(dialog);
    case WM_MEASUREITEM: {
        MEASUREITEMSTRUCT *item = (MEASUREITEMSTRUCT *)lparam;
        if (item->CtlID == IDC_LICENCE_CN_LIST || item->CtlID == IDC_LANGUAGE)
            return measure_list_item(item);
        return FALSE;
    }
    case WM_DRAWITEM: {
        const DRAWITEMSTRUCT *item = (const DRAWITEMSTRUCT *)lparam;
        if (item->CtlID == IDC_LICENCE_CN_LIST || item->CtlID == IDC_LANGUAGE)
            draw_list_item(dialog, item);
        else
            draw_owner_button(item);
        return TRUE;
    }
    case WM_COMMAND:
        command(dialog, LOWORD(wparam));
        return FALSE;
    }
    return FALSE;
}
