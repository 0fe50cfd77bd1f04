// The one process-wide record through which every subsystem shares facts and choices.
#ifndef TAVIK_STATE_H
#define TAVIK_STATE_H

#include <windows.h>

#define PATH_SIZE 260

struct GlyphSlot {
    HBITMAP bitmap;
    HDC dc;
    HBITMAP previous; // what the memory DC held before the glyph bitmap
};

struct InstallerState {
    HINSTANCE instance;
    int is_nt;
    int os_major_is_3;
    int dbcs_system;
    int system_chinese;          // 0 not Chinese, 1 simplified, 2 traditional
    char module_dir[PATH_SIZE];  // ends in a backslash
    char windows_dir[PATH_SIZE]; // ends in a backslash
    char default_folder_name[32];
    HFONT gb_font;
    GlyphSlot glyph_atlas[4];
    HICON app_icon;
    int default_command = 1001; // the command Enter posts away from push buttons
    HWND wizard_window;
    int wizard_page;             // 0..3 pages, 99 installing, -1 finished
    char install_dir[PATH_SIZE]; // no trailing backslash
    int display_ok;
    int want_desktop_icon;
    int want_auto_start;
    int force_language; // 0 English, 1 simplified, 2 traditional
    WNDPROC checkbox_base_proc;
    int keep_old_word_base;
};

extern InstallerState g_state;

// Texts several subsystems show: out-of-memory pair and the folder failure.
enum { TEXT_NO_MEMORY_CN, TEXT_NO_MEMORY_EN, TEXT_CANNOT_CREATE_FOLDER };
extern const char *const shared_text[3];

#define ATLAS_BUFFER_SIZE 307200
#define ATLAS_SIZE 241664
#define ATLAS_BLOCK_SIZE 60416
#define ATLAS_WIDTH 512
#define ATLAS_HEIGHT 944

#endif
