// The one bilingual message dialog every notice and question goes through.

#include "resources/ids.h"
#include "base/base.h"
#include "ui/message_layout.h"
#include "ui/ui.h"

int message_kind;
char message_english[MESSAGE_ENGLISH_SIZE];
static const char *message_caption;
static int message_no_first;

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
        lay_out_dialog(dialog, (const char *)lparam);
        if (message_no_first) {
            SetFocus(GetDlgItem(dialog, IDC_MSG_NO));
            return FALSE;
        }
        return TRUE;
    case WM_DRAWITEM:
        // No button of the message dialog is drawn as the default one.
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

void set_message_caption(const char *caption)
{
    message_caption = caption;
}

int show_text_message(int name, int kind, HWND owner)
{
    return show_message(message_texts[name].chinese, message_texts[name].english, kind, owner);
}
