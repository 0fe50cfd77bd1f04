// The switches of both programs, read into one record of choices before any window exists; no system call.
#ifndef TAVIK_SWITCHES_H
#define TAVIK_SWITCHES_H

#include <stddef.h>

enum SetupMode {
    MODE_WIZARD,      // no switch asks for another mode: as without arguments
    MODE_SILENT,      // /SILENT: only the installing view with its progress bar
    MODE_VERY_SILENT, // /S, /VERYSILENT: no window at all
};

enum { SWITCH_VALUE_SIZE = 260, BAD_SWITCH_SIZE = 64 };

// Which program reads the line: the uninstaller takes only the mode, /LOG and the switches that
// change nothing.
enum { SWITCHES_SETUP, SWITCHES_UNINSTALLER };

struct SetupChoices {
    int mode;
    int help; // /? or /HELP
    int bad;  // an unknown or malformed switch was given; the first goes to bad_switch
    char bad_switch[BAD_SWITCH_SIZE];
    int folder_given; // /D=folder (last, unquoted, may hold blanks) or /DIR="folder"
    char folder[SWITCH_VALUE_SIZE];
    int desktop_icon;   // 1 unless /NODESKTOPICON
    int auto_start;     // /AUTOSTART
    int language;       // /LANG=english (0), simplified (1), traditional (2)
    int display_ok;     // /DISPLAYOK=yes (1) or no (0); -1 when not given
    int keep_word_base; // /KEEPWORDBASE=yes (1, the default) or no (0)
    int log;            // /LOG, or /LOG="file" with the file in log_path
    char log_path[SWITCH_VALUE_SIZE];
};

// Reads the arguments (the command line without the program's name). Switches start with "/" or
// "-" and are read in any letter case; values may be quoted. Every field gets its default first.
void read_switches(const char *arguments, int program, SetupChoices *choices);
// 1 when the arguments hold nothing but blanks.
int no_arguments(const char *arguments);

#endif
