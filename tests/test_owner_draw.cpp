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

static const COLORREF magenta = RGB(255, 0, 255), black = RGB(0, 0, 0);

static COLORREF face()
{
    return GetSysColor(COLOR_BTNFACE);
}

static void fill_rect(const Canvas &c, RECT r, COLORREF colour)
{
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(c.dc, &r, brush);
    DeleteObject(brush);
}

// Where a text showed in a drawing: the top-left of its cells and its advance.
struct TextSpot {
    int x, y, width;
};

// Finds text by its ink inside area (paper elsewhere in it) and checks it pixel for pixel
// against the same text built from the atlas as stored and the DC's font at that place.
static TextSpot expect_text(const Canvas &drawn, RECT area, const char *text, COLORREF paper,
                            COLORREF cell_ink, COLORREF ascii_ink)
{
    TextSpot spot = {0, 0, 0};
    HGDIOBJ font = GetCurrentObject(drawn.dc, OBJ_FONT);
    const int margin = 8;
    Canvas alone = make_canvas(drawn.width + 2 * margin, 16 + 2 * margin, paper);
    HGDIOBJ alone_font = SelectObject(alone.dc, font);
    spot.width = draw_expected_text(alone, margin, margin, text, cell_ink, ascii_ink);
    RECT own = ink_bounds(alone, {0, 0, alone.width, alone.height}, paper);
    SelectObject(alone.dc, alone_font);
    free_canvas(&alone);
    RECT seen = ink_bounds(drawn, area, paper);
    if (IsRectEmpty(&own)) {
        EXPECT_TRUE(IsRectEmpty(&seen)) << "ink where \"" << text << "\" has none";
        return spot;
    }
    if (IsRectEmpty(&seen)) {
        ADD_FAILURE() << "no ink for \"" << text << "\"";
        return spot;
    }
    spot.x = seen.left - (own.left - margin);
    spot.y = seen.top - (own.top - margin);
    Canvas expected = make_canvas(drawn.width, drawn.height, paper);
    HGDIOBJ expected_font = SelectObject(expected.dc, font);
    draw_expected_text(expected, spot.x, spot.y, text, cell_ink, ascii_ink);
    EXPECT_EQ(0, canvas_differences(drawn, expected, &area)) << "\"" << text << "\"";
    SelectObject(expected.dc, expected_font);
    free_canvas(&expected);
    return spot;
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

TEST_F(OwnerDraw, ReleasedButtonsAreLitFromTheTopLeftPressedOnesFromTheBottomRight)
{
    HWND button = child("BUTTON", 1500, BS_OWNERDRAW, "");
    const COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT), dark = GetSysColor(COLOR_BTNSHADOW), f = face();
    ASSERT_NE(light, dark);
    ASSERT_NE(f, dark);
    ASSERT_NE(f, light);
    // Colours met going inward from the middle of the top or left side, and of the bottom or right.
    struct {
        bool pressed;
        bool is_default;
        UINT action;
        COLORREF top_left[4], bottom_right[4];
    } rows[] = {
        {false, false, ODA_DRAWENTIRE, {f, light, light, f}, {dark, dark, dark, f}},
        {true, false, ODA_DRAWENTIRE, {f, dark, dark, f}, {light, light, light, f}},
        // The default button has a black outline, doubled along the bottom and right.
        {false, true, ODA_DRAWENTIRE, {black, light, light, f}, {black, black, dark, f}},
        {true, true, ODA_DRAWENTIRE, {black, dark, dark, f}, {black, black, light, f}},
        // A press or release alone repaints the whole button too.
        {true, false, ODA_SELECT, {f, dark, dark, f}, {light, light, light, f}},
        {false, true, ODA_SELECT, {black, light, light, f}, {black, black, dark, f}},
    };
    const int w = 100, h = 24;
    for (const auto &row : rows) {
        SCOPED_TRACE(::testing::Message() << "pressed " << row.pressed << " default " << row.is_default
                                          << " action " << row.action);
        default_id = row.is_default ? 1500 : IDC_NEXT;
        Canvas c = make_canvas(w, h, magenta);
        DRAWITEMSTRUCT d = item(1500, button, c.dc, {0, 0, w, h}, row.action, row.pressed ? ODS_SELECTED : 0);
        draw_owner_button(&d, page, default_id);
        for (int i = 0; i < 4; i++) {
            EXPECT_EQ(row.top_left[i], canvas_pixel(c, w / 2, i)) << "top " << i;
            EXPECT_EQ(row.top_left[i], canvas_pixel(c, i, h / 2)) << "left " << i;
            EXPECT_EQ(row.bottom_right[i], canvas_pixel(c, w / 2, h - 1 - i)) << "bottom " << i;
            EXPECT_EQ(row.bottom_right[i], canvas_pixel(c, w - 1 - i, h / 2)) << "right " << i;
        }
        int outline = 0, black_pixels = 0;
        for (int y = 0; y < h; y++)
            for (int x = 0; x < w; x++) {
                bool on_edge = x == 0 || y == 0 || x == w - 1 || y == h - 1;
                bool is_black = canvas_pixel(c, x, y) == black;
                outline += on_edge && is_black;
                black_pixels += is_black;
            }
        EXPECT_EQ(row.is_default ? 2 * (w + h) - 4 : 0, outline);
        if (!row.is_default) {
            EXPECT_EQ(0, black_pixels);
        }
        EXPECT_EQ(0, pixels_not(c, {3, 3, w - 3, h - 3}, f)) << "the face inside the frame";
        free_canvas(&c);
    }
    default_id = IDC_NEXT;
}

struct CaptionRow {
    int id;
    int page;
    const char *caption; // null: the control's own window text
    bool frame;
    bool centred;
};

// The captions a user sees on each control, by wizard page.
static const CaptionRow caption_rows[] = {
    {IDC_MSG_OK, 0, "确认 OK", true, true},
    {IDC_CANCEL, 0, "取消 Cancel", true, true},
    {IDC_BACK, 0, "退一步 Back", true, true},
    {IDC_MSG_YES, 0, "是 Yes", true, true},
    {IDC_MSG_NO, 0, "否 No", true, true},
    {IDC_NEXT, 0, "下一步 Next", true, true},
    {IDC_NEXT, 2, "下一步 Next", true, true},
    {IDC_NEXT, 3, "同意/安装 Agree/Install", true, true},
    {IDC_NEXT, 99, "同意/安装 Agree/Install", true, true},
    {IDC_BROWSE, 0, "改变 Browse ....", true, true},
    {IDC_PATH_LABEL, 0, "安装路径： (Install Path)", false, false},
    {IDC_CHOOSER_DIR_LABEL, 0, "路径 (Directories):", false, false},
    {IDC_BANNER_FAMILY, 0, "《Tavik》 Tavik", false, true},
    {IDC_CHOOSER_DRIVE_LABEL, 0, "磁盘 (Drives):", false, false},
    {IDC_BANNER_ENGINE, 0, "中文输入引擎 Input Engine", false, true},
    {IDC_BANNER_INSTALLER, 0, "安装程序", false, true},
    {IDC_DISPLAY_QUESTION, 0, "以上中文显示正确吗 (Is the Above Chinese Display OK)?", false, true},
    {IDC_UNUSED_FACE, 0, "", false, false},
    {IDC_LANGUAGE_LABEL, 0, "User Interface Language 用户界面语言", false, true},
    // Window text: the message line, the spare label, and any other id.
    {IDC_MSG_CHINESE, 0, nullptr, false, true},
    {IDC_UNUSED_LABEL, 0, nullptr, false, false},
    {1500, 0, nullptr, true, true},
};

TEST_F(OwnerDraw, EachControlShowsItsCaptionCentredOrAtTheLeftAndPressedShiftsIt)
{
    const char *window_text = "窗口 text"; // what the fixed rows must not show
    const RECT r = {20, 0, 440, 26};
    const COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT), dark = GetSysColor(COLOR_BTNSHADOW);
    for (const CaptionRow &row : caption_rows) {
        page = row.page;
        HWND button = child("BUTTON", row.id, BS_OWNERDRAW, window_text);
        const char *caption = row.caption ? row.caption : window_text;
        TextSpot released = {};
        for (bool pressed : {false, true}) {
            SCOPED_TRACE(::testing::Message() << row.id << " page " << row.page << " pressed " << pressed);
            Canvas c = make_canvas(460, 26, magenta);
            DRAWITEMSTRUCT d = item(row.id, button, c.dc, r, ODA_DRAWENTIRE, pressed ? ODS_SELECTED : 0);
            draw_owner_button(&d, page, default_id);
            EXPECT_EQ(0, pixels_not(c, {0, 0, r.left, 26}, magenta) +
                             pixels_not(c, {r.right, 0, 460, 26}, magenta));
            EXPECT_EQ(row.frame ? (pressed ? dark : light) : face(), canvas_pixel(c, 230, r.top + 1));
            RECT inside = row.frame ? RECT{r.left + 3, r.top + 3, r.right - 3, r.bottom - 3} : r;
            TextSpot spot = expect_text(c, inside, caption, face(), black, black);
            free_canvas(&c);
            if (!*caption)
                continue;
            // Centred to the pixel, with the halves' odd pixel on either side.
            if (!pressed) {
                released = spot;
                int left = spot.x - r.left, right = r.right - (spot.x + spot.width);
                EXPECT_NEAR(row.centred ? right : 0, left, row.centred ? 1 : 0);
                EXPECT_NEAR(spot.y - r.top, r.bottom - (spot.y + 16), 1);
            } else {
                EXPECT_EQ(released.x + 2, spot.x);
                EXPECT_EQ(released.y + 1, spot.y);
            }
        }
        DestroyWindow(button);
    }
}

TEST_F(OwnerDraw, WindowTextIsReadUpToSeventyNineBytes)
{
    std::string ascii(100, 'i'), chinese;
    for (int i = 0; i < 50; i++)
        chinese += "中";
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
        Canvas c = make_canvas(1200, 24, magenta);
        DRAWITEMSTRUCT d = item(IDC_MSG_CHINESE, label, c.dc, r);
        draw_owner_button(&d, page, default_id);
        TextSpot spot = expect_text(c, r, row.shown.c_str(), face(), black, black);
        EXPECT_NEAR(spot.x, 1200 - (spot.x + spot.width), 1) << row.text.size();
        free_canvas(&c);
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
    // Whole drawing of a focused label: its body, then the focus mark over it.
    Canvas drawn = make_canvas(100, 24, magenta), expected = make_canvas(100, 24, magenta);
    DRAWITEMSTRUCT d = item(IDC_PATH_LABEL, label, drawn.dc, r, ODA_DRAWENTIRE, ODS_FOCUS);
    draw_owner_button(&d, page, default_id);
    d = item(IDC_PATH_LABEL, label, expected.dc, r, ODA_DRAWENTIRE, 0);
    draw_owner_button(&d, page, default_id);
    DrawFocusRect(expected.dc, &inset);
    EXPECT_EQ(0, canvas_differences(drawn, expected));
    // A focus change to unfocused draws nothing.
    d = item(IDC_PATH_LABEL, label, drawn.dc, r, ODA_FOCUS, 0);
    draw_owner_button(&d, page, default_id);
    EXPECT_EQ(0, canvas_differences(drawn, expected));
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
    const char *line = "日出江花红胜火";
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
    int x = (300 - 7 * 16) / 2, y = (40 - 16) / 2; // centred as seven cells, whatever the test font's width
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

TEST(CheckBoxLayout, BoxCaptionAndFocusInAClientTwentyFourPixelsHigh)
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

TEST_F(OwnerDraw, CheckBoxesShowTheSystemBoxAtTheLeftAndTheCaptionOneBoxWidthRightOfIt)
{
    std::string long_text(140, 'l');
    std::string shown = long_text.substr(0, 126);
    CheckRow rows[] = {
        {IDC_DESKTOP_ICON, BS_AUTOCHECKBOX, BST_UNCHECKED, false,
         "建立桌面图标？  (Place an icon on Desktop)"},
        {IDC_AUTO_START, BS_AUTOCHECKBOX, BST_CHECKED, false, "开机时自动启动？(Auto-start on boot)"},
        {IDC_DISPLAY_OK, BS_AUTOCHECKBOX, BST_CHECKED, true, "正确(OK)"},
        {IDC_DISPLAY_NO, BS_CHECKBOX, BST_UNCHECKED, true, "不正确(NO)"},
        {IDC_DISPLAY_NO, BS_AUTORADIOBUTTON, BST_CHECKED, false, "不正确(NO)"},
        // A third state shows unticked, in a box placed like a radio button's.
        {IDC_DISPLAY_OK, BS_AUTO3STATE, BST_INDETERMINATE, false, "正确(OK)"},
        {1600, BS_AUTOCHECKBOX, BST_CHECKED, false, shown.c_str()},
    };
    // In a client 24 pixels high a check box's box fills (2,4)-(15,16), any other kind's (-1,1)-(19,22).
    const RECT square = {2, 4, 15, 16}, round = {-1, 1, 19, 22};
    ShowWindow(parent, SW_SHOWNA);
    for (const CheckRow &row : rows) {
        SCOPED_TRACE(::testing::Message() << row.id << " style " << row.style);
        HWND box =
            child("BUTTON", row.id, row.style, row.id == 1600 ? long_text.c_str() : "window text", 1200, 24);
        SendMessageA(box, BM_SETCHECK, row.check, 0);
        EnableWindow(box, !row.disabled);
        SetFocus(NULL);
        Canvas plain = make_canvas(1210, 30, magenta);
        paint_check_box(box, plain.dc);

        // The client and the two pixels around it are the face; nothing beyond.
        EXPECT_EQ(0, pixels_not(plain, {1202, 0, 1210, 30}, magenta) +
                         pixels_not(plain, {0, 26, 1202, 30}, magenta));
        bool is_check_box = (row.style & 0xF) == BS_CHECKBOX || (row.style & 0xF) == BS_AUTOCHECKBOX;
        bool is_radio = (row.style & 0xF) == BS_RADIOBUTTON || (row.style & 0xF) == BS_AUTORADIOBUTTON;
        RECT k = is_check_box ? square : round;
        int caption_x = k.right + (k.right - k.left);
        Canvas expected = make_canvas(1210, 30, magenta);
        fill_rect(expected, {0, 0, 1202, 26}, face());
        UINT state = (is_radio ? DFCS_BUTTONRADIO : DFCS_BUTTONCHECK) |
                     (row.check == BST_CHECKED ? DFCS_CHECKED : 0) | (row.disabled ? DFCS_INACTIVE : 0);
        DrawFrameControl(expected.dc, &k, DFC_BUTTON, state);
        RECT left_of_caption = {0, 0, caption_x - 1, 26};
        EXPECT_EQ(0, canvas_differences(plain, expected, &left_of_caption)) << "the system's box";
        EXPECT_GT(pixels_not(plain, left_of_caption, face()), 10);

        TextSpot spot = expect_text(plain, {caption_x - 1, 0, 1202, 26}, row.caption, face(), black, black);
        EXPECT_EQ(caption_x, spot.x);
        EXPECT_EQ(1, spot.y);

        // Focused: the same with a focus rectangle around the caption.
        if (!row.disabled) {
            SetFocus(box);
            ASSERT_EQ(box, GetFocus());
            Canvas focused = make_canvas(1210, 30, magenta);
            paint_check_box(box, focused.dc);
            RECT mark = {spot.x - 1, 0, spot.x + spot.width + 3, 19};
            DrawFocusRect(plain.dc, &mark);
            EXPECT_EQ(0, canvas_differences(focused, plain)) << "focus";
            free_canvas(&focused);
        }
        free_canvas(&plain);
        free_canvas(&expected);
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
    const char *names[] = {"English", "简体中文", "\xB7\xB1\xF3\x77中文"};
    for (const char *n : names)
        SendMessageA(combo, CB_ADDSTRING, 0, (LPARAM)n);
    COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT), highlight_text = GetSysColor(COLOR_HIGHLIGHTTEXT);
    COLORREF window = GetSysColor(COLOR_WINDOW), window_text = GetSysColor(COLOR_WINDOWTEXT);
    ASSERT_NE(highlight, window);
    for (bool selected : {false, true}) {
        Canvas c = make_canvas(200, 23, magenta);
        SetTextColor(c.dc, RGB(1, 2, 3));
        SetBkColor(c.dc, RGB(4, 5, 6));
        SetBkMode(c.dc, OPAQUE);
        DRAWITEMSTRUCT d = list_item(combo, 1, c.dc, selected ? ODS_SELECTED : 0);
        EXPECT_TRUE(draw_list_item(parent, &d));
        EXPECT_EQ(RGB(1, 2, 3), GetTextColor(c.dc));
        EXPECT_EQ(RGB(4, 5, 6), GetBkColor(c.dc));
        EXPECT_EQ(OPAQUE, GetBkMode(c.dc));

        // Selected, the cells' ink takes the highlight text colour over the highlight.
        COLORREF paper = selected ? highlight : window;
        COLORREF ink = selected ? (highlight | highlight_text) : (paper & window_text);
        TextSpot spot =
            expect_text(c, {0, 0, 200, 23}, names[1], paper, ink, selected ? highlight_text : window_text);
        EXPECT_EQ(2, spot.x) << selected;
        EXPECT_EQ(2, spot.y) << selected;
        free_canvas(&c);
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
    std::string line = "本软件 licence line";
    std::string long_line(300, 'w');
    SendMessageA(list, LB_ADDSTRING, 0, (LPARAM)line.c_str());
    SendMessageA(list, LB_ADDSTRING, 0, (LPARAM)long_line.c_str());
    COLORREF window = GetSysColor(COLOR_WINDOW);

    Canvas c = make_canvas(200, 23, magenta);
    SetTextColor(c.dc, RGB(200, 0, 0));
    DRAWITEMSTRUCT d = list_item(list, 0, c.dc, 0);
    EXPECT_TRUE(draw_list_item(parent, &d));
    TextSpot spot = expect_text(c, {0, 0, 200, 23}, line.c_str(), window, black, black);
    EXPECT_EQ(2, spot.x);
    EXPECT_EQ(2, spot.y);
    free_canvas(&c);

    const int wide = 4000;
    Canvas cut = make_canvas(wide, 23, magenta);
    d = list_item(list, 1, cut.dc, 0);
    d.rcItem.right = wide;
    draw_list_item(parent, &d);
    spot = expect_text(cut, {0, 0, wide, 23}, long_line.substr(0, 259).c_str(), window, black, black);
    EXPECT_EQ(2, spot.x);
    free_canvas(&cut);
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
