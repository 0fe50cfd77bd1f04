// Wizard decisions that need no window system: paths, licence lines, language order, the final wait.
#ifndef TAVIK_WIZARD_RULES_H
#define TAVIK_WIZARD_RULES_H

#include <stddef.h>

// Paths are in the system's code page: a trail byte 0x5C of a two-byte character is
// not a backslash.
int ends_in_backslash(const char *path);
// Trims blanks around a full path and drops what Windows drops from its end, trailing
// dots, blanks and backslashes, so that "  C:\Tavik. \ " becomes "C:\Tavik" and "C:\"
// becomes "C:".
void tidy_typed_path(char *path);
// The typed path made ready to be resolved into a full path: blanks around it trimmed, and a
// bare drive "C:", which alone names the current folder of that drive, made its root "C:\".
// 0 (out empty) when nothing is left, when it does not fit, or when it is a path in the device
// or object namespace ("\\?\", "\\.\", "\??\", with either kind of slash), which
// no check of ordinary names covers.
int path_to_resolve(char *out, size_t size, const char *typed);
// 1 for a path in the device or object namespace, or with a component Windows takes for a
// device whatever the folder: CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM0-COM9, LPT0-LPT9 (also
// with a superscript 1, 2 or 3) in any letter case, with or without an extension, trailing
// dots or blanks ("nul.", "Con .txt", "lpt1.log").
int names_a_device(const char *path);
// 1 when a tidied full path can be the install folder: a drive or share path, no device, and
// every component a name Windows keeps as it is, without a trailing dot or blank (which
// Windows drops or keeps depending on where the component stands) and without < > : " | ? *
// or control characters, so that the folder made is the folder named.
int usable_folder_path(const char *path);
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
