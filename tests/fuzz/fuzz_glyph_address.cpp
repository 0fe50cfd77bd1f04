// Every 16-bit code lands on a whole cell inside one atlas bitmap.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

#include "ui/glyph_address.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    unsigned lead = data[0], trail = data[1], code = lead << 8 | trail;
    GlyphCell cell = glyph_cell(code);
    if (cell.bitmap < 0 || cell.bitmap > 3 || cell.x < 0 || cell.y < 0 || cell.x % 16 || cell.y % 16 ||
        cell.x + 16 > 512 || cell.y + 16 > 944)
        abort();
    // Covered GB2312 codes follow the zone arithmetic.
    if (trail >= 0xA1 && trail <= 0xFE && code != 0xA9A4 && code != 0xE946) {
        int n = -1;
        if (lead >= 0xA1 && lead <= 0xA7)
            n = 94 * (lead - 0xA1) + (trail - 0xA1);
        else if (lead >= 0xB0 && lead <= 0xF7)
            n = 658 + 94 * (lead - 0xB0) + (trail - 0xA1);
        if (n >= 0) {
            int global_y = 16 * (n / 32);
            if (cell.bitmap != global_y / 944 || cell.y != global_y % 944 || cell.x != 16 * (n % 32))
                abort();
        }
    }
    return 0;
}
