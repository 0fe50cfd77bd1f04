// The products of the family: folder, shortcut and program names in three scripts.
#ifndef TAVIK_PROFILES_H
#define TAVIK_PROFILES_H

// Script forms of a name, in table order.
enum { SCRIPT_ENGLISH, SCRIPT_SIMPLIFIED, SCRIPT_TRADITIONAL, SCRIPT_COUNT };

struct ProductProfile {
    const char *folder_name[SCRIPT_COUNT];
    const char *shortcut_name[SCRIPT_COUNT];
    const char *uninstall_shortcut_name[SCRIPT_COUNT];
    const char *program_file;
    const char *uninstaller_file;
};

enum { PRODUCT_EDITOR, PRODUCT_ENGINE, PRODUCT_SMART_EDITOR, PRODUCT_KEYLA, PRODUCT_COUNT };

extern const ProductProfile product_profiles[PRODUCT_COUNT];

// The form that names files on this system: by system_chinese, clamped to 0..2.
int script_form(int system_chinese);

// The Big5 forms, compiled apart from the GBK ones.
extern const char editor_folder_big5[], editor_shortcut_big5[], editor_uninstall_big5[];
extern const char engine_folder_big5[], engine_shortcut_big5[], engine_uninstall_big5[];
extern const char smart_folder_big5[], smart_shortcut_big5[], smart_uninstall_big5[];
extern const char keyla_folder_big5[], keyla_shortcut_big5[], keyla_uninstall_big5[];

#endif
