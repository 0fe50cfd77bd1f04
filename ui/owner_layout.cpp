// Caption tables of the owner-drawn buttons and check boxes, and where their parts go.
#include "ui/owner_layout.h"

#include "resources/ids.h"

struct ButtonRow {
    int id;
    ButtonLook look;
};

static const ButtonRow button_rows[] = {
    {IDC_MSG_OK, {CAPTION_FIXED, "确认 OK", 1, 1}},
    {IDC_CANCEL, {CAPTION_FIXED, "取消 Cancel", 1, 1}},
    {IDC_BACK, {CAPTION_FIXED, "退一步 Back", 1, 1}},
    {IDC_MSG_YES, {CAPTION_FIXED, "是 Yes", 1, 1}},
    {IDC_MSG_NO, {CAPTION_FIXED, "否 No", 1, 1}},
    {IDC_NEXT, {CAPTION_FIXED, "下一步 Next", 1, 1}},
    {IDC_BROWSE, {CAPTION_FIXED, "改变 Browse ....", 1, 1}},
    {IDC_PATH_LABEL, {CAPTION_FIXED, "安装路径： (Install Path)", 0, 0}},
    {IDC_CHOOSER_DIR_LABEL, {CAPTION_FIXED, "路径 (Directories):", 0, 0}},
    {IDC_BANNER_FAMILY, {CAPTION_FIXED, "《Tavik》 Tavik", 0, 1}},
    {IDC_CHOOSER_DRIVE_LABEL, {CAPTION_FIXED, "磁盘 (Drives):", 0, 0}},
    {IDC_BANNER_ENGINE, {CAPTION_FIXED, "中文输入引擎 Input Engine", 0, 1}},
    {IDC_BANNER_INSTALLER, {CAPTION_FIXED, "安装程序", 0, 1}},
    {IDC_MSG_CHINESE, {CAPTION_WINDOW_TEXT, 0, 0, 1}},
    {IDC_UNUSED_LABEL, {CAPTION_WINDOW_TEXT, 0, 0, 0}},
    {IDC_DISPLAY_QUESTION, {CAPTION_FIXED, "以上中文显示正确吗 (Is the Above Chinese Display OK)?", 0, 1}},
    {IDC_SAMPLE_LINE, {CAPTION_SYSTEM_FONT, "日出江花红胜火", 0, 1}},
    {IDC_BANNER_BLANK, {CAPTION_NOTHING, 0, 0, 0}},
    {IDC_UNUSED_FACE, {CAPTION_FIXED, "", 0, 0}},
    {IDC_LANGUAGE_LABEL, {CAPTION_FIXED, "User Interface Language 用户界面语言", 0, 1}},
};

// From the last page on, the forward button installs.
static const char install_caption[] = "同意/安装 Agree/Install";

struct CheckRow {
    int id;
    const char *caption;
};

static const CheckRow check_rows[] = {
    {IDC_DESKTOP_ICON, "建立桌面图标？  (Place an icon on Desktop)"},
    {IDC_AUTO_START, "开机时自动启动？(Auto-start on boot)"},
    {IDC_DISPLAY_OK, "正确(OK)"},
    {IDC_DISPLAY_NO, "不正确(NO)"},
};

ButtonLook button_look(int id, int wizard_page)
{
    for (const ButtonRow &row : button_rows) {
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
    for (const CheckRow &row : check_rows)
        if (row.id == id)
            return row.caption;
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

int check_kind_of_style(unsigned long style)
{
    switch (style & 0xFF) {
    case 2: // BS_CHECKBOX
    case 3: // BS_AUTOCHECKBOX
        return CHECK_KIND_BOX;
    case 4: // BS_RADIOBUTTON
    case 9: // BS_AUTORADIOBUTTON
        return CHECK_KIND_RADIO;
    default:
        return CHECK_KIND_OTHER;
    }
}

CheckBoxLayout check_box_layout(OwnerRect client, int kind, int caption_width)
{
    CheckBoxLayout out;
    OwnerRect r = {client.left - 2, client.top - 2, client.right + 2, client.bottom + 2};
    int h = r.bottom - r.top;
    OwnerRect k = {r.left, r.top, r.left + h, r.bottom};
    if (kind == CHECK_KIND_BOX) {
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
