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

// The caption tables, kept with every other text the installer shows.
struct ButtonCaption {
    int id;
    ButtonLook look;
};
struct CheckCaption {
    int id;
    const char *caption;
};
extern const ButtonCaption button_captions[];
extern const int button_caption_count;
extern const CheckCaption check_captions[];
extern const int check_caption_count;
// From the last page on, the forward button installs.
extern const char install_caption[];

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

struct CheckBoxLayout {
    OwnerRect fill;
    OwnerRect box;
    int caption_x;
    int caption_y;
    OwnerRect focus; // needs the caption width
};

// kind is a button_kind of the box's style.
CheckBoxLayout check_box_layout(OwnerRect client, int kind, int caption_width);

#endif
