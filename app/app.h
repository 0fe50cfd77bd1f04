// Process start-up and teardown: probes, test font, glyph atlas, message loop.
#ifndef TAVIK_STARTUP_H
#define TAVIK_STARTUP_H

#include <windows.h>

enum {
    ATLAS_OK = 1,
    ATLAS_NO_MEMORY = 0,   // buffer not allocated: exit 1 after the message
    ATLAS_BAD_STREAM = -1, // resource missing, corrupt or short: exit 1
    ATLAS_NO_GDI = -2,     // a bitmap or memory DC failed: exit 0
};

void restrict_dll_search(void);
void probe_environment(void);
void create_test_font(void);
void find_module_dir(void);
// Builds the four atlas bitmaps from resource 110 of g_state.instance.
int load_glyph_atlas(void);
void release_glyph_atlas(void);
// The Enter-key rule applied to one message; returns 1 when it was consumed.
int apply_enter_key(const MSG *msg);
void run_message_loop(void);
int run_installer(HINSTANCE instance);

#endif
