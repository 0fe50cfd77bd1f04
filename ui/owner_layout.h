// What the owner-drawn controls show and where: caption tables and their geometry.
#ifndef TAVIK_OWNER_LAYOUT_H
#define TAVIK_OWNER_LAYOUT_H

// Longest window texts the painters read, in bytes.
enum { BUTTON_TEXT_LIMIT = 79, CHECK_BOX_TEXT_LIMIT = 126, LIST_TEXT_LIMIT = 259 };

enum {
    CAPTION_FIXED,       // the table's text through the glyph atlas
    CAPTION_WINDOW_TEXT, // the control's own text through the glyph atlas
    CAPTION_SYSTEM_FONT, // the table's text in the test font
    CAPTION_NOTHING,     // not painted at all
};

struct ButtonLook {
    int source;
    const char *caption; // null unless the source is fixed or the system font
    int frame;
    int centred;
};

struct OwnerRect {
    int left;
    int top;
    int right;
    int bottom;
};

ButtonLook button_look(int id, int wizard_page);
// The check-box caption of id, or null when the window text is drawn.
const char *check_box_caption(int id);

// Top-left of a caption of the given width inside an item rectangle.
void button_caption_origin(OwnerRect item, int width, int centred, int pressed, int *x, int *y);
OwnerRect button_focus_rect(OwnerRect item);

enum { CHECK_KIND_BOX, CHECK_KIND_RADIO, CHECK_KIND_OTHER };
int check_kind_of_style(unsigned long style);

struct CheckBoxLayout {
    OwnerRect fill;
    OwnerRect box;
    int caption_x;
    int caption_y;
    OwnerRect focus; // needs the caption width
};

CheckBoxLayout check_box_layout(OwnerRect client, int kind, int caption_width);

#endif
