// The uninstall engine: replays the record a run left, or removes a record-less run's names; nothing else.
#ifndef TAVIK_UNINSTALL_H
#define TAVIK_UNINSTALL_H

#include <windows.h>

#include <stddef.h>

#include "base/base.h"
#include "install/install.h"

// 1 when path names an entry directly inside folder (kept form: no trailing backslash, "C:" for a
// drive's root), compared as the system compares file names; a link is removed only when its
// target passes this.
int path_in_folder(const char *path, const char *folder);

enum UninstallNotice {
    UNINSTALL_NOT_REMOVED,  // one of the setup's names could not be removed (in use): its path
    UNINSTALL_LINK_KEPT,    // a shortcut of the setup's points elsewhere or is no shortcut now: its path
    UNINSTALL_ENTRY_KEPT,   // the folder holds an entry not installed by the setup: its path
    UNINSTALL_CHANGED_KEPT, // a file the record lists was changed since the install: its path
    UNINSTALL_REMOVED,      // one of the setup's names removed: its path
};

struct UninstallCallbacks {
    void *context;
    void (*notice)(void *context, int notice, const char *path); // may be null
};

struct UninstallRequest {
    const char *folder; // the install folder in its kept form (no trailing backslash, "C:" for a root)
    int is_nt;          // special folders found as the installer finds them
    int os_major_is_3;
    UninstallCallbacks report;
    // The uninstaller's program is running from the folder: it, "doc" and the folder are left for
    // finish_uninstall once it has ended, and the result tells how they will be found then.
    int program_running;
};

// What finish_uninstall removes after a run that left the running program.
struct UninstallLeft {
    int program; // the program goes (everything else of the setup's did)
    int doc;     // "doc" goes when empty
    int folder;  // the folder goes when empty
};

enum UninstallResult {
    UNINSTALL_ALL_GONE,       // everything the setup made, the folder too when a run made it
    UNINSTALL_FOLDER_KEPT,    // the setup's own are gone, but files the user changed or added keep the folder
    UNINSTALL_SOME_NOT_GONE,  // a name of the setup's could not be removed: the uninstaller, its
                              // shortcut and the record stay, so that it can be run again
    UNINSTALL_NOT_AN_INSTALL, // nothing changed: the folder does not hold a Tavik install
};

// 1 when folder is a plain folder (no junction or link) holding the install's record, or the
// engine's program and its uninstaller as files.
int looks_like_install(const char *folder);
// The whole removal; returns an UninstallResult. left (may be null) tells what finish_uninstall
// must still remove when the request leaves the running program.
int run_uninstall(const UninstallRequest *request, UninstallLeft *left = NULL);
void finish_uninstall(const UninstallRequest *request, const UninstallLeft *left);

#endif
