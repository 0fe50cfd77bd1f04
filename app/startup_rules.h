// Start-up decisions that need no window system: language, own folder, Enter key.
#ifndef TAVIK_STARTUP_RULES_H
#define TAVIK_STARTUP_RULES_H

#include <stddef.h>

// 0 not Chinese, 1 simplified, 2 traditional, from the code-page width and language id.
int chinese_script_for(int dbcs_system, unsigned lang_id);

// The folder of a program path with its trailing backslash, or "A:\" when the
// path holds none. Returns 0 when the folder does not fit (out is then "A:\").
int module_dir_from_path(char *out, size_t size, const char *path);

// What an Enter key-down does: the command posted to the wizard (0 for none), and whether
// the key message is dropped (*drop = 1) or goes on to the dialog manager. key_flags is the
// message's lParam; a held key repeats its key-down with bit 30 set, and a repeat does nothing.
int enter_key_command(unsigned long key_flags, int has_focus, const char *class_name, unsigned long style,
                      int control_id, int default_command, int *drop);

#endif
