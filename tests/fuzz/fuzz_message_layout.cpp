// The message dialog arithmetic over any plausible measures: no overflow, buttons inside the content.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "ui/message_layout.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    uint16_t v[12] = {};
    memcpy(v, data, size < sizeof(v) ? size : sizeof(v));
    MessageMeasures m = {};
    m.kind = (int)(v[0] % 9) - 1;
    m.chinese_bytes = v[1] % 4096;
    m.cw = v[2] % 8192;
    m.ch = 16;
    m.ew = v[3] % 8192;
    m.eh = v[4] % 64;
    m.bw = v[5] % 512;
    m.bh = v[6] % 128;
    m.frame_x = v[7] % 8;
    m.screen_w = v[8] % 8192;
    m.screen_h = v[9] % 8192;
    m.caption_h = v[10] % 64;
    MessageLayout l = lay_out_message(&m);
    int min_w = (m.kind == 0 ? 2 : 3) * m.bw;
    if (l.width < l.content_w || l.width < min_w || l.height != l.content_h + m.caption_h)
        abort();
    if (l.left != (m.screen_w - l.content_w) / 2 || l.top != (m.screen_h - l.content_h) / 2)
        abort();
    if (l.button_count != (m.kind == 0 ? 1 : 2) || l.button_top != l.content_h - 2 * m.bh)
        abort();
    int margin = m.chinese_bytes <= MESSAGE_MARGIN_LIMIT ? 2 * m.bh : 0;
    if (l.content_w != (m.cw > m.ew ? m.cw : m.ew) + 2 * m.frame_x + margin)
        abort();
    for (int id = -5; id < 12; id++)
        if (message_command_closes(id) != (id == 1 || id == 2 || id == 6 || id == 7))
            abort();
    return 0;
}
