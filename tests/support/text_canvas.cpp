// Canvases, atlas bits, text as it should look, and PNG screenshots for the text tests.
#include "text_canvas.h"

#include <stdlib.h>

#include "resources/ids.h"
#include "ui/ui.h"
#include "screenshot.h"
#include "tavik_test.h"

Canvas make_canvas(int width, int height, COLORREF fill)
{
    Canvas c = {};
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC screen = GetDC(NULL);
    c.dc = CreateCompatibleDC(screen);
    ReleaseDC(NULL, screen);
    void *bits = NULL;
    c.bitmap = CreateDIBSection(c.dc, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    c.bits = (DWORD *)bits;
    c.previous = SelectObject(c.dc, c.bitmap);
    c.width = width;
    c.height = height;
    fill_canvas(c, fill);
    return c;
}

void free_canvas(Canvas *c)
{
    if (c->dc) {
        SelectObject(c->dc, c->previous);
        DeleteDC(c->dc);
    }
    if (c->bitmap)
        DeleteObject(c->bitmap);
    *c = {};
}

void fill_canvas(const Canvas &c, COLORREF colour)
{
    RECT all = {0, 0, c.width, c.height};
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(c.dc, &all, brush);
    DeleteObject(brush);
    GdiFlush();
}

COLORREF canvas_pixel(const Canvas &c, int x, int y)
{
    GdiFlush();
    DWORD p = c.bits[y * c.width + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

int canvas_differences(const Canvas &a, const Canvas &b, const RECT *r)
{
    RECT all = {0, 0, a.width, a.height};
    if (!r)
        r = &all;
    GdiFlush();
    int n = 0;
    for (int y = r->top; y < r->bottom; y++)
        for (int x = r->left; x < r->right; x++)
            n += (a.bits[y * a.width + x] & 0xFFFFFF) != (b.bits[y * b.width + x] & 0xFFFFFF);
    return n;
}

int pixels_not(const Canvas &c, const RECT &r, COLORREF colour)
{
    int n = 0;
    for (int y = r.top; y < r.bottom; y++)
        for (int x = r.left; x < r.right; x++)
            n += canvas_pixel(c, x, y) != colour;
    return n;
}

RECT ink_bounds(const Canvas &c, const RECT &r, COLORREF paper)
{
    RECT box = {r.right, r.bottom, r.left, r.top};
    DWORD dib_paper = (GetRValue(paper) << 16) | (GetGValue(paper) << 8) | GetBValue(paper);
    GdiFlush();
    for (int y = r.top; y < r.bottom; y++)
        for (int x = r.left; x < r.right; x++)
            if ((c.bits[y * c.width + x] & 0xFFFFFF) != dib_paper) {
                box.left = x < box.left ? x : box.left;
                box.top = y < box.top ? y : box.top;
                box.right = x >= box.right ? x + 1 : box.right;
                box.bottom = y >= box.bottom ? y + 1 : box.bottom;
            }
    if (box.left >= box.right)
        return {0, 0, 0, 0};
    return box;
}

bool load_setup_atlas(void)
{
    use_setup_resources();
    if (g_drawing.glyph_atlas[0].dc)
        return true;
    return load_glyph_atlas() == ATLAS_OK;
}

const std::vector<unsigned char> &setup_atlas_bits(void)
{
    static std::vector<unsigned char> bits;
    if (bits.empty())
        inflate_resource(setup_module(), IDR_GLYPH_ATLAS, &bits);
    return bits;
}

bool atlas_ink(int bitmap, int x, int y)
{
    const std::vector<unsigned char> &bits = setup_atlas_bits();
    unsigned char b = bits[bitmap * ATLAS_BLOCK_SIZE + y * 64 + x / 8];
    return ((b >> (7 - x % 8)) & 1) == 0;
}

AtlasSpot gb2312_atlas_spot(unsigned code)
{
    unsigned lead = code >> 8, trail = code & 0xFF;
    bool symbol = lead >= 0xA1 && lead <= 0xA7, hanzi = lead >= 0xB0 && lead <= 0xF7;
    if ((!symbol && !hanzi) || trail < 0xA1 || trail > 0xFE)
        return {-1, 0, 0};
    // 94 cells a zone, the seven symbol zones first; 32 cells of 16x16 a row, 944 rows a bitmap.
    int n = symbol ? 94 * (lead - 0xA1) + (trail - 0xA1) : 7 * 94 + 94 * (lead - 0xB0) + (trail - 0xA1);
    int row = 16 * (n / 32);
    return {row / 944, 16 * (n % 32), row % 944};
}

int draw_expected_text(const Canvas &c, int x, int y, const char *text, COLORREF cell_ink, COLORREF ascii_ink)
{
    int mode = SetBkMode(c.dc, TRANSPARENT);
    COLORREF colour = SetTextColor(c.dc, ascii_ink);
    DWORD ink = (GetRValue(cell_ink) << 16) | (GetGValue(cell_ink) << 8) | GetBValue(cell_ink);
    int advance = 0;
    for (const unsigned char *p = (const unsigned char *)text; *p;) {
        if (*p >= 0x80 && p[1]) {
            AtlasSpot spot = gb2312_atlas_spot(p[0] * 256u + p[1]);
            GdiFlush();
            for (int row = 0; row < 16; row++)
                for (int col = 0; col < 16; col++) {
                    int px = x + advance + col, py = y + row;
                    // A code without a cell comes out solid, to match nothing.
                    bool on = spot.bitmap < 0 || atlas_ink(spot.bitmap, spot.x + col, spot.y + row);
                    if (on && px >= 0 && py >= 0 && px < c.width && py < c.height)
                        c.bits[py * c.width + px] = ink;
                }
            advance += 16;
            p += 2;
        } else {
            char ch = (char)*p++;
            SIZE size = {};
            TextOutA(c.dc, x + advance, y + 1, &ch, 1);
            GetTextExtentPoint32A(c.dc, &ch, 1, &size);
            advance += size.cx;
        }
    }
    GdiFlush();
    SetTextColor(c.dc, colour);
    SetBkMode(c.dc, mode);
    return advance;
}

Canvas capture_window(HWND window)
{
    RECT r;
    GetWindowRect(window, &r);
    Canvas c = make_canvas(r.right - r.left, r.bottom - r.top, RGB(0, 0, 0));
    // The window's own surface: what it painted, whether or not the screen caught up.
    HDC window_dc = GetWindowDC(window);
    BitBlt(c.dc, 0, 0, c.width, c.height, window_dc, 0, 0, SRCCOPY);
    ReleaseDC(window, window_dc);
    GdiFlush();
    return c;
}

std::string save_screenshot(const Canvas &c, const std::string &name)
{
    std::string dir = screenshot_root();
    if (dir.empty())
        return "";
    GdiFlush();
    std::vector<unsigned char> rgb;
    rgb.reserve((size_t)c.width * c.height * 3);
    for (int i = 0; i < c.width * c.height; i++) {
        DWORD p = c.bits[i];
        rgb.insert(rgb.end(), {(unsigned char)(p >> 16), (unsigned char)(p >> 8), (unsigned char)p});
    }
    std::string path = dir + "\\" + name + ".png";
    return write_png(path, c.width, c.height, rgb) ? path : "";
}

static void put_text(std::vector<WORD> *t, const wchar_t *text)
{
    for (; *text; text++)
        t->push_back((WORD)*text);
    t->push_back(0);
}

static void align_dword(std::vector<WORD> *t)
{
    if (t->size() % 2)
        t->push_back(0);
}

std::vector<WORD> panel_template(const wchar_t *title, short cx, short cy,
                                 const std::vector<PanelItem> &items)
{
    std::vector<WORD> t;
    DWORD style = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
    t.push_back(LOWORD(style));
    t.push_back(HIWORD(style));
    t.push_back(0);
    t.push_back(0);
    t.push_back((WORD)items.size());
    t.insert(t.end(), {10, 10, (WORD)cx, (WORD)cy, 0, 0});
    put_text(&t, title);
    t.push_back(8);
    put_text(&t, L"MS Sans Serif");
    for (const PanelItem &item : items) {
        align_dword(&t);
        DWORD s = item.style | WS_CHILD | WS_VISIBLE;
        t.push_back(LOWORD(s));
        t.push_back(HIWORD(s));
        t.push_back(0);
        t.push_back(0);
        t.insert(t.end(), {(WORD)item.x, (WORD)item.y, (WORD)item.cx, (WORD)item.cy, (WORD)item.id});
        t.push_back(0xFFFF);
        t.push_back(item.class_atom);
        put_text(&t, item.text);
        t.push_back(0);
    }
    return t;
}
