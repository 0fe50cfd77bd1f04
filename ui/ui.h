// What the installer draws: GBK text from the glyph atlas, owner-drawn controls, the message dialog.
#ifndef TAVIK_UI_H
#define TAVIK_UI_H

#include <windows.h>

#include "ui/glyph_address.h"

// The drawing resources every caption needs: made at start-up, released at exit.
struct GlyphSlot {
    HBITMAP bitmap;
    HDC dc;
    HBITMAP previous; // what the memory DC held before the glyph bitmap
};

struct DrawingKit {
    HINSTANCE instance;   // holds the dialog templates and the atlas
    int ansi_text_output; // the system turns GBK bytes into glyphs itself (NT)
    HFONT gb_font;        // the display test's system font; null when it could not be made
    GlyphSlot glyph_atlas[GLYPH_BITMAPS];
    WNDPROC checkbox_base_proc; // the standard procedure of the subclassed check boxes
};
extern DrawingKit g_drawing;

enum {
    ATLAS_OK = 1,
    ATLAS_NO_MEMORY = 0,   // buffer not allocated: exit 1 after the message
    ATLAS_BAD_STREAM = -1, // resource missing, corrupt or short: exit 1
    ATLAS_NO_GDI = -2,     // a bitmap or memory DC failed: exit 0
};

// Builds the four atlas bitmaps from resource 110 of g_drawing.instance.
int load_glyph_atlas(void);
void release_glyph_atlas(void);
void create_test_font(void);
// The atlas and the test font.
void release_drawing_kit(void);

SIZE draw_gbk_text(HDC dc, int x, int y, const char *text, int highlighted);
SIZE measure_gbk_text(HDC dc, const char *text);
void system_text_out(HDC dc, int x, int y, const char *text, int length);

// Painters of the owner-drawn controls. page selects the forward button's caption and
// default_id the button drawn with the default frame.
void draw_owner_button(const DRAWITEMSTRUCT *item, int page, int default_id);
void subclass_check_box(HWND box);
LRESULT CALLBACK check_box_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
void paint_check_box(HWND window, HDC dc);
BOOL measure_list_item(MEASUREITEMSTRUCT *item);
BOOL draw_list_item(HWND dialog, const DRAWITEMSTRUCT *item);

// A question whose safe answer is No takes MESSAGE_QUESTION_NO_FIRST: the focus starts on No, so
// that neither Enter nor Space says yes to it unread.
enum { MESSAGE_NOTICE = 0, MESSAGE_QUESTION = 4, MESSAGE_QUESTION_NO_FIRST = 0x104 };

// The one bilingual message dialog every notice and question goes through. Returns the id
// of the button that closed it (1, 2, 6 or 7), or DialogBoxParamA's failure value.
int show_message(const char *chinese, const char *english, int kind, HWND owner);
// A message of several lines ("\r\n" between them) in the same dialog: the Chinese ones drawn from
// the glyph atlas, the English ones below, one OK button.
int show_long_message(const char *chinese, const char *english, HWND owner);
// The switches and exit codes of each program, in both languages.
extern const char setup_usage_chinese[], setup_usage_english[];
extern const char uninstaller_usage_chinese[], uninstaller_usage_english[];
// The caption every later message dialog takes instead of its template's; null restores that.
void set_message_caption(const char *caption);
extern const char uninstaller_caption[];

// Every message the installer shows, as a Chinese/English pair.
enum MessageName {
    MSG_NO_MEMORY,
    MSG_BAD_FOLDER,
    MSG_ANSWER_PLEASE,
    MSG_OLD_WORD_BASE,
    MSG_SUCCESS,
    MSG_FAILURE,
    MSG_START_MENU_FAILED,
    MSG_SHORTCUT_FOLDER_FAILED, // the Chinese text takes the folder for its %s
    MSG_FOLDER_HOLDS_FILES,     // a question: install into a folder of the user's anyway?
    MSG_ANOTHER_SETUP,          // a setup or uninstaller of Tavik is running already
    // The uninstaller's.
    MSG_UNINSTALL_QUESTION,
    MSG_UNINSTALL_DONE,
    MSG_UNINSTALL_FOLDER_KEPT, // the user's own files are in the folder
    MSG_UNINSTALL_IN_USE,      // the Chinese text takes the file for its %s
    MSG_UNINSTALL_CHANGED,     // the Chinese text takes a file the user changed for its %s
    MSG_UNINSTALL_NOT_INSTALLED,
    MSG_UNINSTALL_CANNOT_START,
    MSG_COUNT,
};
struct MessageText {
    const char *chinese;
    const char *english;
};
extern const MessageText message_texts[MSG_COUNT];
int show_text_message(int name, int kind, HWND owner);

// The interface languages by value: English, simplified and traditional Chinese.
extern const char *const language_names[3];

#endif
