// Paints the owner-drawn buttons, labels, check boxes and list items with bilingual captions.
#include <stdlib.h>

#include "resources/ids.h"
#include "base/base.h"
#include "ui/gbk_walk.h"
#include "ui/owner_layout.h"
#include "ui/ui.h"

static OwnerRect owner_rect(const RECT &r)
{
    return {r.left, r.top, r.right, r.bottom};
}

static void draw_3d_frame(HDC dc, const RECT &r, int pressed, int is_default)
{
    HPEN light = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNHIGHLIGHT));
    HPEN dark = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
    HPEN top_left = pressed ? dark : light;
    HPEN bottom_right = pressed ? light : dark;
    HGDIOBJ previous = SelectObject(dc, top_left);
    int L = r.left, T = r.top, R = r.right, B = r.bottom;
    for (int i = 1; i <= 2; i++) {
        SelectObject(dc, top_left);
        MoveToEx(dc, L + i, B - i - 1, NULL);
        LineTo(dc, L + i, T + i);
        LineTo(dc, R - i - 1, T + i);
        SelectObject(dc, bottom_right);
        LineTo(dc, R - i - 1, B - i - 1);
        LineTo(dc, L + i, B - i - 1);
    }
    if (is_default) {
        SelectObject(dc, GetStockObject(BLACK_PEN));
        MoveToEx(dc, L, B - 1, NULL);
        LineTo(dc, L, T);
        LineTo(dc, R - 1, T);
        LineTo(dc, R - 1, B - 1);
        LineTo(dc, L, B - 1);
        MoveToEx(dc, L + 1, B - 2, NULL);
        LineTo(dc, R - 2, B - 2);
        LineTo(dc, R - 2, T + 1);
    } else {
        SelectObject(dc, bottom_right);
        MoveToEx(dc, L + 1, B - 1, NULL);
        LineTo(dc, R - 1, B - 1);
        LineTo(dc, R - 1, T);
    }
    SelectObject(dc, previous);
    DeleteObject(light);
    DeleteObject(dark);
}

static void draw_button_body(const DRAWITEMSTRUCT *item, const ButtonLook &look, int is_default)
{
    HDC dc = item->hDC;
    RECT r = item->rcItem;
    char window_text[BUTTON_TEXT_LIMIT + 1];
    const char *caption = look.caption;
    if (look.source == CAPTION_WINDOW_TEXT) {
        window_text[0] = 0;
        GetWindowTextA(item->hwndItem, window_text, sizeof(window_text));
        drop_split_pair(window_text);
        caption = window_text;
    }

    FillRect(dc, &r, (HBRUSH)(COLOR_BTNFACE + 1));
    int pressed = (item->itemState & ODS_SELECTED) != 0;
    if (look.frame)
        draw_3d_frame(dc, r, pressed, is_default);

    SIZE extent = measure_gbk_text(dc, caption);
    int x, y;
    button_caption_origin(owner_rect(r), extent.cx, look.centred, pressed, &x, &y);
    if (look.source == CAPTION_SYSTEM_FONT) {
        // The display test asks whether the system itself shows Chinese.
        if (g_drawing.gb_font) {
            HGDIOBJ previous = SelectObject(dc, g_drawing.gb_font);
            system_text_out(dc, x, y, caption, lstrlenA(caption));
            SelectObject(dc, previous);
        }
    } else {
        draw_gbk_text(dc, x, y, caption, 0);
    }
}

void draw_owner_button(const DRAWITEMSTRUCT *item, int page, int default_id)
{
    if (!item || item->CtlType != ODT_BUTTON)
        return;
    ButtonLook look = button_look((int)item->CtlID, page);
    if (look.source == CAPTION_NOTHING)
        return;
    if (item->itemAction & (ODA_DRAWENTIRE | ODA_SELECT))
        draw_button_body(item, look, default_id && (int)item->CtlID == default_id);
    // Labels too: a focused label shows its focus rectangle.
    if (item->itemState & ODS_FOCUS) {
        OwnerRect f = button_focus_rect(owner_rect(item->rcItem));
        RECT focus = {f.left, f.top, f.right, f.bottom};
        DrawFocusRect(item->hDC, &focus);
    }
}

LRESULT CALLBACK check_box_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_PAINT) {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        if (dc)
            paint_check_box(window, dc);
        EndPaint(window, &paint);
        return 0;
    }
    if (message == WM_LBUTTONDOWN)
        InvalidateRect(window, NULL, TRUE);
    if (!g_drawing.checkbox_base_proc)
        return DefWindowProcA(window, message, wparam, lparam);
    return CallWindowProcA(g_drawing.checkbox_base_proc, window, message, wparam, lparam);
}

void subclass_check_box(HWND box)
{
    g_drawing.checkbox_base_proc = (WNDPROC)SetWindowLongPtrA(box, GWLP_WNDPROC, (LONG_PTR)check_box_proc);
}

void paint_check_box(HWND window, HDC dc)
{
    int checked = SendMessageA(window, BM_GETCHECK, 0, 0) == BST_CHECKED;
    RECT client;
    GetClientRect(window, &client);
    int kind = button_kind((unsigned long)GetWindowLongPtrA(window, GWL_STYLE));

    char window_text[CHECK_BOX_TEXT_LIMIT + 1];
    const char *caption = check_box_caption(GetDlgCtrlID(window));
    if (!caption) {
        window_text[0] = 0;
        GetWindowTextA(window, window_text, sizeof(window_text));
        drop_split_pair(window_text);
        caption = window_text;
    }
    SIZE extent = measure_gbk_text(dc, caption);
    CheckBoxLayout layout = check_box_layout(owner_rect(client), kind, extent.cx);

    RECT fill = {layout.fill.left, layout.fill.top, layout.fill.right, layout.fill.bottom};
    FillRect(dc, &fill, (HBRUSH)(COLOR_BTNFACE + 1));
    UINT state = kind == BUTTON_RADIO ? DFCS_BUTTONRADIO : DFCS_BUTTONCHECK;
    if (checked)
        state |= DFCS_CHECKED;
    if (!IsWindowEnabled(window))
        state |= DFCS_INACTIVE;
    RECT box = {layout.box.left, layout.box.top, layout.box.right, layout.box.bottom};
    DrawFrameControl(dc, &box, DFC_BUTTON, state);

    draw_gbk_text(dc, layout.caption_x, layout.caption_y, caption, 0);
    if (GetFocus() == window) {
        RECT focus = {layout.focus.left, layout.focus.top, layout.focus.right, layout.focus.bottom};
        DrawFocusRect(dc, &focus);
    }
}

BOOL measure_list_item(MEASUREITEMSTRUCT *item)
{
    item->itemHeight = 23;
    item->itemWidth = 1024;
    return TRUE;
}

// The item's text, cut to the list's limit on a character boundary.
static void list_item_text(HWND control, int combo, UINT index, char *out, size_t size)
{
    out[0] = 0;
    LRESULT length = SendMessageA(control, combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN, index, 0);
    if (length < 0)
        return;
    // The text message has no size: give it room for the whole item.
    char *whole = (char *)malloc((size_t)length + 1);
    if (!whole)
        return;
    whole[0] = 0;
    LRESULT got = SendMessageA(control, combo ? CB_GETLBTEXT : LB_GETTEXT, index, (LPARAM)whole);
    if (got >= 0 && got <= length) {
        whole[got] = 0;
        copy_text_truncated(out, size, whole);
    }
    free(whole);
}

BOOL draw_list_item(HWND dialog, const DRAWITEMSTRUCT *item)
{
    HDC dc = item->hDC;
    SaveDC(dc);
    RECT r = item->rcItem;
    int combo = item->CtlID == IDC_LANGUAGE;
    int selected = (item->itemState & ODS_SELECTED) != 0;
    if (combo) {
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
        COLORREF background = GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW);
        SetBkColor(dc, background);
        HBRUSH brush = CreateSolidBrush(background);
        FillRect(dc, &r, brush);
        DeleteObject(brush);
    } else {
        SetTextColor(dc, RGB(0, 0, 0));
        SetBkColor(dc, GetSysColor(COLOR_WINDOW));
        FillRect(dc, &r, (HBRUSH)(COLOR_WINDOW + 1));
    }

    HWND control = GetDlgItem(dialog, item->CtlID);
    if (!control)
        control = item->hwndItem;
    LRESULT count = SendMessageA(control, combo ? CB_GETCOUNT : LB_GETCOUNT, 0, 0);
    if (count > 0 && (UINT)item->itemID < (UINT)count) {
        char text[LIST_TEXT_LIMIT + 1];
        list_item_text(control, combo, item->itemID, text, sizeof(text));
        InflateRect(&r, -2, -2);
        draw_gbk_text(dc, r.left, r.top, text, selected);
    }
    RestoreDC(dc, -1);
    return TRUE;
}
