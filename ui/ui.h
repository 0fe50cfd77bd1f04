// Drawing of mixed ASCII/GBK text from the glyph atlas, and the owner-drawn controls.
#ifndef TAVIK_TEXT_H
#define TAVIK_TEXT_H

#include <windows.h>

SIZE draw_gbk_text(HDC dc, int x, int y, const char *text, int highlighted);
SIZE measure_gbk_text(HDC dc, const char *text);
void system_text_out(HDC dc, int x, int y, const char *text, int length);

void draw_owner_button(const DRAWITEMSTRUCT *item);
LRESULT CALLBACK check_box_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
void paint_check_box(HWND window, HDC dc);
BOOL measure_list_item(MEASUREITEMSTRUCT *item);
BOOL draw_list_item(HWND dialog, const DRAWITEMSTRUCT *item);

#endif
