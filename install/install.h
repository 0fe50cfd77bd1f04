// The installation engine: payload files, the install run, configuration and shortcuts.
#ifndef TAVIK_INSTALL_H
#define TAVIK_INSTALL_H

#include <windows.h>

#define SCRATCH_SIZE 0x3000000

// payload.cpp
int extract_payload(int resource_id, const char *file_name, unsigned char *buffer, unsigned long capacity,
                    int set_read_only, int set_hidden);
int write_install_file(const char *file_name, const void *data, unsigned long size, int set_read_only,
                       int set_hidden);
void force_remove_file(const char *path);

// run.cpp
int run_install(void);
// Path of the index-th (0..63) stale user dictionary in install_dir, in removal order.
int user_dictionary_path(char *path, size_t size, int index);
// The closing shortcut steps, named in the script that system_chinese selects:
// the Start-menu group, then the desktop and start-up shortcuts the user chose.
void create_menu_group(void);
void create_chosen_shortcuts(void);

// config.cpp
int update_config_file(void);

// shortcuts.cpp
struct ShortcutEntry {
    const char *shortcut_name; // null ends a list
    const char *program_file;
};
int shell_folder_path(char *path, int csidl);
int legacy_folder_path(char *path, int folder_code);
int special_folder_path(char *path, int csidl);
int create_shell_link(const char *target, const char *link_path, const char *description);
void create_desktop_shortcut(const char *program_file, const char *shortcut_name);
int create_menu_entries(const char *folder_name, const ShortcutEntry *entries, int csidl);

#endif
