// The conversion buffer of the system-font text output.
#ifndef TAVIK_GLYPH_TEXT_H
#define TAVIK_GLYPH_TEXT_H

#include <windows.h>

#define WIDE_TEXT_UNITS 600

// Shared by every system_text_out call on a system without ANSI text output.
extern WCHAR wide_text_buffer[WIDE_TEXT_UNITS];

#endif
