// Size and place of the message dialog and its controls, worked out from the measured texts.
#ifndef TAVIK_MESSAGE_LAYOUT_H
#define TAVIK_MESSAGE_LAYOUT_H

enum {
    MESSAGE_ENGLISH_SIZE = 128,
    MESSAGE_MARGIN_LIMIT = 80, // Chinese texts up to this many bytes get side margins
    MESSAGE_DEFAULT_BUTTON_W = 82,
    MESSAGE_DEFAULT_BUTTON_H = 12,
};

// The request show_message leaves for the dialog; each call overwrites it.
extern int message_kind;
extern char message_english[MESSAGE_ENGLISH_SIZE];

struct MessageMeasures {
    int kind;
    int chinese_bytes;
    int cw, ch; // Chinese extent
    int ew, eh; // English extent, 0 x 0 when there is none
    int bw, bh; // button size
    int frame_x;
    int screen_w, screen_h;
    int caption_h;
};

struct MessageLayout {
    int content_w, content_h;
    int left, top, width, height; // the dialog window
    int button_count;
    int button_id[2];
    int button_left[2];
    int button_top;
    int chinese_top, chinese_height;
    int english_top, english_height;
};

// The button pair of a kind; the first of it is the measuring button.
void message_button_pair(int kind, int *first, int *second);
MessageLayout lay_out_message(const MessageMeasures *m);
// 1 when a command with this id closes the dialog with it as the result.
int message_command_closes(int id);

#endif
