// Glyph atlas addressing, and drawing and measuring mixed ASCII/GBK text on real GDI.
#include <gtest/gtest.h>

#include <string>

#include "base/base.h"
#include "support/tavik_test.h"
#include "support/text_canvas.h"
#include "ui/gbk_walk.h"
#include "ui/glyph_address.h"
#include "ui/glyph_text.h"
#include "ui/ui.h"

TEST(GlyphAddress, FirstAndLastCellsOfEachZoneAndTheTwoExtraCells)
{
    struct {
        unsigned code;
        int bitmap, x, y;
    } rows[] = {
        {0xA1A1, 0, 0, 0},   {0xA3C1, 0, 448, 96}, {0xB0A1, 0, 288, 320}, {0xF7FE, 3, 16, 880},
        {0xE946, 3, 0, 896}, {0xA9A4, 3, 16, 896}, {0xA8A1, 0, 288, 320}, // no cell of its own: it lands on
                                                                          // 0xB0A1's
    };
    for (const auto &r : rows) {
        GlyphCell cell = glyph_cell(r.code);
        EXPECT_EQ(r.bitmap, cell.bitmap) << std::hex << r.code;
        EXPECT_EQ(r.x, cell.x) << std::hex << r.code;
        EXPECT_EQ(r.y, cell.y) << std::hex << r.code;
    }
}

TEST(GlyphAddress, CoveredZonesRunInCodeOrderThroughTheFourBitmaps)
{
    int checked = 0;
    for (unsigned lead = 0xA1; lead <= 0xF7; lead++) {
        if (lead >= 0xA8 && lead < 0xB0)
            continue;
        for (unsigned trail = 0xA1; trail <= 0xFE; trail++) {
            unsigned code = lead * 256 + trail;
            AtlasSpot spot = gb2312_atlas_spot(code);
            GlyphCell cell = glyph_cell(code);
            ASSERT_EQ(spot.bitmap, cell.bitmap) << std::hex << code;
            ASSERT_EQ(spot.y, cell.y) << std::hex << code;
            ASSERT_EQ(spot.x, cell.x) << std::hex << code;
            checked++;
        }
    }
    EXPECT_EQ(658 + 6768, checked);
}

TEST(GlyphAddress, EveryCodeLandsOnAWholeCellInsideOneBitmap)
{
    for (unsigned code = 0; code <= 0xFFFF; code++) {
        GlyphCell cell = glyph_cell(code);
        ASSERT_GE(cell.bitmap, 0) << std::hex << code;
        ASSERT_LE(cell.bitmap, 3) << std::hex << code;
        ASSERT_EQ(0, cell.x % 16) << std::hex << code;
        ASSERT_EQ(0, cell.y % 16) << std::hex << code;
        ASSERT_GE(cell.x, 0) << std::hex << code;
        ASSERT_GE(cell.y, 0) << std::hex << code;
        ASSERT_LE(cell.x + 16, 512) << std::hex << code;
        ASSERT_LE(cell.y + 16, 944) << std::hex << code;
    }
    // Zone A8 borrows the hanzi cells one for one.
    for (unsigned trail = 0xA1; trail <= 0xFE; trail++) {
        GlyphCell a = glyph_cell(0xA800 + trail), b = glyph_cell(0xB000 + trail);
        EXPECT_TRUE(a.bitmap == b.bitmap && a.x == b.x && a.y == b.y) << std::hex << trail;
    }
}

// Widths of a made-up font: 'a' is 1, 'b' 2 and so on; '!' fails.
static int fake_width(void *, unsigned char byte)
{
    return byte == '!' ? 0 : byte - 'a' + 1;
}

struct Seen {
    std::vector<GbkChar> chars;
};

static void record(void *context, const GbkChar *ch)
{
    ((Seen *)context)->chars.push_back(*ch);
}

TEST(GbkWalk, PairsLeadBytesWithTheNextByteAndAddsAdvances)
{
    struct Expect {
        int offset, is_double;
        unsigned code;
        int advance;
    };
    struct {
        const char *text;
        int length;
        int total;
        std::vector<Expect> chars;
    } rows[] = {
        {"", 0, 0, {}},
        {"ab\xD6\xD0"
         "c",
         5,
         22,
         {{0, 0, 'a', 1}, {1, 0, 'b', 2}, {3, 1, 0xD6D0, 16}, {19, 0, 'c', 3}}},
        {"b\xB0", 2, 18, {{0, 0, 'b', 2}, {2, 1, 0xB000, 16}}}, // the trail is the terminator
        {"\x80"
         "a",
         2,
         16,
         {{0, 1, 0x8061, 16}}}, // any byte after a lead is its trail
        {"a!c", 3, 4, {{0, 0, 'a', 1}, {1, 0, '!', 0}, {1, 0, 'c', 3}}},
        {"abc", 2, 3, {{0, 0, 'a', 1}, {1, 0, 'b', 2}}},
        {"\xFF\xFF\xFF", 3, 32, {{0, 1, 0xFFFF, 16}, {16, 1, 0xFF00, 16}}},
    };
    for (const auto &r : rows) {
        Seen seen;
        EXPECT_EQ(r.total, walk_gbk_text(r.text, r.length, fake_width, record, &seen)) << r.text;
        EXPECT_EQ(r.total, walk_gbk_text(r.text, r.length, fake_width, NULL, NULL)) << r.text;
        ASSERT_EQ(r.chars.size(), seen.chars.size()) << r.text;
        for (size_t i = 0; i < r.chars.size(); i++) {
            EXPECT_EQ(r.chars[i].offset, seen.chars[i].offset) << r.text << " #" << i;
            EXPECT_EQ(r.chars[i].is_double, seen.chars[i].is_double) << r.text << " #" << i;
            EXPECT_EQ(r.chars[i].code, seen.chars[i].code) << r.text << " #" << i;
            EXPECT_EQ(r.chars[i].advance, seen.chars[i].advance) << r.text << " #" << i;
        }
    }
    EXPECT_EQ(0, walk_gbk_text(NULL, 5, fake_width, record, NULL));
}

TEST(GbkWalk, DropSplitPairRemovesOnlyAHalfCharacterAtTheEnd)
{
    struct {
        const char *in;
        const char *out;
    } rows[] = {
        {"", ""},
        {"abc", "abc"},
        {"a\xD6\xD0", "a\xD6\xD0"},
        {"a\xD6\xD0\xCE", "a\xD6\xD0"},
        {"\xB0", ""},
        {"\xB0"
         "a\xB0",
         "\xB0"
         "a"},
    };
    for (const auto &r : rows) {
        char buf[16];
        copy_text(buf, sizeof(buf), r.in);
        EXPECT_EQ((int)strlen(r.out), drop_split_pair(buf)) << r.in;
        EXPECT_STREQ(r.out, buf);
    }
}

class GlyphDraw : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(load_setup_atlas());
        ASSERT_EQ((size_t)ATLAS_SIZE, setup_atlas_bits().size());
    }
};

// Pixels of the 16x16 square at (x, y) against the atlas cell of code.
static int cell_mismatches(const Canvas &c, int x, int y, unsigned code, COLORREF ink, COLORREF paper)
{
    GlyphCell cell = glyph_cell(code);
    int bad = 0;
    for (int row = 0; row < 16; row++)
        for (int col = 0; col < 16; col++)
            bad += canvas_pixel(c, x + col, y + row) !=
                   (atlas_ink(cell.bitmap, cell.x + col, cell.y + row) ? ink : paper);
    return bad;
}

static int cell_ink(unsigned code)
{
    GlyphCell cell = glyph_cell(code);
    int ink = 0;
    for (int row = 0; row < 16; row++)
        for (int col = 0; col < 16; col++)
            ink += atlas_ink(cell.bitmap, cell.x + col, cell.y + row);
    return ink;
}

TEST_F(GlyphDraw, ChineseCellIsTheAtlasCellUnderSrcAnd)
{
    const COLORREF white = RGB(255, 255, 255), green = RGB(30, 200, 90), black = RGB(0, 0, 0);
    ASSERT_GT(cell_ink(0xB0A1), 20);
    for (COLORREF background : {white, green}) {
        Canvas c = make_canvas(40, 30, background);
        SIZE s = draw_gbk_text(c.dc, 3, 5, "\xB0\xA1", 0);
        EXPECT_EQ(16, s.cx);
        EXPECT_EQ(16, s.cy);
        EXPECT_EQ(0, cell_mismatches(c, 3, 5, 0xB0A1, black, background));
        RECT outside_right = {19, 0, 40, 30}, above = {0, 0, 40, 5};
        EXPECT_EQ(0, pixels_not(c, outside_right, background));
        EXPECT_EQ(0, pixels_not(c, above, background));
        free_canvas(&c);
    }
}

TEST_F(GlyphDraw, HighlightedCopyOrsTextColourIntoInkAndKeepsBackgroundUnderPaper)
{
    const COLORREF navy = RGB(0, 0, 128);
    struct {
        COLORREF text;
        COLORREF ink;
    } rows[] = {{RGB(255, 255, 255), RGB(255, 255, 255)}, {RGB(0, 255, 0), RGB(0, 255, 128)}};
    for (const auto &r : rows) {
        Canvas c = make_canvas(40, 20, navy);
        SetTextColor(c.dc, r.text);
        SetBkColor(c.dc, navy);
        draw_gbk_text(c.dc, 2, 2, "\xD6\xD0", 1);
        EXPECT_EQ(0, cell_mismatches(c, 2, 2, 0xD6D0, r.ink, navy)) << std::hex << r.text;
        free_canvas(&c);
    }
}

TEST_F(GlyphDraw, ExtraCellsAndUncoveredCodesDrawTheCellTheirAddressNames)
{
    const COLORREF white = RGB(255, 255, 255), black = RGB(0, 0, 0);
    EXPECT_GT(cell_ink(0xE946), 10);
    EXPECT_GT(cell_ink(0xA9A4), 5);
    EXPECT_EQ(0, cell_ink(0xA1A1));
    unsigned codes[] = {0xE946, 0xA9A4, 0xA1A1, 0xA8A1, 0x8140, 0xFFFF, 0xA0A0, 0xF8A1, 0xFE40};
    for (unsigned code : codes) {
        Canvas c = make_canvas(20, 20, white);
        char text[3] = {(char)(code >> 8), (char)(code & 0xFF), 0};
        SIZE s = draw_gbk_text(c.dc, 2, 2, text, 0);
        EXPECT_EQ(16, s.cx) << std::hex << code;
        EXPECT_EQ(0, cell_mismatches(c, 2, 2, code, black, white)) << std::hex << code;
        free_canvas(&c);
    }
    Canvas a = make_canvas(20, 20, white), b = make_canvas(20, 20, white);
    draw_gbk_text(a.dc, 2, 2, "\xA8\xA1", 0);
    draw_gbk_text(b.dc, 2, 2, "\xB0\xA1", 0);
    EXPECT_EQ(0, canvas_differences(a, b));
    EXPECT_GT(pixels_not(a, {0, 0, 20, 20}, white), 20);
    free_canvas(&a);
    free_canvas(&b);
}

TEST_F(GlyphDraw, LeadByteInLastPositionDrawsOneFullCellWithTheTerminator)
{
    const COLORREF white = RGB(255, 255, 255), black = RGB(0, 0, 0);
    Canvas c = make_canvas(40, 20, white);
    SIZE one = measure_gbk_text(c.dc, "\xC8");
    EXPECT_EQ(16, one.cx);
    EXPECT_EQ(16, one.cy);
    SIZE s = draw_gbk_text(c.dc, 1, 2, "\xC8", 0);
    EXPECT_EQ(16, s.cx);
    EXPECT_EQ(0, cell_mismatches(c, 1, 2, 0xC800, black, white));
    free_canvas(&c);
}

TEST_F(GlyphDraw, AsciiIsTheFontsTextOnePixelLowerWithoutItsBackground)
{
    const COLORREF white = RGB(255, 255, 255), red = RGB(255, 0, 0);
    Canvas drawn = make_canvas(80, 30, white), expected = make_canvas(80, 30, white);
    SetBkMode(drawn.dc, OPAQUE);
    SetBkColor(drawn.dc, red);
    SIZE s = draw_gbk_text(drawn.dc, 4, 6, "Tk", 0);
    EXPECT_EQ(OPAQUE, GetBkMode(drawn.dc));

    SetBkMode(expected.dc, TRANSPARENT);
    SIZE t;
    GetTextExtentPointA(expected.dc, "T", 1, &t);
    TextOutA(expected.dc, 4, 7, "T", 1);
    TextOutA(expected.dc, 4 + t.cx, 7, "k", 1);
    EXPECT_EQ(0, canvas_differences(drawn, expected));
    EXPECT_GT(pixels_not(drawn, {0, 0, 80, 30}, white), 10);
    EXPECT_EQ(0, pixels_not(drawn, {0, 0, 80, 7}, white)); // nothing above the text line
    GetTextExtentPointA(expected.dc, "k", 1, &t);
    SIZE tk;
    GetTextExtentPointA(expected.dc, "T", 1, &tk);
    EXPECT_EQ(tk.cx + t.cx, s.cx);
    EXPECT_EQ(16, s.cy);
    free_canvas(&drawn);
    free_canvas(&expected);
}

TEST_F(GlyphDraw, EmptyStringDrawsNothingAndLeavesTheBackgroundMode)
{
    const COLORREF white = RGB(255, 255, 255);
    for (int mode : {OPAQUE, TRANSPARENT}) {
        Canvas c = make_canvas(20, 20, white);
        SetBkMode(c.dc, mode);
        SIZE s = draw_gbk_text(c.dc, 0, 0, "", 0);
        EXPECT_EQ(0, s.cx);
        EXPECT_EQ(16, s.cy);
        EXPECT_EQ(mode, GetBkMode(c.dc));
        EXPECT_EQ(0, pixels_not(c, {0, 0, 20, 20}, white));
        SIZE m = measure_gbk_text(c.dc, "");
        EXPECT_EQ(0, m.cx);
        EXPECT_EQ(16, m.cy);
        draw_gbk_text(c.dc, 0, 0, "\xD6\xD0", 1);
        EXPECT_EQ(mode, GetBkMode(c.dc));
        free_canvas(&c);
    }
}

TEST_F(GlyphDraw, DrawnWidthEqualsMeasuredWidthInEveryFont)
{
    const char *texts[] = {"",
                           "Tavik",
                           "\xD6\xD0\xCE\xC4",
                           "Tavik \xD6\xD0\xCE\xC4 Input Engine",
                           "iW\xB0\xA1.",
                           "\xC8\xB7\xC8\xCF OK",
                           "a\xB0",
                           " ",
                           "(x)\xA3\xBA:"};
    HFONT fonts[] = {
        (HFONT)GetStockObject(SYSTEM_FONT),
        (HFONT)GetStockObject(DEFAULT_GUI_FONT),
        CreateFontA(-13, 0, 0, 0, 400, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Arial"),
        CreateFontA(-22, 0, 0, 0, 700, 1, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Courier New"),
    };
    Canvas c = make_canvas(600, 40, RGB(255, 255, 255));
    for (HFONT font : fonts) {
        HGDIOBJ old = SelectObject(c.dc, font);
        for (const char *text : texts) {
            SIZE measured = measure_gbk_text(c.dc, text);
            SIZE drawn = draw_gbk_text(c.dc, 0, 0, text, 0);
            EXPECT_EQ(measured.cx, drawn.cx) << text;
            EXPECT_EQ(16, measured.cy);
        }
        SIZE a, ab;
        GetTextExtentPointA(c.dc, "a", 1, &a);
        EXPECT_EQ(64, measure_gbk_text(c.dc, "\xD6\xD0\xCE\xC4\xCA\xE4\xC8\xEB").cx);
        ab = measure_gbk_text(c.dc, "a\xD6\xD0"
                                    "a");
        EXPECT_EQ(2 * a.cx + 16, ab.cx);
        SelectObject(c.dc, old);
    }
    DeleteObject(fonts[2]);
    DeleteObject(fonts[3]);
    free_canvas(&c);
}

class SystemText : public ::testing::Test
{
  protected:
    HFONT font = NULL;
    void SetUp() override
    {
        font = CreateFontA(-16, 0, 0, 0, 400, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, FIXED_PITCH, "Courier New");
        ASSERT_TRUE(font);
    }
    void TearDown() override
    {
        DeleteObject(font);
        g_drawing.ansi_text_output = 0;
    }
};

TEST_F(SystemText, NtDrawsTheBytesWithTextOutA)
{
    const COLORREF white = RGB(255, 255, 255);
    g_drawing.ansi_text_output = 1;
    Canvas drawn = make_canvas(120, 100, white), expected = make_canvas(120, 100, white);
    SelectObject(drawn.dc, font);
    SelectObject(expected.dc, font);
    system_text_out(drawn.dc, 3, 2, "Sample text", 6);
    TextOutA(expected.dc, 3, 2, "Sample", 6);
    EXPECT_EQ(0, canvas_differences(drawn, expected));
    EXPECT_GT(pixels_not(drawn, {0, 0, 120, 100}, white), 10);
    free_canvas(&drawn);
    free_canvas(&expected);
}

TEST_F(SystemText, OtherSystemsConvertFromGbkAndDrawNothingPastSixHundredUnits)
{
    const COLORREF white = RGB(255, 255, 255);
    g_drawing.ansi_text_output = 0;
    Canvas drawn = make_canvas(120, 100, white), expected = make_canvas(120, 100, white);
    SelectObject(drawn.dc, font);
    SelectObject(expected.dc, font);

    system_text_out(drawn.dc, 3, 2,
                    "\xD6\xD0\xCE\xC4"
                    "ab",
                    6);
    EXPECT_EQ(0x4E2D, wide_text_buffer[0]);
    EXPECT_EQ(0x6587, wide_text_buffer[1]);
    EXPECT_EQ(L'a', wide_text_buffer[2]);
    EXPECT_EQ(L'b', wide_text_buffer[3]);
    TextOutW(expected.dc, 3, 2,
             L"\x4E2D\x6587"
             L"ab",
             4);
    EXPECT_EQ(0, canvas_differences(drawn, expected));

    std::string fits(600, 'x'), too_long(601, 'x');
    fill_canvas(drawn, white);
    system_text_out(drawn.dc, 0, 2, fits.c_str(), (int)fits.size());
    EXPECT_GT(pixels_not(drawn, {0, 0, 120, 100}, white), 10);
    fill_canvas(drawn, white);
    system_text_out(drawn.dc, 0, 2, too_long.c_str(), (int)too_long.size());
    EXPECT_EQ(0, pixels_not(drawn, {0, 0, 120, 100}, white));
    free_canvas(&drawn);
    free_canvas(&expected);
}
