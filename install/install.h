// The installation engine: lays the payload into a folder, configures and links it, and reports.
#ifndef TAVIK_INSTALL_H
#define TAVIK_INSTALL_H

#include <windows.h>

#include "base/base.h"
#include "install/record.h"

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
    // Called when the folder holds an old word base ("CiZuFlat.igb"). When the user may keep it
    // (ask is 1) the answer decides: 1 replaces it, 0 keeps it; otherwise it is not read. Without
    // an answerer the new word base is installed.
    int (*old_word_base)(void *context, int ask);
    void (*notice)(void *context, int notice, const char *file);
    // Called often during long work (at least every few hundred milliseconds), so that the
    // front end can keep its window painting and answering while the run holds its thread.
    void (*pump)(void *context);
    // Each step of the run, for a log: an InstallStep, the name it concerns and a value.
    void (*step)(void *context, int step, const char *name, unsigned long long value);
};

enum InstallStep {
    STEP_STAGED,   // a file inflated, checked and flushed under a temporary name: its name, its bytes
    STEP_MOVED,    // a staged file moved over its name: its name, its bytes
    STEP_KEPT,     // a file left as it was (a kept word base, an optional file in use): its name
    STEP_REMOVED,  // a stale user dictionary removed: its name
    STEP_CONFIG,   // a key of the configuration set: "key=value"
    STEP_SHORTCUT, // a shortcut saved: its path
    STEP_SETTINGS, // the settings file copied into the Windows folder: its path
    STEP_RECORD,   // the record written: its path
    STEP_FAILED,   // what ended the run: a RunFailure as the value, and the file it concerns or null
};
enum RunFailure {
    FAILURE_OTHER,
    FAILURE_DAMAGED,   // the installer's own file: a stream missing or damaged, the file cut short
    FAILURE_DISK_FULL, // the disk took less than a whole file
    FAILURE_IN_USE,    // a file the products cannot do without is held by another program
    FAILURE_NO_MEMORY,
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
    int folder_is_new; // made for this run (with its "doc"): a failed run removes it again when it is left
                       // empty, and the record says the run made it
    InstallCallbacks report;
};

// The whole run: files, configuration, shortcuts, the settings file. 1 when it got through.
// Every file is staged (inflated, checked, flushed) beside its name before anything existing
// changes; a damaged or missing stream, a full disk, or a required file in use ends the run with
// nothing changed. A run cut short is repaired by the next one (see run.cpp). A run that changed
// the folder leaves a record of what it made there, for the uninstaller.
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
    STAGE_NOT_WRITTEN, // the temporary file could not be made or written
    STAGE_NO_MEMORY,
    STAGE_DISK_FULL, // the disk took less than the whole file
};
struct StagedPayload {
    char path[PATH_SIZE];
    unsigned long long size;
    unsigned long crc; // zlib's CRC-32 of the bytes written
};
// Inflates the "TEXT" resource id of payload into a new temporary file of folder named after tag
// ("~tvk<tag>.tmp" or a variant), flushed to disk and closed; its path, size and CRC-32 go to
// staged. Returns a StageResult; on any other than STAGE_OK nothing is left behind. report may be
// null; its pump is called every few chunks.
int stage_payload(HMODULE payload, int resource_id, const char *folder, const char *tag,
                  unsigned char *buffer, StagedPayload *staged, const InstallCallbacks *report);
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

// Shortcuts. Names come in the request's script form. A shortcut saved is listed in made, when
// that is given.
struct ShortcutEntry {
    const char *shortcut_name; // null ends a list
    const char *program_file;
};
// The Start-menu group, then the desktop and start-up shortcuts the user chose.
void create_menu_group(const InstallRequest *request, RunRecord *made = NULL);
void create_chosen_shortcuts(const InstallRequest *request, RunRecord *made = NULL);
int shell_folder_path(char *path, int csidl);
int legacy_folder_path(char *path, int folder_code, int is_nt);
int special_folder_path(const InstallRequest *request, char *path, int csidl);
// Saves the link to a new temporary file beside link_path and moves it over that name: whatever is
// there, a link or a second name of another file included, is replaced, never written through.
int create_shell_link(const char *target, const char *link_path, const char *description);
void create_desktop_shortcut(const InstallRequest *request, const char *program_file,
                             const char *shortcut_name, RunRecord *made = NULL);
int create_menu_entries(const InstallRequest *request, const char *folder_name, const ShortcutEntry *entries,
                        int csidl, RunRecord *made = NULL);

// Every shortcut a run may make, in the order it makes them: the special folder, whether it goes
// in the Start-menu group, its name and the program it starts (InstalledName values), and the
// choice it needs.
enum { SHORTCUT_ALWAYS, SHORTCUT_IF_DESKTOP_ICON, SHORTCUT_IF_AUTO_START };
struct ShortcutPlace {
    int csidl;
    int in_group;
    int name;
    int program;
    int condition;
};
enum { SHORTCUT_PLACES = 5 };
extern const ShortcutPlace shortcut_places[SHORTCUT_PLACES];
// "<special>\<group>\<name>.lnk" (without the group for a place outside it) in a script form; 0
// when it does not fit.
int shortcut_path(char *path, size_t size, const char *special, const ShortcutPlace *place, int script);

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
// 1 for a name create_temporary makes: "~tvk*.tmp", long form only.
int is_temporary_name(const char *name);

// The record a run leaves in the folder ("TVKInstall.rec"): every file it laid down with its size
// and CRC-32, every shortcut it saved, and "doc" and the folder when a run made them.
extern const char INSTALL_RECORD_NAME[];
enum { RECORD_ABSENT, RECORD_READ, RECORD_UNREADABLE };
// RECORD_ABSENT (record emptied), RECORD_READ, or RECORD_UNREADABLE for a file that is not a
// record this program reads (record emptied).
int read_run_record(const char *folder, RunRecord *record);
// Written whole to a new temporary file, flushed, and moved over the record's name with write-through.
int write_run_record(const char *folder, const RunRecord *record);
// The record's entry for an installed file name; null when the record does not list it.
const RecordedFile *recorded_file(const RunRecord *record, const char *file_name);
// The size and CRC-32 of a file's bytes; 0 when it cannot be read through.
int file_size_and_crc(const char *path, unsigned long long *size, unsigned long *crc);

// Names taken by their own name: a link at one is removed itself, never what it points at, under
// Wine as under Windows, and a second name of another file is never changed.
enum NameRemoval { NAME_REMOVED, NAME_ABSENT, NAME_NOT_A_FILE, NAME_NOT_REMOVED };
// Removes the file name path, its own read-only and hidden bits cleared first (and set again when
// the name stays); a NameRemoval.
int remove_name(const char *path);
// 1 when the name is gone afterwards.
int remove_own_file(const char *path);
// 1 for a folder itself, not a link or junction to one.
int is_plain_folder(const char *path);
// Removes an empty folder, never a link to one; 1 when it is gone.
int remove_own_folder(const char *path);
// 1 when the first a_bytes of a and the whole of b are the same file name (any case), compared as
// the file system compares names.
int same_file_name(const char *a, size_t a_bytes, const char *b);

// The install folder before a run.
// A new folder whose access list lets only the user, SYSTEM and Administrators write (Users read
// and run), passed on to what is made inside and nothing taken over from the parent.
int create_own_folder(const char *path);
// That access list, in sd and the DWORD-aligned acl space it points to; 0 when the user cannot be
// read or the list does not fit.
int build_folder_security(SECURITY_DESCRIPTOR *sd, ACL *acl, DWORD acl_size);
enum FolderAccess {
    ACCESS_PRIVATE,   // owned by the user (or the system), and only they and SYSTEM and Administrators write
    ACCESS_OPEN,      // the user's own, but others may write into it
    ACCESS_NOT_OWNED, // someone else's, or its owner and list cannot be read
};
// What owner and list allow, for the user's SID. An entry of another kind than a plain grant or a
// denial counts as open.
int judge_folder_access(PSID owner, const ACL *dacl, int dacl_present, PSID user);
// The FolderAccess of an existing folder; an open folder the user owns is given the protected list
// first when make_private is set. A file system without access lists counts as private: nothing
// there can be protected, a new folder included.
int folder_access(const char *path, int make_private);
enum FolderContents {
    FOLDER_EMPTY,
    FOLDER_HOLDS_LEFTOVERS, // only the installer's own: its temporary files, an empty "doc"
    FOLDER_HOLDS_TAVIK,     // a record, "TVK.exe", an old word base or the marker of a run cut short
    FOLDER_HOLDS_OTHERS,    // anything else, and no sign of Tavik
};
int folder_contents(const char *folder);

#endif
