// The drawing kit: the glyph atlas built from its resource, and the display test's font.
#include <stdlib.h>

#include "base/base.h"
#include "resources/ids.h"
#include "ui/ui.h"

DrawingKit g_drawing = {};

int load_glyph_atlas(void)
{
    unsigned char *buffer = (unsigned char *)malloc(ATLAS_BUFFER_SIZE);
    if (!buffer) {
        show_text_message(MSG_NO_MEMORY, MESSAGE_NOTICE, NULL);
        return ATLAS_NO_MEMORY;
    }
    unsigned long size = 0;
    // A short atlas would leave the last bitmaps built from uninitialised memory.
    if (!inflate_resource(g_drawing.instance, IDR_GLYPH_ATLAS, buffer, ATLAS_BUFFER_SIZE, &size) ||
        size < ATLAS_SIZE) {
        free(buffer);
        return ATLAS_BAD_STREAM;
    }

    int result = ATLAS_OK;
    HDC screen = GetDC(NULL);
    for (int k = 0; k < GLYPH_BITMAPS && result == ATLAS_OK; k++) {
        GlyphSlot *slot = &g_drawing.glyph_atlas[k];
        slot->bitmap =
            CreateBitmap(GLYPH_BITMAP_WIDTH, GLYPH_BITMAP_HEIGHT, 1, 1, buffer + k * ATLAS_BLOCK_SIZE);
        if (slot->bitmap)
            slot->dc = CreateCompatibleDC(screen);
        if (!slot->bitmap || !slot->dc) {
            result = ATLAS_NO_GDI;
            break;
        }
        slot->previous = (HBITMAP)SelectObject(slot->dc, slot->bitmap);
    }
    if (screen)
        ReleaseDC(NULL, screen);
    free(buffer);
    if (result != ATLAS_OK)
        release_glyph_atlas();
    return result;
}

void release_glyph_atlas(void)
{
    for (GlyphSlot &slot : g_drawing.glyph_atlas) {
        if (slot.dc) {
            SelectObject(slot.dc, slot.previous);
            DeleteDC(slot.dc);
        }
        if (slot.bitmap)
            DeleteObject(slot.bitmap);
        slot = {};
    }
}

void create_test_font(void)
{
    LOGFONTA font = {};
    GetObjectA(GetStockObject(SYSTEM_FONT), sizeof(font), &font);
    lstrcpynA(font.lfFaceName, "Courier New", LF_FACESIZE);
    font.lfHeight = 16;
    font.lfWidth = 8;
    font.lfWeight = 400;
    font.lfPitchAndFamily = 0x31;
    font.lfCharSet = GB2312_CHARSET;
    g_drawing.gb_font = CreateFontIndirectA(&font);
}

void release_drawing_kit(void)
{
    release_glyph_atlas();
    if (g_drawing.gb_font)
        DeleteObject(g_drawing.gb_font);
    g_drawing.gb_font = NULL;
}
