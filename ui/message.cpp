// The one bilingual message dialog every notice and question goes through.

#include <string.h>

#include "resources/ids.h"
#include "base/base.h"
#include "ui/message_layout.h"
#include "ui/ui.h"

int message_kind;
char message_english[MESSAGE_ENGLISH_SIZE];
static const char *message_caption;
static int message_no_first;
// A message of several lines (the usage of the switches): its English text, or null for any other.
static const char *long_english;

enum { LONG_LINE_SIZE = 256, LONG_LINE_HEIGHT = 18 };

// The line of text starting at start (up to a line feed or the end) into line; returns where the
// next line starts, or null after the last.
static const char *next_line(const char *start, char *line, size_t size)
{
    const char *end = strchr(start, '\n');
    size_t length = end ? (size_t)(end - start) : strlen(start);
    if (length > 0 && start[length - 1] == '\r')
        length--;
    copy_text_truncated(line, length + 1 < size ? length + 1 : size, start);
    return end ? end + 1 : NULL;
}

// Each Chinese line from the glyph atlas, left-aligned with a margin.
static void draw_long_chinese(const DRAWITEMSTRUCT *item)
{
    char text[2048], line[LONG_LINE_SIZE];
    FillRect(item->hDC, &item->rcItem, (HBRUSH)(COLOR_BTNFACE + 1));
    GetWindowTextA(item->hwndItem, text, sizeof(text));
    SetTextColor(item->hDC, GetSysColor(COLOR_BTNTEXT));
    SelectObject(item->hDC, (HFONT)SendMessageA(GetParent(item->hwndItem), WM_GETFONT, 0, 0));
    int y = item->rcItem.top + 2;
    for (const char *at = text; at; y += LONG_LINE_HEIGHT) {
        at = next_line(at, line, sizeof(line));
        draw_gbk_text(item->hDC, item->rcItem.left + LONG_LINE_HEIGHT, y, line, 0);
    }
}

// Sized to its lines: the Chinese ones above, the English ones below, the OK button under both.
static void lay_out_long(HWND dialog, const char *chinese)
{
    HDC dc = GetDC(dialog);
    HGDIOBJ previous = SelectObject(dc, (HFONT)SendMessageA(dialog, WM_GETFONT, 0, 0));
    int width = 0, lines = 0;
    char line[LONG_LINE_SIZE];
    for (const char *at = chinese; at; lines++) {
        at = next_line(at, line, sizeof(line));
        SIZE extent = measure_gbk_text(dc, line);
        width = extent.cx > width ? extent.cx : width;
    }
    RECT english = {0, 0, 4000, 4000};
    DrawTextA(dc, long_english, -1, &english, DT_CALCRECT | DT_NOPREFIX);
    SelectObject(dc, previous);
    ReleaseDC(dialog, dc);
    width = english.right > width ? english.right : width;

    RECT button;
    HWND ok = GetDlgItem(dialog, IDC_MSG_OK);
    GetClientRect(ok, &button);
    int margin = LONG_LINE_HEIGHT, chinese_h = lines * LONG_LINE_HEIGHT + 4;
    int english_top = margin / 2 + chinese_h + margin / 2, button_top = english_top + english.bottom + margin;
    int client_w = width + 3 * margin, client_h = button_top + button.bottom + margin / 2;
    RECT frame = {0, 0, client_w, client_h};
    AdjustWindowRectEx(&frame, (DWORD)GetWindowLongPtrA(dialog, GWL_STYLE), FALSE,
                       (DWORD)GetWindowLongPtrA(dialog, GWL_EXSTYLE));
    int w = frame.right - frame.left, h = frame.bottom - frame.top;
    SetWindowPos(dialog, NULL, (GetSystemMetrics(SM_CXSCREEN) - w) / 2,
                 (GetSystemMetrics(SM_CYSCREEN) - h) / 2, w, h, SWP_NOZORDER);

    HWND chinese_area = GetDlgItem(dialog, IDC_MSG_CHINESE);
    SetWindowTextA(chinese_area, chinese);
    MoveWindow(chinese_area, 0, margin / 2, client_w, chinese_h, TRUE);
    HWND english_area = GetDlgItem(dialog, IDC_MSG_ENGLISH);
    LONG_PTR style = GetWindowLongPtrA(english_area, GWL_STYLE);
    SetWindowLongPtrA(english_area, GWL_STYLE, (style & ~(LONG_PTR)SS_TYPEMASK) | SS_LEFT | SS_NOPREFIX);
    SetWindowTextA(english_area, long_english);
    MoveWindow(english_area, margin, english_top, client_w - margin, english.bottom, TRUE);
    ShowWindow(ok, SW_SHOW);
    MoveWindow(ok, (client_w - button.right) / 2, button_top, button.right, button.bottom, TRUE);
}

static MessageMeasures measure_message(HWND dialog, const char *chinese)
{
    MessageMeasures m = {};
    m.kind = message_kind;
    m.chinese_bytes = lstrlenA(chinese);

    // Measured with the DC as it comes: no font is selected into it.
    HDC dc = GetDC(dialog);
    SIZE chinese_extent = measure_gbk_text(dc, chinese);
    m.cw = chinese_extent.cx;
    m.ch = chinese_extent.cy;
    SIZE english_extent = {0, 0};
    int english_length = lstrlenA(message_english);
    if (english_length == 0 || !GetTextExtentPointA(dc, message_english, english_length, &english_extent))
        english_extent = {0, 0};
    m.ew = english_extent.cx;
    m.eh = english_extent.cy;
    ReleaseDC(dialog, dc);

    int first, second;
    message_button_pair(message_kind, &first, &second);
    HWND measuring = GetDlgItem(dialog, first);
    RECT button;
    if (measuring && GetClientRect(measuring, &button)) {
        m.bw = button.right;
        m.bh = button.bottom;
    } else {
        m.bw = MESSAGE_DEFAULT_BUTTON_W;
        m.bh = MESSAGE_DEFAULT_BUTTON_H;
    }

    m.frame_x = GetSystemMetrics(SM_CXDLGFRAME);
    m.screen_w = GetSystemMetrics(SM_CXSCREEN);
    m.screen_h = GetSystemMetrics(SM_CYSCREEN);
    m.caption_h = GetSystemMetrics(SM_CYCAPTION);
    return m;
}

static void lay_out_dialog(HWND dialog, const char *chinese)
{
    MessageMeasures m = measure_message(dialog, chinese);
    MessageLayout layout = lay_out_message(&m);
    SetWindowPos(dialog, NULL, layout.left, layout.top, layout.width, layout.height, SWP_NOZORDER);
    RECT client;
    GetClientRect(dialog, &client);

    for (int i = 0; i < layout.button_count; i++) {
        HWND button = GetDlgItem(dialog, layout.button_id[i]);
        ShowWindow(button, SW_SHOW);
        MoveWindow(button, layout.button_left[i], layout.button_top, m.bw, m.bh, TRUE);
    }

    HWND chinese_area = GetDlgItem(dialog, IDC_MSG_CHINESE);
    SetWindowTextA(chinese_area, chinese);
    MoveWindow(chinese_area, client.left, layout.chinese_top, client.right, layout.chinese_height, TRUE);

    HWND english_area = GetDlgItem(dialog, IDC_MSG_ENGLISH);
    if (message_english[0]) {
        SetWindowTextA(english_area, message_english);
        MoveWindow(english_area, client.left, layout.english_top, client.right, layout.english_height, TRUE);
    } else {
        ShowWindow(english_area, SW_HIDE);
    }
}

static INT_PTR CALLBACK message_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_INITDIALOG:
        if (message_caption)
            SetWindowTextA(dialog, message_caption);
        if (long_english) {
            lay_out_long(dialog, (const char *)lparam);
            return TRUE;
        }
        lay_out_dialog(dialog, (const char *)lparam);
        if (message_no_first) {
            SetFocus(GetDlgItem(dialog, IDC_MSG_NO));
            return FALSE;
        }
        return TRUE;
    case WM_DRAWITEM:
        if (long_english && ((const DRAWITEMSTRUCT *)lparam)->CtlID == IDC_MSG_CHINESE)
            draw_long_chinese((const DRAWITEMSTRUCT *)lparam);
        else // no button of the message dialog is drawn as the default one
            draw_owner_button((const DRAWITEMSTRUCT *)lparam, 0, 0);
        return TRUE;
    case WM_COMMAND:
        if (message_command_closes(LOWORD(wparam)))
            EndDialog(dialog, LOWORD(wparam));
        return FALSE;
    default:
        return FALSE;
    }
}

int show_message(const char *chinese, const char *english, int kind, HWND owner)
{
    if (!chinese)
        chinese = "";
    message_kind = kind == MESSAGE_QUESTION_NO_FIRST ? MESSAGE_QUESTION : kind;
    message_no_first = kind == MESSAGE_QUESTION_NO_FIRST;
    // Cut, never overrun: the request holds 127 characters.
    copy_text_truncated(message_english, sizeof(message_english), english ? english : "");
    return (int)DialogBoxParamA(g_drawing.instance, MAKEINTRESOURCEA(IDD_MESSAGE), owner, message_proc,
                                (LPARAM)chinese);
}

int show_long_message(const char *chinese, const char *english, HWND owner)
{
    message_kind = MESSAGE_NOTICE;
    message_no_first = 0;
    message_english[0] = 0;
    long_english = english;
    int result = (int)DialogBoxParamA(g_drawing.instance, MAKEINTRESOURCEA(IDD_MESSAGE), owner, message_proc,
                                      (LPARAM)chinese);
    long_english = NULL;
    return result;
}

void set_message_caption(const char *caption)
{
    message_caption = caption;
}

int show_text_message(int name, int kind, HWND owner)
{
    return show_message(message_texts[name].chinese, message_texts[name].english, kind, owner);
}
