// The installation engine: lays the payload into a folder, configures and links it, and reports.
#ifndef TAVIK_INSTALL_H
#define TAVIK_INSTALL_H

#include <windows.h>

#include "base/base.h"

// What the user must be told; each comes with the file it concerns, or null.
enum InstallNotice {
    NOTICE_NO_MEMORY,              // the run could not start
    NOTICE_START_MENU_FAILED,      // a shortcut could not be saved
    NOTICE_SHORTCUT_FOLDER_FAILED, // the folder a shortcut group needs could not be made
};

// How the engine reports to its front end; any callback may be null.
struct InstallCallbacks {
    void *context;
    void (*progress)(void *context, int position); // 0 to 100, in rising order
    // Asked when the folder holds an old word base: 1 replaces it, 0 keeps it.
    // Without an answerer the new word base is installed.
    int (*replace_old_word_base)(void *context);
    void (*notice)(void *context, int notice, const char *file);
    // Called often during long work (at least every few hundred milliseconds), so that the
    // front end can keep its window painting and answering while the run holds its thread.
    void (*pump)(void *context);
};

struct InstallRequest {
    HMODULE payload;         // module whose "TEXT" resources hold the files
    const char *folder;      // the destination, without a trailing backslash
    const char *module_dir;  // the installer's own folder, ending in a backslash
    const char *windows_dir; // ending in a backslash
    int script;              // names of folders and shortcuts: 0 English, 1 simplified, 2 traditional
    int is_nt;               // profile folders live under the Windows folder's "profiles"
    int os_major_is_3;       // special folders are found without the shell
    int display_ok;          // the display-test answer
    int force_language;      // 0 English, 1 simplified, 2 traditional
    int want_desktop_icon;
    int want_auto_start;
    int folder_is_new; // made for this run: a failed run removes it again when it is left empty
    InstallCallbacks report;
};

// The whole run: files, configuration, shortcuts, the settings file. 1 when it got through.
// Every file is staged (inflated, checked, flushed) beside its name before anything existing
// changes; a damaged or missing stream, a full disk, or a required file in use ends the run with
// nothing changed. A run cut short is repaired by the next one (see run.cpp).
int run_install(const InstallRequest *request);

// The longest name the run installs, so a folder can be checked for room first.
size_t longest_installed_name(void);

// Pieces of the run, each usable alone. A packed stream is inflated a chunk at a time through a
// buffer of this size: no payload is too large, and none is held whole in memory.
#define STAGE_BUFFER_SIZE 0x10000
enum StageResult {
    STAGE_OK,
    STAGE_MISSING,     // the payload has no such stream
    STAGE_DAMAGED,     // the stream fails its checksum, is cut short, or does not end where its resource ends
    STAGE_NOT_WRITTEN, // the temporary file could not be made, or the disk took less than the whole file
    STAGE_NO_MEMORY,
};
// Inflates the "TEXT" resource id of payload into a new temporary file of folder named after tag
// ("~tvk<tag>.tmp" or a variant), flushed to disk and closed; its path goes to staged. Returns a
// StageResult; on any other than STAGE_OK nothing is left behind. report may be null; its pump is
// called every few chunks.
int stage_payload(HMODULE payload, int resource_id, const char *folder, const char *tag,
                  unsigned char *buffer, char *staged, size_t staged_size, const InstallCallbacks *report);
// Moves a staged file over destination (whatever is at that name, a link included, is replaced,
// never written through), then sets carried_bits and the protect bits asked for on it. 1 on success;
// on failure the staged file is still there and the destination as it was.
int commit_staged_file(const char *staged, const char *destination, unsigned long carried_bits,
                       int set_read_only, int set_hidden);
// Staged and committed in one: folder\file_name is replaced whole, or left as it was. The old
// file's archive, system and not-indexed bits carry over.
int extract_payload(HMODULE payload, int resource_id, const char *folder, const char *file_name,
                    int set_read_only, int set_hidden);
int write_install_file(const char *folder, const char *file_name, const void *data, unsigned long size,
                       int set_read_only, int set_hidden);
// Path of the index-th (0..63) stale user dictionary in folder, in removal order.
int user_dictionary_path(char *path, size_t size, const char *folder, int index);
int update_config_file(const char *folder, int display_ok, int force_language);

// Shortcuts. Names come in the request's script form.
struct ShortcutEntry {
    const char *shortcut_name; // null ends a list
    const char *program_file;
};
// The Start-menu group, then the desktop and start-up shortcuts the user chose.
void create_menu_group(const InstallRequest *request);
void create_chosen_shortcuts(const InstallRequest *request);
int shell_folder_path(char *path, int csidl);
int legacy_folder_path(char *path, int folder_code, int is_nt);
int special_folder_path(const InstallRequest *request, char *path, int csidl);
int create_shell_link(const char *target, const char *link_path, const char *description);
void create_desktop_shortcut(const InstallRequest *request, const char *program_file,
                             const char *shortcut_name);
int create_menu_entries(const InstallRequest *request, const char *folder_name, const ShortcutEntry *entries,
                        int csidl);

// What a run leaves behind, for the uninstaller: the installed file names in install order, the
// names of the products' shortcuts and Start-menu folder, and the names only a run cut short leaves.
int installed_file_count(void);
const char *installed_file_name(int index); // null outside 0..installed_file_count()-1
enum InstalledName {
    NAME_ENGINE_FOLDER,             // the Start-menu group
    NAME_ENGINE_SHORTCUT,           // in the group, on the desktop and in the start-up folder
    NAME_ENGINE_UNINSTALL_SHORTCUT, // in the group
    NAME_EDITOR_SHORTCUT,           // on the desktop
    NAME_ENGINE_PROGRAM,            // installed files
    NAME_ENGINE_UNINSTALLER,
    NAME_EDITOR_PROGRAM,
};
// The name in a script form (0 English, 1 simplified in GBK, 2 traditional in Big5; clamped), the
// same bytes the run passes to the shell; file names are the same in every form.
const char *installed_name(int name, int script);
// 1 for the marker a run leaves while it moves files and for the run's temporary files.
int is_run_leftover_name(const char *name);
extern const char INSTALL_MARKER_NAME[];

#endif
