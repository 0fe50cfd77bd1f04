// The bilingual message dialog: layout arithmetic, and real modal dialogs under Wine read back.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "resources/ids.h"
#include "ui/ui.h"
#include "ui/message_layout.h"
#include "support/tavik_test.h"
#include "support/text_canvas.h"
#include "ui/glyph_address.h"

TEST(MessageLayout, QuestionIsSizedAroundItsTextsAndPlacedOnTheScreen)
{
    MessageMeasures m = {};
    m.kind = 4;
    m.chinese_bytes = 20;
    m.cw = 300;
    m.ch = 16;
    m.ew = 250;
    m.eh = 16;
    m.bw = 110;
    m.bh = 29;
    m.frame_x = 3;
    m.screen_w = 1024;
    m.screen_h = 768;
    m.caption_h = 18;
    MessageLayout l = lay_out_message(&m);
    EXPECT_EQ(364, l.content_w);
    EXPECT_EQ(167, l.content_h);
    EXPECT_EQ(330, l.left);
    EXPECT_EQ(300, l.top);
    EXPECT_EQ(364, l.width);
    EXPECT_EQ(167 + 18, l.height);
    EXPECT_EQ(109, l.button_top);
    ASSERT_EQ(2, l.button_count);
    EXPECT_EQ(IDC_MSG_YES, l.button_id[0]);
    EXPECT_EQ(IDC_MSG_NO, l.button_id[1]);
    EXPECT_EQ(54, l.button_left[0]);
    EXPECT_EQ(200, l.button_left[1]);
    EXPECT_EQ(10, l.chinese_top);
    EXPECT_EQ(48, l.chinese_height);
    EXPECT_EQ(63, l.english_top);
    EXPECT_EQ(32, l.english_height);
}

static MessageMeasures measures(int kind, int bytes, int cw, int ew, int eh)
{
    MessageMeasures m = {kind, bytes, cw, 16, ew, eh, 110, 29, 3, 1024, 768, 18};
    return m;
}

TEST(MessageLayout, SideMarginOnlyUpToEightyBytes)
{
    MessageMeasures m80 = measures(0, 80, 640, 0, 0), m81 = measures(0, 81, 640, 0, 0);
    EXPECT_EQ(640 + 6 + 58, lay_out_message(&m80).content_w);
    EXPECT_EQ(640 + 6, lay_out_message(&m81).content_w);
    // The English text widens the content when it is the wider one.
    MessageMeasures english = measures(0, 81, 100, 500, 16);
    EXPECT_EQ(506, lay_out_message(&english).content_w);
}

TEST(MessageLayout, ButtonsAndMinimumWidthPerKind)
{
    struct {
        int kind;
        int count;
        int first, second;
        int min_w;
    } rows[] = {
        {0, 1, IDC_MSG_OK, 0, 220},
        {4, 2, IDC_MSG_YES, IDC_MSG_NO, 330},
        {1, 2, IDC_MSG_OK, IDC_MSG_CANCEL, 330},
        {2, 2, IDC_MSG_OK, IDC_MSG_CANCEL, 330},
        {3, 2, IDC_MSG_OK, IDC_MSG_CANCEL, 330},
        {-1, 2, IDC_MSG_OK, IDC_MSG_CANCEL, 330},
    };
    for (const auto &r : rows) {
        MessageMeasures m = measures(r.kind, 4, 32, 0, 0); // narrow: the minimum wins
        MessageLayout l = lay_out_message(&m);
        int content_w = 32 + 6 + 58;
        EXPECT_EQ(content_w, l.content_w) << r.kind;
        EXPECT_EQ(r.min_w, l.width) << r.kind;
        EXPECT_EQ((1024 - content_w) / 2, l.left) << r.kind; // placed on the content, not the width
        ASSERT_EQ(r.count, l.button_count) << r.kind;
        EXPECT_EQ(r.first, l.button_id[0]) << r.kind;
        if (r.count == 1) {
            EXPECT_EQ((content_w - 110) / 2, l.button_left[0]);
        } else {
            EXPECT_EQ(r.second, l.button_id[1]) << r.kind;
            EXPECT_EQ((content_w - 256) / 2, l.button_left[0]) << r.kind;
            EXPECT_EQ(l.button_left[0] + 146, l.button_left[1]) << r.kind;
        }
        EXPECT_EQ(3 * (16 + 29), l.content_h);
    }
}

TEST(MessageLayout, OnlyOkCancelYesAndNoClose)
{
    for (int id = -2; id < 1100; id++)
        EXPECT_EQ(id == 1 || id == 2 || id == 6 || id == 7, message_command_closes(id) != 0) << id;
}

// Runs show_message while `inspect` looks at the open dialog; the inspector closes it.
static std::function<void(HWND)> inspector;
static bool inspected;
static int idle_ticks;

static VOID CALLBACK message_timer(HWND, UINT, UINT_PTR, DWORD)
{
    HWND dialog = FindWindowA(NULL, "Mereda Install Message");
    if (!inspected) {
        if (!dialog || !IsWindowVisible(dialog))
            return;
        inspected = true;
        RedrawWindow(dialog, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        inspector(dialog);
        return;
    }
    // A failed inspection must not leave the test waiting on the dialog.
    if (dialog && ++idle_ticks > 500)
        PostMessageA(dialog, WM_COMMAND, IDC_MSG_CANCEL, 0);
}

static int run_message(const char *chinese, const char *english, int kind, HWND owner,
                       std::function<void(HWND)> inspect)
{
    inspector = inspect;
    inspected = false;
    idle_ticks = 0;
    UINT_PTR timer = SetTimer(NULL, 0, 20, message_timer);
    int result = show_message(chinese, english, kind, owner);
    KillTimer(NULL, timer);
    EXPECT_TRUE(inspected);
    return result;
}

static RECT client_rect_of(HWND dialog, int id)
{
    RECT r = {};
    HWND control = GetDlgItem(dialog, id);
    GetWindowRect(control, &r);
    MapWindowPoints(NULL, dialog, (POINT *)&r, 2);
    return r;
}

static std::string text_of(HWND dialog, int id)
{
    char buf[300] = "";
    SendMessageA(GetDlgItem(dialog, id), WM_GETTEXT, sizeof(buf), (LPARAM)buf);
    return buf;
}

static std::string repeat(const char *piece, int times)
{
    std::string s;
    for (int i = 0; i < times; i++)
        s += piece;
    return s;
}

// What the dialog should measure, found the way a reader of the layout rules would.
struct Expected {
    int cw, ew, eh, bw, bh;
};

static Expected expected_measures(HWND dialog, int chinese_pairs, const char *english)
{
    Expected e = {16 * chinese_pairs, 0, 0, 0, 0};
    if (english && *english) {
        HDC dc = GetDC(dialog);
        SIZE s;
        GetTextExtentPointA(dc, english, (int)strlen(english), &s);
        ReleaseDC(dialog, dc);
        e.ew = s.cx;
        e.eh = s.cy;
    }
    RECT button = {0, 0, 73, 18};
    MapDialogRect(dialog, &button);
    e.bw = button.right;
    e.bh = button.bottom;
    return e;
}

class MessageDialog : public ::testing::Test
{
  protected:
    HWND owner = NULL;
    void SetUp() override
    {
        ASSERT_TRUE(load_setup_atlas());
        owner = CreateWindowA("STATIC", "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, NULL, NULL,
                              NULL, NULL);
        ASSERT_TRUE(owner);
    }
    void TearDown() override { DestroyWindow(owner); }

    // Checks window, buttons and text areas of an open dialog against the layout rules.
    void check_layout(HWND dialog, int kind, int chinese_bytes, int chinese_pairs, const char *english)
    {
        Expected e = expected_measures(dialog, chinese_pairs, english);
        ASSERT_GT(e.bw, 20);
        ASSERT_GT(e.bh, 5);
        int frame = GetSystemMetrics(SM_CXDLGFRAME);
        int content_w = (e.cw > e.ew ? e.cw : e.ew) + 2 * frame + (chinese_bytes <= 80 ? 2 * e.bh : 0);
        int content_h = 3 * (16 + e.bh) + 2 * e.eh;
        int min_w = (kind == 0 ? 2 : 3) * e.bw;
        RECT w;
        GetWindowRect(dialog, &w);
        EXPECT_EQ((GetSystemMetrics(SM_CXSCREEN) - content_w) / 2, w.left);
        EXPECT_EQ((GetSystemMetrics(SM_CYSCREEN) - content_h) / 2, w.top);
        EXPECT_EQ(content_w > min_w ? content_w : min_w, w.right - w.left);
        EXPECT_EQ(content_h + GetSystemMetrics(SM_CYCAPTION), w.bottom - w.top);

        int shown_first = kind == 4 ? IDC_MSG_YES : IDC_MSG_OK;
        int shown_second = kind == 4 ? IDC_MSG_NO : kind == 0 ? 0 : IDC_MSG_CANCEL;
        for (int id : {IDC_MSG_OK, IDC_MSG_CANCEL, IDC_MSG_YES, IDC_MSG_NO}) {
            bool shown = id == shown_first || id == shown_second;
            EXPECT_EQ(shown, IsWindowVisible(GetDlgItem(dialog, id)) != 0)
                << "button " << id << " kind " << kind;
            if (!shown)
                continue;
            RECT b = client_rect_of(dialog, id);
            int left = kind == 0 ? (content_w - e.bw) / 2 : (content_w - (7 * e.bw) / 3) / 2;
            if (id == shown_second)
                left += (4 * e.bw) / 3;
            EXPECT_EQ(left, b.left) << id;
            EXPECT_EQ(content_h - 2 * e.bh, b.top) << id;
            EXPECT_EQ(e.bw, b.right - b.left) << id;
            EXPECT_EQ(e.bh, b.bottom - b.top) << id;
        }

        RECT client;
        GetClientRect(dialog, &client);
        RECT c = client_rect_of(dialog, IDC_MSG_CHINESE);
        EXPECT_EQ(0, c.left);
        EXPECT_EQ(10, c.top);
        EXPECT_EQ(client.right, c.right - c.left);
        EXPECT_EQ(48, c.bottom - c.top);

        HWND english_line = GetDlgItem(dialog, IDC_MSG_ENGLISH);
        bool has_english = english && *english;
        EXPECT_EQ(has_english, IsWindowVisible(english_line) != 0);
        if (has_english) {
            RECT t = client_rect_of(dialog, IDC_MSG_ENGLISH);
            EXPECT_EQ(0, t.left);
            EXPECT_EQ(63, t.top);
            EXPECT_EQ(client.right, t.right - t.left);
            EXPECT_EQ(2 * e.eh, t.bottom - t.top);
        }
    }
};

static const char *const failed_cn =
    "\xB0\xB2\xD7\xB0\xCA\xA7\xB0\xDC\xA3\xA1\xC7\xEB\xBC\xEC\xB2\xE9\xD2\xBB\xCF\xC2\xCF\xB5\xCD\xB3\xBA\xF3"
    "\xA3\xAC"
    "\xD4\xD9\xD6\xD8\xD0\xC2\xB0\xB2\xD7\xB0\xA1\xA3\xD0\xBB\xD0\xBB\xA3\xA1";
static const char *const failed_en =
    "Installation failed. Please check your system (quit all Tavik applications) and try again.";

TEST_F(MessageDialog, NoticeShowsOneButtonAndCapturesItsChineseFromTheAtlas)
{
    int pairs = (int)strlen(failed_cn) / 2;
    ASSERT_EQ(46, (int)strlen(failed_cn));
    int result = run_message(failed_cn, failed_en, MESSAGE_NOTICE, owner, [&](HWND dialog) {
        EXPECT_EQ(owner, GetWindow(dialog, GW_OWNER));
        EXPECT_FALSE(IsWindowEnabled(owner));
        char title[64] = "";
        GetWindowTextA(dialog, title, sizeof(title));
        EXPECT_STREQ("Mereda Install Message", title);
        check_layout(dialog, 0, 46, pairs, failed_en);
        EXPECT_EQ(failed_cn, text_of(dialog, IDC_MSG_CHINESE));
        EXPECT_EQ(failed_en, text_of(dialog, IDC_MSG_ENGLISH));

        // On screen the message line is the atlas cells, centred in the line.
        HWND line = GetDlgItem(dialog, IDC_MSG_CHINESE);
        Canvas shot = capture_window(line);
        COLORREF face = GetSysColor(COLOR_BTNFACE);
        int x0 = (shot.width - 16 * pairs) / 2, y0 = (48 - 16) / 2;
        int wrong = 0, ink = 0;
        for (int i = 0; i < pairs; i++) {
            unsigned code = (unsigned char)failed_cn[2 * i] * 256u + (unsigned char)failed_cn[2 * i + 1];
            GlyphCell cell = glyph_cell(code);
            for (int y = 0; y < 16; y++)
                for (int x = 0; x < 16; x++) {
                    bool want = atlas_ink(cell.bitmap, cell.x + x, cell.y + y);
                    bool got = canvas_pixel(shot, x0 + 16 * i + x, y0 + y) != face;
                    wrong += want != got;
                    ink += want;
                }
        }
        EXPECT_GT(ink, 500);
        EXPECT_EQ(0, wrong);
        free_canvas(&shot);

        Canvas whole = capture_window(dialog);
        EXPECT_FALSE(save_screenshot(whole, "message_notice").empty());
        free_canvas(&whole);
        PostMessageA(dialog, WM_COMMAND, IDC_MSG_OK, 0);
    });
    EXPECT_EQ(IDC_MSG_OK, result);
    EXPECT_TRUE(IsWindowEnabled(owner));
}

TEST_F(MessageDialog, QuestionShowsYesAndNoAndAnswersSix)
{
    const char *cn = "\xCA\xC7\xB7\xF1\xCC\xE6\xBB\xBB\xBE\xC9\xB4\xCA\xBF\xE2\xA3\xBF"; // 8 characters
    const char *en = "Replace the old word base?";
    int result = run_message(cn, en, MESSAGE_QUESTION, owner, [&](HWND dialog) {
        check_layout(dialog, 4, 16, 8, en);
        Canvas whole = capture_window(dialog);
        EXPECT_FALSE(save_screenshot(whole, "message_question").empty());
        free_canvas(&whole);
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_MSG_YES, BN_CLICKED),
                     (LPARAM)GetDlgItem(dialog, IDC_MSG_YES));
    });
    EXPECT_EQ(IDC_MSG_YES, result);
}

TEST_F(MessageDialog, OtherKindsShowOkAndCancel)
{
    for (int kind : {1, 2, 3, 5, -1}) {
        int result = run_message("\xD6\xD0\xCE\xC4", "Kind", kind, owner, [&](HWND dialog) {
            check_layout(dialog, kind, 4, 2, "Kind");
            PostMessageA(dialog, WM_COMMAND, IDC_MSG_CANCEL, 0);
        });
        EXPECT_EQ(IDC_MSG_CANCEL, result) << kind;
    }
}

TEST_F(MessageDialog, OnlyOkCancelYesAndNoEndTheDialog)
{
    int result = run_message("\xD6\xD0", "Question", MESSAGE_QUESTION, owner, [&](HWND dialog) {
        for (int id : {3, 4, 5, 0, 8, 1013, 1028, 1001})
            SendMessageA(dialog, WM_COMMAND, id, 0);
        EXPECT_TRUE(IsWindowVisible(dialog));
        PostMessageA(dialog, WM_COMMAND, IDC_MSG_NO, 0);
    });
    EXPECT_EQ(IDC_MSG_NO, result);
}

TEST_F(MessageDialog, QuestionStillClosesWithOneTwoEscapeAndTheCloseBox)
{
    struct {
        const char *how;
        int result;
        std::function<void(HWND)> close;
    } rows[] = {
        {"ok", 1, [](HWND d) { PostMessageA(d, WM_COMMAND, IDC_MSG_OK, 0); }},
        {"cancel", 2, [](HWND d) { PostMessageA(d, WM_COMMAND, IDC_MSG_CANCEL, 0); }},
        {"escape", 2, [](HWND d) { PostMessageA(GetFocus() ? GetFocus() : d, WM_KEYDOWN, VK_ESCAPE, 0); }},
        {"close box", 2, [](HWND d) { PostMessageA(d, WM_SYSCOMMAND, SC_CLOSE, 0); }},
        {"enter", 1, [](HWND d) { PostMessageA(GetFocus() ? GetFocus() : d, WM_KEYDOWN, VK_RETURN, 0); }},
    };
    for (const auto &r : rows)
        EXPECT_EQ(r.result, run_message("\xD6\xD0", "Q", MESSAGE_QUESTION, owner, r.close)) << r.how;
}

TEST_F(MessageDialog, NullAndEmptyEnglishHideTheEnglishLine)
{
    for (const char *english : {(const char *)nullptr, ""}) {
        int result = run_message("\xD6\xD0\xCE\xC4", english, MESSAGE_NOTICE, owner, [&](HWND dialog) {
            check_layout(dialog, 0, 4, 2, english);
            EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, IDC_MSG_ENGLISH)));
            PostMessageA(dialog, WM_COMMAND, IDC_MSG_OK, 0);
        });
        EXPECT_EQ(1, result);
        EXPECT_STREQ("", message_english);
        EXPECT_EQ(MESSAGE_NOTICE, message_kind);
    }
}

TEST_F(MessageDialog, EightyByteTextsGetTheSideMarginEightyOneByteTextsDoNot)
{
    std::string eighty = repeat("\xD6\xD0", 40);
    std::string longer = repeat("\xD6\xD0", 41); // pairs only, so the width is known
    struct {
        std::string text;
        int bytes;
    } rows[] = {{eighty, 80}, {longer, 82}};
    for (const auto &r : rows) {
        int result = run_message(r.text.c_str(), "E", MESSAGE_NOTICE, owner, [&](HWND dialog) {
            check_layout(dialog, 0, r.bytes, r.bytes / 2, "E");
            PostMessageA(dialog, WM_COMMAND, IDC_MSG_OK, 0);
        });
        EXPECT_EQ(1, result);
    }
    // 81 bytes, the last one ASCII: measured in the dialog DC's own font.
    std::string odd = eighty + "A";
    int result = run_message(odd.c_str(), NULL, MESSAGE_NOTICE, owner, [&](HWND dialog) {
        HDC dc = GetDC(dialog);
        SIZE a;
        GetTextExtentPointA(dc, "A", 1, &a);
        ReleaseDC(dialog, dc);
        RECT w;
        GetWindowRect(dialog, &w);
        EXPECT_EQ(640 + a.cx + 2 * GetSystemMetrics(SM_CXDLGFRAME), w.right - w.left);
        PostMessageA(dialog, WM_COMMAND, IDC_MSG_OK, 0);
    });
    EXPECT_EQ(1, result);
}

TEST_F(MessageDialog, EnglishTextIsCutAt127CharactersNeverOverrun)
{
    std::string full(127, 'e');
    std::string longer = std::string(127, 'f') + std::string(200, 'g');
    int result = run_message("\xD6\xD0", full.c_str(), MESSAGE_NOTICE, owner, [&](HWND dialog) {
        EXPECT_EQ(full, text_of(dialog, IDC_MSG_ENGLISH));
        PostMessageA(dialog, WM_COMMAND, IDC_MSG_OK, 0);
    });
    EXPECT_EQ(1, result);
    result = run_message("\xD6\xD0", longer.c_str(), MESSAGE_NOTICE, owner, [&](HWND dialog) {
        EXPECT_EQ(std::string(127, 'f'), text_of(dialog, IDC_MSG_ENGLISH));
        check_layout(dialog, 0, 2, 1, std::string(127, 'f').c_str());
        PostMessageA(dialog, WM_COMMAND, IDC_MSG_OK, 0);
    });
    EXPECT_EQ(1, result);
    EXPECT_EQ(127u, strlen(message_english));
}

TEST_F(MessageDialog, LongChineseIsMeasuredWholeButPaintedOnlyToSeventyNineBytes)
{
    std::string text = repeat("\xB0\xA1", 50); // 100 bytes
    int result = run_message(text.c_str(), NULL, MESSAGE_NOTICE, owner, [&](HWND dialog) {
        check_layout(dialog, 0, 100, 50, NULL);
        HWND line = GetDlgItem(dialog, IDC_MSG_CHINESE);
        Canvas shot = capture_window(line);
        COLORREF face = GetSysColor(COLOR_BTNFACE);
        int painted = 16 * 39; // 79 bytes hold 39 whole characters
        int x0 = (shot.width - painted) / 2;
        RECT drawn = {x0, 16, x0 + painted, 32};
        RECT left = {0, 0, x0, 48}, right = {x0 + painted, 0, shot.width, 48};
        EXPECT_GT(pixels_not(shot, drawn, face), 39 * 20);
        EXPECT_EQ(0, pixels_not(shot, left, face));
        EXPECT_EQ(0, pixels_not(shot, right, face));
        free_canvas(&shot);
        PostMessageA(dialog, WM_COMMAND, IDC_MSG_OK, 0);
    });
    EXPECT_EQ(1, result);
}

TEST(MessageFailure, MissingTemplateReturnsTheFailureValue)
{
    HINSTANCE saved = g_drawing.instance;
    g_drawing.instance = GetModuleHandleA(NULL);
    EXPECT_EQ(-1, show_message("\xD6\xD0", "none", MESSAGE_NOTICE, NULL));
    g_drawing.instance = saved;
}
