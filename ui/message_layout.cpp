// The message dialog's layout arithmetic: window size and position, buttons, text areas.
#include "ui/message_layout.h"

#include "resources/ids.h"

void message_button_pair(int kind, int *first, int *second)
{
    *first = kind == 4 ? IDC_MSG_YES : IDC_MSG_OK;
    *second = kind == 4 ? IDC_MSG_NO : IDC_MSG_CANCEL;
}

MessageLayout lay_out_message(const MessageMeasures *m)
{
    MessageLayout out = {};
    int widest = m->cw > m->ew ? m->cw : m->ew;
    out.content_w = widest + 2 * m->frame_x;
    if (m->chinese_bytes <= MESSAGE_MARGIN_LIMIT)
        out.content_w += 2 * m->bh;
    out.content_h = 3 * (m->ch + m->bh) + 2 * m->eh;
    int min_w = (m->kind == 0 ? 2 : 3) * m->bw;

    // Centred on the content, not on the widened window or the caption.
    out.left = (m->screen_w - out.content_w) / 2;
    out.top = (m->screen_h - out.content_h) / 2;
    out.width = out.content_w > min_w ? out.content_w : min_w;
    out.height = out.content_h + m->caption_h;

    message_button_pair(m->kind, &out.button_id[0], &out.button_id[1]);
    out.button_top = out.content_h - 2 * m->bh;
    if (m->kind == 0) {
        out.button_count = 1;
        out.button_left[0] = (out.content_w - m->bw) / 2;
    } else {
        // Seven thirds of a button: two buttons with a third between them.
        out.button_count = 2;
        out.button_left[0] = (out.content_w - (7 * m->bw) / 3) / 2;
        out.button_left[1] = out.button_left[0] + (4 * m->bw) / 3;
    }

    out.chinese_top = (2 * m->ch) / 3;
    out.chinese_height = 3 * m->ch;
    out.english_top = out.chinese_top + 3 * m->ch + 5;
    out.english_height = 2 * m->eh;
    return out;
}

int message_command_closes(int id)
{
    return id == IDC_MSG_OK || id == IDC_MSG_CANCEL || id == IDC_MSG_YES || id == IDC_MSG_NO;
}
