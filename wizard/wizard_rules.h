// Wizard decisions that need no window system: paths, licence lines, language order, the final wait.
#ifndef TAVIK_WIZARD_RULES_H
#define TAVIK_WIZARD_RULES_H

#include <stddef.h>

// Paths are in the system's code page: a trail byte 0x5C of a two-byte character is
// not a backslash.
int ends_in_backslash(const char *path);
// Removes one trailing backslash; 1 when there was one.
int drop_trailing_backslash(char *path);
// Trims blanks around a typed path and drops its trailing backslashes, so that
// "  C:\Tavik\ " becomes "C:\Tavik" and "C:\" becomes "C:".
void tidy_typed_path(char *path);
// 1 for a full path in the device namespace, such as "\\.\NUL" for a typed "C:\x\nul":
// a device is no folder to install into.
int names_a_device(const char *full_path);
// 1 when every installed name still fits in a 260-byte path under folder.
int folder_leaves_room(const char *folder, size_t longest_name);
// Appends a backslash unless path ends in one; 0 (path unchanged) when it would not fit.
int add_trailing_backslash(char *path, size_t size);

// "D:\Tavik" from the Windows folder "D:\WINNT\" and the family name.
int default_install_path(char *out, size_t size, const char *windows_dir, const char *folder_name);
// The chosen folder with the family name appended: "C:" gives "C:\Tavik".
int browse_result_path(char *out, size_t size, const char *folder, const char *folder_name);
// The "doc" sub-folder of a newly created install folder.
int doc_folder_path(char *out, size_t size, const char *folder);

// Language values in combo order: force_language on top, the others in value order.
void language_order(int force_language, int order[3]);
// The language of a combo selection; English (0) without a valid selection.
int language_from_selection(long long selection, long long item_data);

#define LICENCE_TEXT_SIZE 65536 // largest licence text taken, in bytes
#define LICENCE_MAX_LINES 500

// Splits text (length bytes, or up to an earlier zero) in place into the lines
// ended by a carriage return: each carriage return becomes the line's terminator
// and a line feed right after it is skipped. Text after the last carriage return
// is not a line. Stores at most max_lines line starts; returns how many.
int split_licence_lines(char *text, size_t length, char **lines, int max_lines);

// Milliseconds still to wait, rounded up, before minimum_ms have passed between
// two readings of a counter running at frequency counts per second.
unsigned long wait_left_ms(long long start, long long now, long long frequency, unsigned long minimum_ms);

#endif
