// The wizard dialog: its pages, navigation and the install step.
#include "resources/ids.h"
#include "ui/ui.h"
#include "wizard/wizard.h"
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

static const int subclassed_boxes[] = {IDC_DESKTOP_ICON, IDC_AUTO_START, IDC_DISPLAY_OK, IDC_DISPLAY_NO};

// Set once both licence texts are in their controls.
static int licence_loaded;

static void repaint_control(HWND dialog, int id)
{
    InvalidateRect(GetDlgItem(dialog, id), NULL, FALSE);
}

int is_ticked(HWND dialog, int id)
{
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

void show_page(HWND dialog, int page)
{
    for (int row = 0; page_table[row][0]; row++)
        for (int slot = 0; slot < 16 && page_table[row][slot]; slot++)
            ShowWindow(GetDlgItem(dialog, page_table[row][slot]), row == page ? SW_SHOW : SW_HIDE);

    if (!licence_loaded && page == 2)
        licence_loaded = load_licence_texts(dialog);

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

int read_windows_dir(void)
{
    UINT n = GetWindowsDirectoryA(g_state.windows_dir, sizeof(g_state.windows_dir));
    if (n > 0 && n < sizeof(g_state.windows_dir) &&
        add_trailing_backslash(g_state.windows_dir, sizeof(g_state.windows_dir)))
        return 1;
    g_state.windows_dir[0] = 0;
    return 0;
}

static BOOL init_wizard(HWND dialog)
{
    SendMessageA(dialog, WM_SETICON, ICON_BIG, (LPARAM)g_state.app_icon);
    SendMessageA(dialog, WM_SETICON, ICON_SMALL, (LPARAM)g_state.app_icon);

    read_windows_dir();

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
        subclass_check_box(GetDlgItem(dialog, id));

    // A new dialog has empty licence controls.
    licence_loaded = 0;
    return TRUE;
}

static void browse(HWND dialog)
{
    char folder[PATH_SIZE], path[PATH_SIZE];
    if (choose_folder(dialog, folder, sizeof(folder)) &&
        browse_result_path(path, sizeof(path), folder, g_state.default_folder_name))
        SetDlgItemTextA(dialog, IDC_PATH, path);
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
            show_text_message(MSG_ANSWER_PLEASE, MESSAGE_NOTICE, g_state.wizard_window);
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
        // Cancel, Escape and the close box end the wizard only between pages, never half-way
        // through the install step.
        if (on_page)
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
            draw_owner_button(item, g_state.wizard_page, g_state.default_command);
        return TRUE;
    }
    case WM_COMMAND:
        // A double-click on an owner-drawn button notifies BN_CLICKED and then BN_DOUBLECLICKED:
        // one press, one command.
        if (HIWORD(wparam) == BN_CLICKED)
            command(dialog, LOWORD(wparam));
        return FALSE;
    case WM_SETCURSOR:
        // The install step pumps the wizard's messages; the pointer stays the wait pointer over it.
        if (g_state.wizard_page == 99 && IsWindowEnabled(dialog)) {
            SetCursor(LoadCursorA(NULL, (LPCSTR)IDC_WAIT));
            SetWindowLongPtrA(dialog, DWLP_MSGRESULT, TRUE);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}
