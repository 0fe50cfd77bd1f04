// Which caption an owner-drawn button or check box shows, and where its parts go.
#include "ui/owner_layout.h"

#include "base/base.h"
#include "resources/ids.h"

ButtonLook button_look(int id, int wizard_page)
{
    for (int i = 0; i < button_caption_count; i++) {
        const ButtonCaption &row = button_captions[i];
        if (row.id != id)
            continue;
        ButtonLook look = row.look;
        if (id == IDC_NEXT && wizard_page >= 3)
            look.caption = install_caption;
        return look;
    }
    return {CAPTION_WINDOW_TEXT, 0, 1, 1};
}

const char *check_box_caption(int id)
{
    for (int i = 0; i < check_caption_count; i++)
        if (check_captions[i].id == id)
            return check_captions[i].caption;
    return 0;
}

void button_caption_origin(OwnerRect item, int width, int centred, int pressed, int *x, int *y)
{
    // A caption wider than the item starts left of it: nothing is clipped.
    *x = centred ? item.left + (item.right - item.left - width) / 2 : item.left;
    *y = item.top + (item.bottom - item.top - 16) / 2;
    if (pressed) {
        *x += 2;
        *y += 1;
    }
}

OwnerRect button_focus_rect(OwnerRect item)
{
    int dx = (item.right - item.left) / 10;
    int dy = (item.bottom - item.top) / 8;
    return {item.left + dx, item.top + dy, item.right - dx, item.bottom - dy};
}

CheckBoxLayout check_box_layout(OwnerRect client, int kind, int caption_width)
{
    CheckBoxLayout out;
    OwnerRect r = {client.left - 2, client.top - 2, client.right + 2, client.bottom + 2};
    int h = r.bottom - r.top;
    OwnerRect k = {r.left, r.top, r.left + h, r.bottom};
    if (kind == BUTTON_CHECK_BOX) {
        k = {k.left + h / 4, k.top + h / 4, k.right - h / 4, k.bottom - h / 4};
        k = {k.left - h / 8, k.top - 1, k.right - h / 7, k.bottom - 3};
    } else {
        k = {k.left + h / 12, k.top + h / 12, k.right - h / 12, k.bottom - h / 12};
        k = {k.left - 1, k.top + 1, k.right - h / 5, k.bottom - 2};
    }
    out.fill = r;
    out.box = k;
    // One box width right of the box, one pixel below the client top.
    out.caption_x = 2 * k.right - k.left;
    out.caption_y = r.top + 3;
    out.focus = {out.caption_x - 1, r.top + 2, out.caption_x + caption_width + 3, r.top + 21};
    return out;
}
