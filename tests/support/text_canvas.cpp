// Canvases, atlas bits and PNG screenshots for the text tests.
#include "text_canvas.h"

#include <stdlib.h>
#include <zlib.h>

#include "resources/ids.h"
#include "ui/ui.h"
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

static void put_be32(std::vector<unsigned char> *out, unsigned long v)
{
    for (int s = 24; s >= 0; s -= 8)
        out->push_back((unsigned char)(v >> s));
}

static void put_chunk(std::vector<unsigned char> *png, const char *type,
                      const std::vector<unsigned char> &data)
{
    put_be32(png, data.size());
    size_t start = png->size();
    png->insert(png->end(), type, type + 4);
    png->insert(png->end(), data.begin(), data.end());
    put_be32(png, crc32(0, png->data() + start, png->size() - start));
}

std::string save_screenshot(const Canvas &c, const std::string &name)
{
    const char *tests = getenv("TAVIK_TESTS_DIR");
    if (!tests)
        return "";
    std::string dir = std::string(tests) + "\\..\\screenshots";
    CreateDirectoryA(dir.c_str(), NULL);
    GdiFlush();
    std::vector<unsigned char> raw;
    for (int y = 0; y < c.height; y++) {
        raw.push_back(0);
        for (int x = 0; x < c.width; x++) {
            DWORD p = c.bits[y * c.width + x];
            raw.push_back((p >> 16) & 0xFF);
            raw.push_back((p >> 8) & 0xFF);
            raw.push_back(p & 0xFF);
        }
    }
    uLongf packed_size = compressBound(raw.size());
    std::vector<unsigned char> packed(packed_size);
    if (compress2(packed.data(), &packed_size, raw.data(), raw.size(), 9) != Z_OK)
        return "";
    packed.resize(packed_size);

    static const unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<unsigned char> png(signature, signature + 8);
    std::vector<unsigned char> header;
    put_be32(&header, c.width);
    put_be32(&header, c.height);
    header.insert(header.end(), {8, 2, 0, 0, 0});
    put_chunk(&png, "IHDR", header);
    put_chunk(&png, "IDAT", packed);
    put_chunk(&png, "IEND", {});
    std::string path = dir + "\\" + name + ".png";
    return write_file(path, png.data(), png.size()) ? path : "";
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
