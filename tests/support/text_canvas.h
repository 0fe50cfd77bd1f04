// Off-screen canvases for the text tests: DIB sections to draw into, atlas bits, screenshots.
// The one canvas type of the test programs: a second, differently laid-out Canvas would break
// the one-definition rule.
#ifndef TAVIK_TEXT_CANVAS_H
#define TAVIK_TEXT_CANVAS_H

#include <windows.h>

#include <string>
#include <vector>

// A 32-bit top-down DIB section selected into a memory DC.
struct Canvas {
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ previous;
    DWORD *bits;
    int width;
    int height;
};

Canvas make_canvas(int width, int height, COLORREF fill);
void free_canvas(Canvas *canvas);
void fill_canvas(const Canvas &canvas, COLORREF colour);
COLORREF canvas_pixel(const Canvas &canvas, int x, int y);
// Pixels that differ between two canvases of the same size, inside r (all when r is null).
int canvas_differences(const Canvas &a, const Canvas &b, const RECT *r = nullptr);
// Pixels of the canvas inside r that differ from one colour.
int pixels_not(const Canvas &canvas, const RECT &r, COLORREF colour);
// Smallest rectangle inside r holding every pixel that differs from paper; empty when none does.
RECT ink_bounds(const Canvas &canvas, const RECT &r, COLORREF paper);

// The glyph atlas loaded from TavikSetup.exe's resource, and its raw bits.
bool load_setup_atlas(void);
const std::vector<unsigned char> &setup_atlas_bits(void);
bool atlas_ink(int bitmap, int x, int y);

// Where the atlas as stored keeps the cell of a GB2312 code of zones A1-A7 or B0-F7, found from
// the atlas's own order rather than the installer's address table; bitmap -1 for other codes.
struct AtlasSpot {
    int bitmap, x, y;
};
AtlasSpot gb2312_atlas_spot(unsigned code);

// Text as the user should see it, drawn at (x, y) from first principles: each two-byte character
// is its atlas cell (16 wide, ink in cell_ink), each other byte the DC font's glyph one pixel lower
// (in ascii_ink, no background). Returns the advance.
int draw_expected_text(const Canvas &canvas, int x, int y, const char *text, COLORREF cell_ink,
                       COLORREF ascii_ink);

// Pixels of a window, frame and caption included, into a new canvas.
Canvas capture_window(HWND window);
// Saves a canvas as <build>/screenshots/<name>.png; returns the Windows path or "".
std::string save_screenshot(const Canvas &canvas, const std::string &name);

// An in-memory dialog template with the dialogs' font, for test panels.
struct PanelItem {
    int id;
    WORD class_atom; // 0x80 button, 0x82 static, 0x83 list box, 0x85 combo box
    DWORD style;
    short x, y, cx, cy;
    const wchar_t *text;
};
std::vector<WORD> panel_template(const wchar_t *title, short cx, short cy,
                                 const std::vector<PanelItem> &items);

#endif
