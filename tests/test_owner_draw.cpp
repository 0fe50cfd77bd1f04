// Owner-drawn buttons, labels, check boxes and list items, drawn into DIB sections and read back.
#include <gtest/gtest.h>

#include <string>

#include "base/base.h"
#include "resources/ids.h"
#include "app/app.h"
#include "support/tavik_test.h"
#include "support/text_canvas.h"
#include "ui/owner_layout.h"
#include "ui/ui.h"

static const COLORREF magenta = RGB(255, 0, 255);

static COLORREF face()
{
    return GetSysColor(COLOR_BTNFACE);
}

// Pixels of an axis-parallel line, start included and end excluded, as LineTo draws them.
static void reference_line(const Canvas &c, int x0, int y0, int x1, int y1, COLORREF colour)
{
    int dx = (x1 > x0) - (x1 < x0), dy = (y1 > y0) - (y1 < y0);
    for (int x = x0, y = y0; x != x1 || y != y1; x += dx, y += dy)
        if (x >= 0 && y >= 0 && x < c.width && y < c.height)
            SetPixelV(c.dc, x, y, colour);
}

// The bevelled frame as its description reads, pixel by pixel.
static void reference_frame(const Canvas &c, RECT r, bool pressed, bool is_default)
{
    COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT), dark = GetSysColor(COLOR_BTNSHADOW);
    COLORREF tl = pressed ? dark : light, br = pressed ? light : dark, black = RGB(0, 0, 0);
    int L = r.left, T = r.top, R = r.right, B = r.bottom;
    for (int i = 1; i <= 2; i++) {
        reference_line(c, L + i, B - i - 1, L + i, T + i, tl);
        reference_line(c, L + i, T + i, R - i - 1, T + i, tl);
        reference_line(c, R - i - 1, T + i, R - i - 1, B - i - 1, br);
        reference_line(c, R - i - 1, B - i - 1, L + i, B - i - 1, br);
    }
    if (is_default) {
        reference_line(c, L, B - 1, L, T, black);
        reference_line(c, L, T, R - 1, T, black);
        reference_line(c, R - 1, T, R - 1, B - 1, black);
        reference_line(c, R - 1, B - 1, L, B - 1, black);
        reference_line(c, L + 1, B - 2, R - 2, B - 2, black);
        reference_line(c, R - 2, B - 2, R - 2, T + 1, black);
    } else {
        reference_line(c, L + 1, B - 1, R - 1, B - 1, br);
        reference_line(c, R - 1, B - 1, R - 1, T, br);
    }
}

static void fill_rect(const Canvas &c, RECT r, COLORREF colour)
{
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(c.dc, &r, brush);
    DeleteObject(brush);
}

class OwnerDraw : public ::testing::Test
{
  protected:
    HWND parent = NULL;
    int page = 0;              // the wizard page the painters are told about
    int default_id = IDC_NEXT; // the button they draw as the default one
    void SetUp() override
    {
        ASSERT_TRUE(load_setup_atlas());
        parent = CreateWindowA("STATIC", "panel", WS_POPUP, 0, 0, 600, 200, NULL, NULL, NULL, NULL);
        ASSERT_TRUE(parent);
    }
    void TearDown() override { DestroyWindow(parent); }
    HWND child(const char *cls, int id, DWORD style, const char *text, int w = 100, int h = 24)
    {
        return CreateWindowA(cls, text, WS_CHILD | WS_VISIBLE | style, 0, 0, w, h, parent, (HMENU)(INT_PTR)id,
                             NULL, NULL);
    }
    static DRAWITEMSTRUCT item(int id, HWND window, HDC dc, RECT r, UINT action = ODA_DRAWENTIRE,
                               UINT state = 0)
    {
        DRAWITEMSTRUCT d = {};
        d.CtlType = ODT_BUTTON;
        d.CtlID = id;
        d.itemAction = action;
        d.itemState = state;
        d.hwndItem = window;
        d.hDC = dc;
        d.rcItem = r;
        return d;
    }
};

TEST_F(OwnerDraw, FrameOfTheExampleRectangleMatchesPixelByPixel)
{
    HWND button = child("BUTTON", 1500, BS_OWNERDRAW, "");
    RECT r = {0, 0, 100, 24};
    COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT), dark = GetSysColor(COLOR_BTNSHADOW);
    ASSERT_NE(light, dark);
    ASSERT_NE(face(), dark);
    // A press or release alone (ODA_SELECT) repaints the whole button too.
    struct {
        bool pressed;
        bool is_default;
        UINT action;
    } variants[] = {{false, false, ODA_DRAWENTIRE}, {true, false, ODA_DRAWENTIRE},
                    {false, true, ODA_DRAWENTIRE},  {true, true, ODA_DRAWENTIRE},
                    {true, false, ODA_SELECT},      {false, true, ODA_SELECT}};
    for (const auto &v : variants) {
        default_id = v.is_default ? 1500 : IDC_NEXT;
        Canvas drawn = make_canvas(100, 24, magenta), expected = make_canvas(100, 24, face());
        DRAWITEMSTRUCT d = item(1500, button, drawn.dc, r, v.action, v.pressed ? ODS_SELECTED : 0);
        draw_owner_button(&d, page, default_id);
        reference_frame(expected, r, v.pressed, v.is_default);
        EXPECT_EQ(0, canvas_differences(drawn, expected))
            << v.pressed << v.is_default << " action " << v.action;
        free_canvas(&drawn);
        free_canvas(&expected);
    }
    default_id = IDC_NEXT;

    // The example as written: light lines, then dark ones, the outer edge and its gaps.
    Canvas c = make_canvas(100, 24, magenta);
    DRAWITEMSTRUCT d = item(1500, button, c.dc, r);
    draw_owner_button(&d, page, default_id);
    struct {
        int x, y;
        COLORREF colour;
    } points[] = {
        {1, 22, light}, {1, 1, light},   {97, 1, light},  {2, 21, light},   {2, 2, light},   {96, 2, light},
        {98, 1, dark},  {98, 22, dark},  {2, 22, dark},   {97, 2, dark},    {97, 21, dark},  {3, 21, dark},
        {1, 23, dark},  {98, 23, dark},  {99, 23, dark},  {99, 1, dark},    {99, 0, face()}, {0, 23, face()},
        {0, 0, face()}, {50, 0, face()}, {0, 12, face()}, {50, 12, face()}, {3, 3, face()},
    };
    for (const auto &p : points)
        EXPECT_EQ(p.colour, canvas_pixel(c, p.x, p.y)) << p.x << "," << p.y;
    free_canvas(&c);
}

struct CaptionRow {
    int id;
    int page;
    const char *caption;
    bool frame;
    bool centred;
};

// The captions in GBK, byte for byte.
static const CaptionRow caption_rows[] = {
    {IDC_MSG_OK, 0, "\xC8\xB7\xC8\xCF OK", true, true},
    {IDC_CANCEL, 0, "\xC8\xA1\xCF\xFB Cancel", true, true},
    {IDC_BACK, 0, "\xCD\xCB\xD2\xBB\xB2\xBD Back", true, true},
    {IDC_MSG_YES, 0, "\xCA\xC7 Yes", true, true},
    {IDC_MSG_NO, 0, "\xB7\xF1 No", true, true},
    {IDC_NEXT, 0, "\xCF\xC2\xD2\xBB\xB2\xBD Next", true, true},
    {IDC_NEXT, 2, "\xCF\xC2\xD2\xBB\xB2\xBD Next", true, true},
    {IDC_NEXT, 3, "\xCD\xAC\xD2\xE2/\xB0\xB2\xD7\xB0 Agree/Install", true, true},
    {IDC_NEXT, 99, "\xCD\xAC\xD2\xE2/\xB0\xB2\xD7\xB0 Agree/Install", true, true},
    {IDC_BROWSE, 0, "\xB8\xC4\xB1\xE4 Browse ....", true, true},
    {IDC_PATH_LABEL, 0, "\xB0\xB2\xD7\xB0\xC2\xB7\xBE\xB6\xA3\xBA (Install Path)", false, false},
    {IDC_CHOOSER_DIR_LABEL, 0, "\xC2\xB7\xBE\xB6 (Directories):", false, false},
    {IDC_BANNER_FAMILY, 0, "\xA1\xB6Tavik\xA1\xB7 Tavik", false, true},
    {IDC_CHOOSER_DRIVE_LABEL, 0, "\xB4\xC5\xC5\xCC (Drives):", false, false},
    {IDC_BANNER_ENGINE, 0, "\xD6\xD0\xCE\xC4\xCA\xE4\xC8\xEB\xD2\xFD\xC7\xE6 Input Engine", false, true},
    {IDC_BANNER_INSTALLER, 0, "\xB0\xB2\xD7\xB0\xB3\xCC\xD0\xF2", false, true},
    {IDC_DISPLAY_QUESTION, 0,
     "\xD2\xD4\xC9\xCF\xD6\xD0\xCE\xC4\xCF\xD4\xCA\xBE\xD5\xFD\xC8\xB7\xC2\xF0 (Is the Above Chinese Display "
     "OK)?",
     false, true},
    {IDC_UNUSED_FACE, 0, "", false, false},
    {IDC_LANGUAGE_LABEL, 0, "User Interface Language \xD3\xC3\xBB\xA7\xBD\xE7\xC3\xE6\xD3\xEF\xD1\xD4", false,
     true},
    // Window text: the message line, the spare label, and any other id.
    {IDC_MSG_CHINESE, 0, nullptr, false, true},
    {IDC_UNUSED_LABEL, 0, nullptr, false, false},
    {1500, 0, nullptr, true, true},
};

// What a button should look like: face, optional frame, caption at the described place.
static void reference_button(const Canvas &c, RECT r, const char *caption, bool frame, bool centred,
                             bool pressed, bool is_default)
{
    fill_rect(c, r, face());
    if (frame)
        reference_frame(c, r, pressed, is_default);
    int w = measure_gbk_text(c.dc, caption).cx;
    int x = centred ? r.left + (r.right - r.left - w) / 2 : r.left;
    int y = r.top + (r.bottom - r.top - 16) / 2;
    if (pressed) {
        x += 2;
        y += 1;
    }
    draw_gbk_text(c.dc, x, y, caption, 0);
}

TEST_F(OwnerDraw, CaptionTableByteForByteWithFramesAndPlacement)
{
    const char *window_text = "\xB4\xB0\xBF\xDA text"; // what the fixed rows must not show
    RECT r = {20, 0, 440, 26};
    for (const CaptionRow &row : caption_rows) {
        page = row.page;
        HWND button = child("BUTTON", row.id, BS_OWNERDRAW, window_text);
        const char *caption = row.caption ? row.caption : window_text;
        for (bool pressed : {false, true}) {
            Canvas drawn = make_canvas(460, 26, magenta), expected = make_canvas(460, 26, magenta);
            DRAWITEMSTRUCT d = item(row.id, button, drawn.dc, r, ODA_DRAWENTIRE, pressed ? ODS_SELECTED : 0);
            draw_owner_button(&d, page, default_id);
            reference_button(expected, r, caption, row.frame, row.centred, pressed, row.id == IDC_NEXT);
            EXPECT_EQ(0, canvas_differences(drawn, expected))
                << row.id << " page " << row.page << " pressed " << pressed;
            RECT inner = {r.left + 3, r.top + 3, r.right - 3, r.bottom - 3};
            if (*caption) {
                EXPECT_GT(pixels_not(drawn, inner, face()), 30) << row.id;
            }
            free_canvas(&drawn);
            free_canvas(&expected);
        }
        DestroyWindow(button);
    }
}

TEST_F(OwnerDraw, WindowTextIsReadUpToSeventyNineBytes)
{
    std::string ascii(100, 'i'), chinese;
    for (int i = 0; i < 50; i++)
        chinese += "\xD6\xD0";
    struct {
        std::string text;
        std::string shown;
    } rows[] = {
        {ascii, ascii.substr(0, 79)},
        {ascii.substr(0, 79), ascii.substr(0, 79)},
        {chinese, chinese.substr(0, 78)}, // 79 bytes would end in half a character
        {"i" + chinese, "i" + chinese.substr(0, 78)},
    };
    RECT r = {0, 0, 1200, 24};
    for (const auto &row : rows) {
        HWND label = child("BUTTON", IDC_MSG_CHINESE, BS_OWNERDRAW | WS_DISABLED, row.text.c_str());
        Canvas drawn = make_canvas(1200, 24, magenta), expected = make_canvas(1200, 24, magenta);
        DRAWITEMSTRUCT d = item(IDC_MSG_CHINESE, label, drawn.dc, r);
        draw_owner_button(&d, page, default_id);
        reference_button(expected, r, row.shown.c_str(), false, true, false, false);
        EXPECT_EQ(0, canvas_differences(drawn, expected)) << row.text.size();
        free_canvas(&drawn);
        free_canvas(&expected);
        DestroyWindow(label);
    }
}

TEST_F(OwnerDraw, WideCaptionIsCentredLeftOfTheControlAndNotClipped)
{
    HWND label = child("BUTTON", IDC_DISPLAY_QUESTION, BS_OWNERDRAW | WS_DISABLED, "");
    RECT r = {200, 0, 260, 24};
    Canvas c = make_canvas(460, 24, magenta);
    DRAWITEMSTRUCT d = item(IDC_DISPLAY_QUESTION, label, c.dc, r);
    draw_owner_button(&d, page, default_id);
    RECT left_of = {0, 0, 200, 24}, right_of = {260, 0, 460, 24};
    EXPECT_GT(pixels_not(c, left_of, magenta), 50);
    EXPECT_GT(pixels_not(c, right_of, magenta), 50);
    free_canvas(&c);
}

TEST_F(OwnerDraw, FocusRectangleIsInsetByATenthAndAnEighthForButtonsAndLabels)
{
    HWND cancel = child("BUTTON", IDC_CANCEL, BS_OWNERDRAW, "");
    HWND label = child("BUTTON", IDC_PATH_LABEL, BS_OWNERDRAW | WS_DISABLED, "");
    RECT r = {0, 0, 100, 24};
    RECT inset = {10, 3, 90, 21};
    // Focus change only: nothing but the focus rectangle.
    for (HWND w : {cancel, label}) {
        Canvas drawn = make_canvas(100, 24, RGB(255, 255, 255)),
               expected = make_canvas(100, 24, RGB(255, 255, 255));
        DRAWITEMSTRUCT d = item(GetDlgCtrlID(w), w, drawn.dc, r, ODA_FOCUS, ODS_FOCUS);
        draw_owner_button(&d, page, default_id);
        DrawFocusRect(expected.dc, &inset);
        EXPECT_EQ(0, canvas_differences(drawn, expected)) << GetDlgCtrlID(w);
        EXPECT_GT(pixels_not(drawn, r, RGB(255, 255, 255)), 50);
        free_canvas(&drawn);
        free_canvas(&expected);
    }
    // Whole drawing of a focused label: body, then the focus mark.
    Canvas drawn = make_canvas(100, 24, magenta), expected = make_canvas(100, 24, magenta);
    DRAWITEMSTRUCT d = item(IDC_PATH_LABEL, label, drawn.dc, r, ODA_DRAWENTIRE, ODS_FOCUS);
    draw_owner_button(&d, page, default_id);
    reference_button(expected, r, "\xB0\xB2\xD7\xB0\xC2\xB7\xBE\xB6\xA3\xBA (Install Path)", false, false,
                     false, false);
    DrawFocusRect(expected.dc, &inset);
    EXPECT_EQ(0, canvas_differences(drawn, expected));
    // Losing the focus toggles the mark off again.
    d.itemAction = ODA_FOCUS;
    d.itemState = 0;
    Canvas before = make_canvas(100, 24, magenta);
    BitBlt(before.dc, 0, 0, 100, 24, drawn.dc, 0, 0, SRCCOPY);
    draw_owner_button(&d, page, default_id);
    EXPECT_EQ(0, canvas_differences(drawn, before));
    free_canvas(&before);
    free_canvas(&drawn);
    free_canvas(&expected);
}

TEST_F(OwnerDraw, BlankBannerPaintsNothingAndSpareFacePaintsOnlyTheFace)
{
    HWND blank = child("BUTTON", IDC_BANNER_BLANK, BS_OWNERDRAW | WS_DISABLED, "\xD6\xD0 text");
    HWND spare = child("BUTTON", IDC_UNUSED_FACE, BS_OWNERDRAW | WS_DISABLED, "\xD6\xD0 text");
    RECT r = {0, 0, 100, 24};
    Canvas c = make_canvas(100, 24, magenta);
    DRAWITEMSTRUCT d =
        item(IDC_BANNER_BLANK, blank, c.dc, r, ODA_DRAWENTIRE | ODA_FOCUS, ODS_FOCUS | ODS_SELECTED);
    draw_owner_button(&d, page, default_id);
    EXPECT_EQ(0, pixels_not(c, r, magenta));
    d = item(IDC_UNUSED_FACE, spare, c.dc, r, ODA_DRAWENTIRE, ODS_SELECTED);
    draw_owner_button(&d, page, default_id);
    EXPECT_EQ(0, pixels_not(c, r, face()));
    // Not a button: left alone.
    fill_canvas(c, magenta);
    d = item(IDC_CANCEL, spare, c.dc, r);
    d.CtlType = ODT_LISTBOX;
    draw_owner_button(&d, page, default_id);
    EXPECT_EQ(0, pixels_not(c, r, magenta));
    free_canvas(&c);
}

TEST_F(OwnerDraw, SampleLineUsesTheTestFontOrStaysBlank)
{
    HWND sample = child("BUTTON", IDC_SAMPLE_LINE, BS_OWNERDRAW | WS_DISABLED, "");
    const char *line = "\xC8\xD5\xB3\xF6\xBD\xAD\xBB\xA8\xBA\xEC\xCA\xA4\xBB\xF0";
    RECT r = {0, 0, 300, 40};
    probe_environment();
    create_test_font();
    ASSERT_TRUE(g_drawing.gb_font);
    Canvas drawn = make_canvas(300, 40, magenta), expected = make_canvas(300, 40, magenta);
    HGDIOBJ font_before = GetCurrentObject(drawn.dc, OBJ_FONT);
    DRAWITEMSTRUCT d = item(IDC_SAMPLE_LINE, sample, drawn.dc, r);
    draw_owner_button(&d, page, default_id);
    EXPECT_EQ(font_before, GetCurrentObject(drawn.dc, OBJ_FONT));
    fill_rect(expected, r, face());
    int x = (300 - measure_gbk_text(expected.dc, line).cx) / 2, y = (40 - 16) / 2;
    EXPECT_EQ(94, x); // seven cells wide, measured in the DC's own font
    HGDIOBJ old = SelectObject(expected.dc, g_drawing.gb_font);
    TextOutA(expected.dc, x, y, line, 14);
    SelectObject(expected.dc, old);
    EXPECT_EQ(0, canvas_differences(drawn, expected));
    EXPECT_GT(pixels_not(drawn, r, face()), 20);

    DeleteObject(g_drawing.gb_font);
    g_drawing.gb_font = NULL;
    fill_canvas(drawn, magenta);
    draw_owner_button(&d, page, default_id);
    EXPECT_EQ(0, pixels_not(drawn, r, face()));
    free_canvas(&drawn);
    free_canvas(&expected);
}

TEST(CheckBoxLayout, ExampleOfClientHeightTwentyFour)
{
    CheckBoxLayout box = check_box_layout({0, 0, 200, 24}, BUTTON_CHECK_BOX, 50);
    EXPECT_EQ(-2, box.fill.left);
    EXPECT_EQ(-2, box.fill.top);
    EXPECT_EQ(202, box.fill.right);
    EXPECT_EQ(26, box.fill.bottom);
    EXPECT_EQ(2, box.box.left);
    EXPECT_EQ(4, box.box.top);
    EXPECT_EQ(15, box.box.right);
    EXPECT_EQ(16, box.box.bottom);
    EXPECT_EQ(28, box.caption_x);
    EXPECT_EQ(1, box.caption_y);
    EXPECT_EQ(27, box.focus.left);
    EXPECT_EQ(0, box.focus.top);
    EXPECT_EQ(81, box.focus.right);
    EXPECT_EQ(19, box.focus.bottom);

    CheckBoxLayout radio = check_box_layout({0, 0, 200, 24}, BUTTON_RADIO, 50);
    EXPECT_EQ(-1, radio.box.left);
    EXPECT_EQ(1, radio.box.top);
    EXPECT_EQ(19, radio.box.right);
    EXPECT_EQ(22, radio.box.bottom);
    EXPECT_EQ(39, radio.caption_x);

    EXPECT_EQ(BUTTON_CHECK_BOX, button_kind(BS_CHECKBOX | WS_TABSTOP));
    EXPECT_EQ(BUTTON_CHECK_BOX, button_kind(BS_AUTOCHECKBOX));
    EXPECT_EQ(BUTTON_RADIO, button_kind(BS_RADIOBUTTON));
    EXPECT_EQ(BUTTON_RADIO, button_kind(BS_AUTORADIOBUTTON | WS_GROUP));
    EXPECT_EQ(BUTTON_THREE_STATE, button_kind(BS_3STATE));
    EXPECT_EQ(BUTTON_OTHER, button_kind(BS_PUSHBUTTON));
}

struct CheckRow {
    int id;
    DWORD style;
    int check;
    bool disabled;
    const char *caption;
};

TEST_F(OwnerDraw, CheckBoxesDrawTheirBoxAndCaptionWhereDescribed)
{
    std::string long_text(140, 'l');
    std::string shown = long_text.substr(0, 126);
    CheckRow rows[] = {
        {IDC_DESKTOP_ICON, BS_AUTOCHECKBOX, BST_UNCHECKED, false,
         "\xBD\xA8\xC1\xA2\xD7\xC0\xC3\xE6\xCD\xBC\xB1\xEA\xA3\xBF  (Place an icon on Desktop)"},
        {IDC_AUTO_START, BS_AUTOCHECKBOX, BST_CHECKED, false,
         "\xBF\xAA\xBB\xFA\xCA\xB1\xD7\xD4\xB6\xAF\xC6\xF4\xB6\xAF\xA3\xBF(Auto-start on boot)"},
        {IDC_DISPLAY_OK, BS_AUTOCHECKBOX, BST_CHECKED, true, "\xD5\xFD\xC8\xB7(OK)"},
        {IDC_DISPLAY_NO, BS_CHECKBOX, BST_UNCHECKED, true, "\xB2\xBB\xD5\xFD\xC8\xB7(NO)"},
        {IDC_DISPLAY_NO, BS_AUTORADIOBUTTON, BST_CHECKED, false, "\xB2\xBB\xD5\xFD\xC8\xB7(NO)"},
        {IDC_DISPLAY_OK, BS_AUTO3STATE, BST_INDETERMINATE, false, "\xD5\xFD\xC8\xB7(OK)"},
        {1600, BS_AUTOCHECKBOX, BST_CHECKED, false, shown.c_str()},
    };
    ShowWindow(parent, SW_SHOWNA);
    for (const CheckRow &row : rows) {
        HWND box =
            child("BUTTON", row.id, row.style, row.id == 1600 ? long_text.c_str() : "window text", 1200, 24);
        SendMessageA(box, BM_SETCHECK, row.check, 0);
        EnableWindow(box, !row.disabled);
        for (bool focused : {false, true}) {
            if (focused && row.disabled)
                continue; // a disabled window takes no focus
            if (focused)
                SetFocus(box);
            else
                SetFocus(NULL);
            ASSERT_EQ(focused, GetFocus() == box);
            Canvas drawn = make_canvas(1210, 30, magenta), expected = make_canvas(1210, 30, magenta);
            paint_check_box(box, drawn.dc);

            int kind = button_kind(row.style);
            int w = measure_gbk_text(expected.dc, row.caption).cx;
            CheckBoxLayout layout = check_box_layout({0, 0, 1200, 24}, kind, w);
            fill_rect(expected, {-2, -2, 1202, 26}, face());
            RECT k = {layout.box.left, layout.box.top, layout.box.right, layout.box.bottom};
            UINT state = (kind == BUTTON_RADIO ? DFCS_BUTTONRADIO : DFCS_BUTTONCHECK) |
                         (row.check == BST_CHECKED ? DFCS_CHECKED : 0) | (row.disabled ? DFCS_INACTIVE : 0);
            DrawFrameControl(expected.dc, &k, DFC_BUTTON, state);
            draw_gbk_text(expected.dc, layout.caption_x, 1, row.caption, 0);
            if (focused) {
                RECT f = {layout.caption_x - 1, 0, layout.caption_x + w + 3, 19};
                DrawFocusRect(expected.dc, &f);
            }
            EXPECT_EQ(0, canvas_differences(drawn, expected))
                << row.id << " style " << row.style << " focus " << focused;
            // Face around the box, something drawn in it, and the caption to the right.
            RECT box_area = {k.left, k.top, k.right, k.bottom};
            EXPECT_GT(pixels_not(drawn, box_area, face()), 10);
            RECT above_box = {0, 0, k.right, k.top};
            EXPECT_EQ(0, pixels_not(drawn, above_box, face())) << row.id;
            RECT caption_area = {layout.caption_x, 1, layout.caption_x + w, 18};
            EXPECT_GT(pixels_not(drawn, caption_area, face()), 20);
            free_canvas(&drawn);
            free_canvas(&expected);
        }
        DestroyWindow(box);
    }
}

// Stands for the standard button procedure behind the subclassed check box.
static struct {
    WNDPROC real;
    int paints;
    int erases;
    int presses;
    BOOL update_at_press;
    RECT update_rect;
} base;

static LRESULT CALLBACK recording_base(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    switch (m) {
    case WM_PAINT:
        base.paints++;
        break;
    case WM_ERASEBKGND:
        base.erases++;
        return 1;
    case WM_LBUTTONDOWN:
        base.presses++;
        base.update_at_press = GetUpdateRect(w, &base.update_rect, FALSE);
        return 0;
    case WM_USER + 7:
        return 4321;
    }
    return CallWindowProcA(base.real, w, m, wp, lp);
}

TEST_F(OwnerDraw, SubclassedCheckBoxPaintsItselfAndInvalidatesOnPress)
{
    ShowWindow(parent, SW_SHOWNA);
    HWND box = child("BUTTON", IDC_AUTO_START, BS_AUTOCHECKBOX | WS_TABSTOP, "x", 300, 24);
    base = {};
    base.real = (WNDPROC)SetWindowLongPtrA(box, GWLP_WNDPROC, (LONG_PTR)check_box_proc);
    WNDPROC saved = g_drawing.checkbox_base_proc;
    g_drawing.checkbox_base_proc = recording_base;

    SendMessageA(box, BM_SETCHECK, BST_CHECKED, 0);
    InvalidateRect(box, NULL, FALSE);
    UpdateWindow(box);
    EXPECT_EQ(0, base.paints);
    Canvas seen = make_canvas(300, 24, magenta), expected = make_canvas(300, 24, magenta);
    HDC window_dc = GetDC(box);
    BitBlt(seen.dc, 0, 0, 300, 24, window_dc, 0, 0, SRCCOPY);
    ReleaseDC(box, window_dc);
    paint_check_box(box, expected.dc);
    EXPECT_EQ(0, canvas_differences(seen, expected));

    ValidateRect(box, NULL);
    SendMessageA(box, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_EQ(1, base.presses);
    EXPECT_TRUE(base.update_at_press);
    EXPECT_EQ(0, base.update_rect.left);
    EXPECT_EQ(0, base.update_rect.top);
    EXPECT_EQ(300, base.update_rect.right);
    EXPECT_EQ(24, base.update_rect.bottom);
    int erases = base.erases;
    UpdateWindow(box);
    EXPECT_GT(base.erases, erases); // invalidated with erasing
    EXPECT_EQ(0, base.paints);

    EXPECT_EQ(4321, SendMessageA(box, WM_USER + 7, 0, 0));
    g_drawing.checkbox_base_proc = saved;
    SetWindowLongPtrA(box, GWLP_WNDPROC, (LONG_PTR)base.real);
    free_canvas(&seen);
    free_canvas(&expected);
}

TEST(ListMeasure, GivesTwentyThreeByTenTwentyFour)
{
    for (int id : {IDC_LICENCE_CN_LIST, IDC_LANGUAGE}) {
        MEASUREITEMSTRUCT m = {};
        m.CtlType = id == IDC_LANGUAGE ? ODT_COMBOBOX : ODT_LISTBOX;
        m.CtlID = id;
        m.itemHeight = 5;
        m.itemWidth = 5;
        EXPECT_TRUE(measure_list_item(&m));
        EXPECT_EQ(23u, m.itemHeight);
        EXPECT_EQ(1024u, m.itemWidth);
    }
}

class ListItems : public OwnerDraw
{
  protected:
    HWND combo = NULL;
    HWND list = NULL;
    void SetUp() override
    {
        OwnerDraw::SetUp();
        combo = child("COMBOBOX", IDC_LANGUAGE, CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS, "",
                      200, 200);
        list = child("LISTBOX", IDC_LICENCE_CN_LIST, LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOSEL, "", 200,
                     200);
        ASSERT_TRUE(combo && list);
    }
    DRAWITEMSTRUCT list_item(HWND control, int index, HDC dc, UINT state)
    {
        DRAWITEMSTRUCT d = item(GetDlgCtrlID(control), control, dc, {0, 0, 200, 23}, ODA_DRAWENTIRE, state);
        d.CtlType = control == combo ? ODT_COMBOBOX : ODT_LISTBOX;
        d.itemID = index;
        return d;
    }
};

TEST_F(ListItems, ComboItemsUseWindowOrHighlightColoursAndRestoreTheDc)
{
    const char *names[] = {"English", "\xBC\xF2\xCC\xE5\xD6\xD0\xCE\xC4", "\xB7\xB1\xF3\x77\xD6\xD0\xCE\xC4"};
    for (const char *n : names)
        SendMessageA(combo, CB_ADDSTRING, 0, (LPARAM)n);
    COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT), highlight_text = GetSysColor(COLOR_HIGHLIGHTTEXT);
    COLORREF window = GetSysColor(COLOR_WINDOW), window_text = GetSysColor(COLOR_WINDOWTEXT);
    ASSERT_NE(highlight, window);
    for (bool selected : {false, true}) {
        Canvas drawn = make_canvas(200, 23, magenta), expected = make_canvas(200, 23, magenta);
        SetTextColor(drawn.dc, RGB(1, 2, 3));
        SetBkColor(drawn.dc, RGB(4, 5, 6));
        SetBkMode(drawn.dc, OPAQUE);
        DRAWITEMSTRUCT d = list_item(combo, 1, drawn.dc, selected ? ODS_SELECTED : 0);
        EXPECT_TRUE(draw_list_item(parent, &d));
        EXPECT_EQ(RGB(1, 2, 3), GetTextColor(drawn.dc));
        EXPECT_EQ(RGB(4, 5, 6), GetBkColor(drawn.dc));
        EXPECT_EQ(OPAQUE, GetBkMode(drawn.dc));

        COLORREF paper = selected ? highlight : window;
        COLORREF ink = selected ? (highlight | highlight_text) : (paper & window_text);
        fill_rect(expected, {0, 0, 200, 23}, paper);
        SetTextColor(expected.dc, selected ? highlight_text : window_text);
        SetBkColor(expected.dc, paper);
        draw_gbk_text(expected.dc, 2, 2, names[1], selected);
        EXPECT_EQ(0, canvas_differences(drawn, expected)) << selected;
        EXPECT_EQ(paper, canvas_pixel(drawn, 0, 0));
        EXPECT_EQ(paper, canvas_pixel(drawn, 199, 22));
        int ink_pixels = 0;
        for (int y = 2; y < 18; y++)
            for (int x = 2; x < 66; x++)
                ink_pixels += canvas_pixel(drawn, x, y) == ink;
        EXPECT_GT(ink_pixels, 40) << selected;
        free_canvas(&drawn);
        free_canvas(&expected);
    }
    // The empty edit field (-1) and an index past the end show only the fill.
    for (int index : {-1, 3, 100}) {
        Canvas c = make_canvas(200, 23, magenta);
        DRAWITEMSTRUCT d = list_item(combo, index, c.dc, ODS_SELECTED);
        EXPECT_TRUE(draw_list_item(parent, &d));
        EXPECT_EQ(0, pixels_not(c, {0, 0, 200, 23}, highlight)) << index;
        free_canvas(&c);
    }
}

TEST_F(ListItems, LicenceLinesAreBlackOnTheWindowColourAndCutAtTheBufferSize)
{
    std::string line = "\xB1\xBE\xC8\xED\xBC\xFE licence line";
    std::string long_line(300, 'w');
    SendMessageA(list, LB_ADDSTRING, 0, (LPARAM)line.c_str());
    SendMessageA(list, LB_ADDSTRING, 0, (LPARAM)long_line.c_str());
    COLORREF window = GetSysColor(COLOR_WINDOW);

    Canvas drawn = make_canvas(200, 23, magenta), expected = make_canvas(200, 23, magenta);
    SetTextColor(drawn.dc, RGB(200, 0, 0));
    DRAWITEMSTRUCT d = list_item(list, 0, drawn.dc, 0);
    EXPECT_TRUE(draw_list_item(parent, &d));
    fill_rect(expected, {0, 0, 200, 23}, window);
    SetTextColor(expected.dc, RGB(0, 0, 0));
    SetBkColor(expected.dc, window);
    draw_gbk_text(expected.dc, 2, 2, line.c_str(), 0);
    EXPECT_EQ(0, canvas_differences(drawn, expected));
    EXPECT_GT(pixels_not(drawn, {2, 2, 34, 18}, window), 30);
    for (int y = 2; y < 18; y++)
        for (int x = 2; x < 34; x++) {
            COLORREF p = canvas_pixel(drawn, x, y);
            ASSERT_TRUE(p == window || p == RGB(0, 0, 0)) << x << "," << y;
        }
    free_canvas(&drawn);
    free_canvas(&expected);

    const int wide = 4000;
    Canvas cut = make_canvas(wide, 23, magenta), reference = make_canvas(wide, 23, magenta);
    d = list_item(list, 1, cut.dc, 0);
    d.rcItem.right = wide;
    draw_list_item(parent, &d);
    fill_rect(reference, {0, 0, wide, 23}, window);
    draw_gbk_text(reference.dc, 2, 2, long_line.substr(0, 259).c_str(), 0);
    EXPECT_EQ(0, canvas_differences(cut, reference));
    free_canvas(&cut);
    free_canvas(&reference);
}

// A panel of every kind of owner-drawn control in a real dialog, for the eye.
static INT_PTR CALLBACK panel_proc(HWND dialog, UINT message, WPARAM, LPARAM lparam)
{
    switch (message) {
    case WM_INITDIALOG:
        for (int id : {IDC_DESKTOP_ICON, IDC_AUTO_START, IDC_DISPLAY_OK, IDC_DISPLAY_NO})
            subclass_check_box(GetDlgItem(dialog, id));
        return TRUE;
    case WM_MEASUREITEM:
        return measure_list_item((MEASUREITEMSTRUCT *)lparam);
    case WM_DRAWITEM: {
        const DRAWITEMSTRUCT *d = (const DRAWITEMSTRUCT *)lparam;
        if (d->CtlID == IDC_LANGUAGE || d->CtlID == IDC_LICENCE_CN_LIST)
            return draw_list_item(dialog, d);
        draw_owner_button(d, 0, IDC_NEXT);
        return TRUE;
    }
    }
    return FALSE;
}

TEST_F(OwnerDraw, PanelScreenshotShowsCaptionsFromTheAtlas)
{
    const DWORD label = BS_OWNERDRAW | WS_DISABLED;
    std::vector<PanelItem> items = {
        {IDC_BANNER_FAMILY, 0x80, label, 6, 6, 118, 16, L""},
        {IDC_BANNER_ENGINE, 0x80, label, 6, 24, 118, 16, L""},
        {IDC_BANNER_INSTALLER, 0x80, label, 6, 42, 118, 16, L""},
        {IDC_PATH_LABEL, 0x80, label, 140, 6, 188, 16, L""},
        {IDC_BROWSE, 0x80, BS_OWNERDRAW | WS_TABSTOP, 140, 26, 76, 16, L""},
        {IDC_DESKTOP_ICON, 0x80, BS_AUTOCHECKBOX | WS_TABSTOP, 140, 48, 220, 16, L""},
        {IDC_AUTO_START, 0x80, BS_AUTOCHECKBOX | WS_TABSTOP, 140, 66, 220, 16, L""},
        {IDC_DISPLAY_QUESTION, 0x80, label, 6, 88, 230, 16, L""},
        {IDC_DISPLAY_OK, 0x80, BS_AUTOCHECKBOX | WS_TABSTOP, 20, 106, 100, 16, L""},
        {IDC_DISPLAY_NO, 0x80, BS_AUTOCHECKBOX | WS_TABSTOP | WS_DISABLED, 130, 106, 100, 16, L""},
        {IDC_LANGUAGE_LABEL, 0x80, label, 6, 128, 230, 16, L""},
        {IDC_LANGUAGE, 0x85, CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS | WS_TABSTOP, 240, 128,
         120, 80, L""},
        {IDC_BACK, 0x80, BS_OWNERDRAW | WS_TABSTOP, 100, 156, 68, 16, L""},
        {IDC_NEXT, 0x80, BS_OWNERDRAW | WS_TABSTOP, 176, 156, 106, 16, L""},
        {IDC_CANCEL, 0x80, BS_OWNERDRAW | WS_TABSTOP, 290, 156, 68, 16, L""},
    };
    std::vector<WORD> tmpl = panel_template(L"Owner-drawn controls", 370, 180, items);
    HWND dialog =
        CreateDialogIndirectParamA(GetModuleHandleA(NULL), (LPCDLGTEMPLATEA)tmpl.data(), NULL, panel_proc, 0);
    ASSERT_TRUE(dialog);
    HWND language = GetDlgItem(dialog, IDC_LANGUAGE);
    SendMessageA(language, CB_ADDSTRING, 0, (LPARAM) "English");
    SendMessageA(language, CB_ADDSTRING, 0, (LPARAM) "\xBC\xF2\xCC\xE5\xD6\xD0\xCE\xC4 Simplified");
    SendMessageA(language, CB_SETCURSEL, 1, 0);
    SendMessageA(GetDlgItem(dialog, IDC_AUTO_START), BM_SETCHECK, BST_CHECKED, 0);
    SendMessageA(GetDlgItem(dialog, IDC_DISPLAY_OK), BM_SETCHECK, BST_CHECKED, 0);
    SetWindowPos(dialog, HWND_TOP, 40, 40, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    SetFocus(GetDlgItem(dialog, IDC_DESKTOP_ICON));
    RedrawWindow(dialog, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);

    Canvas shot = capture_window(dialog);
    std::string path = save_screenshot(shot, "owner_draw_panel");
    EXPECT_FALSE(path.empty());
    // The forward button carries the black default mark on screen.
    HWND next = GetDlgItem(dialog, IDC_NEXT);
    RECT r;
    GetWindowRect(next, &r);
    RECT window;
    GetWindowRect(dialog, &window);
    EXPECT_EQ(RGB(0, 0, 0), canvas_pixel(shot, r.left - window.left, r.top - window.top));
    EXPECT_EQ(RGB(0, 0, 0), canvas_pixel(shot, r.right - 1 - window.left, r.bottom - 1 - window.top));
    // The banner label shows atlas ink on the face colour.
    HWND engine = GetDlgItem(dialog, IDC_BANNER_ENGINE);
    GetWindowRect(engine, &r);
    RECT banner = {r.left - window.left, r.top - window.top, r.right - window.left, r.bottom - window.top};
    EXPECT_GT(pixels_not(shot, banner, face()), 100);
    free_canvas(&shot);
    DestroyWindow(dialog);
}
