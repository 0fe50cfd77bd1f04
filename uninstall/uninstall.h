// The uninstall engine: removes by name what a run put in its folder and in the shell, nothing else.
#ifndef TAVIK_UNINSTALL_H
#define TAVIK_UNINSTALL_H

#include <windows.h>

#include <stddef.h>

#include "base/base.h"
#include "install/install.h"

// --- the plan: pure, no file is looked at ---------------------------------------------------

// One shortcut a run may have made: the special folder, the group in it (null for none) and the
// link's name without ".lnk", all in one script form.
struct LinkPlace {
    int csidl;
    const char *group;
    const char *name;
};
enum { LINK_PLACES = 5 };
// The shortcuts of a script form (0 English, 1 GBK, 2 Big5): the group's two, the two desktop
// links and the start-up link. Fills places (LINK_PLACES entries) and returns how many.
int plan_links(int script, LinkPlace *places);
// "<special>\<group>\<name>.lnk", or without the group; 0 when it does not fit.
int link_path(char *path, size_t size, const char *special, const LinkPlace *place);
// 1 when the first a_bytes of a and the whole of b are the same file name (any case).
int same_file_name(const char *a, size_t a_bytes, const char *b);
// 1 when path names an entry directly inside folder (no trailing backslash), compared as the
// system compares file names; a link is removed only when its target passes this.
int path_in_folder(const char *path, const char *folder);

// --- the removal ------------------------------------------------------------------------------

enum UninstallNotice {
    UNINSTALL_NOT_REMOVED, // one of the setup's names could not be removed (in use): its path
    UNINSTALL_LINK_KEPT,   // a link of the setup's name points elsewhere: its path
    UNINSTALL_ENTRY_KEPT,  // the folder holds an entry not installed by the setup: its path
};

struct UninstallCallbacks {
    void *context;
    void (*notice)(void *context, int notice, const char *path); // may be null
};

struct UninstallRequest {
    const char *folder; // the install folder, without a trailing backslash
    int is_nt;          // special folders found as the installer finds them
    int os_major_is_3;
    UninstallCallbacks report;
};

enum UninstallResult {
    UNINSTALL_ALL_GONE,       // the files, the links, the leftovers and the folder itself
    UNINSTALL_FOLDER_KEPT,    // everything of the setup's, but the folder holds other entries
    UNINSTALL_SOME_NOT_GONE,  // a name of the setup's could not be removed
    UNINSTALL_NOT_AN_INSTALL, // nothing changed: the folder does not hold a Tavik install
};

// 1 when folder is a plain folder (no junction or link) holding the engine's program and its
// uninstaller as files.
int looks_like_install(const char *folder);
// The whole removal; returns an UninstallResult.
int run_uninstall(const UninstallRequest *request);

#endif
