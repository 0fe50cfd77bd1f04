// Test helpers of the installation engine: recorded runs, stand-in payloads, fault rows, shell links.
#ifndef TAVIK_INSTALL_SUPPORT_H
#define TAVIK_INSTALL_SUPPORT_H

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "install/install.h"

// Every position the run reports when it gets through, in order.
extern const std::vector<int> ALL_POSITIONS;

// What one run reported through its callbacks.
struct InstallRecord {
    std::vector<int> progress;
    std::vector<std::pair<int, std::string>> notices; // notice code, file ("" when none came)
    int questions;                                    // times the old word base was asked about
    int word_base_checks;                             // times an old word base was found, asked or not
    // Answer to the n-th question: 1 replace, 0 keep. The last repeats; none means replace.
    std::vector<int> answers;
    int pumps;                 // calls of the pump callback
    bool watch_memory;         // sample committed private bytes at every pump
    size_t peak_private;       // the highest sample
    std::vector<int> pumps_at; // progress positions reported so far, at each pump
};
// Points the request's callbacks at record; what was recorded before stays.
void record_install(InstallRequest *request, InstallRecord *record);

// Stand-in for the payload of a manifest id: each file says which id it came from, except
// the configuration, which is a small one the run can edit.
std::vector<unsigned char> stand_in_bytes(int id);
// A module loaded as data with the stand-in payload under every manifest id; each entry
// of packed (id, raw resource bytes) takes the place of that id's packed stream, and an empty
// one leaves the id out.
HMODULE stand_in_payload(const std::string &name,
                         const std::vector<std::pair<int, std::vector<unsigned char>>> &packed = {});
// Content of the configuration after a run that chose display_ok 0 and language 2.
extern const char STAND_IN_CONFIG_AFTER[];

// One way a run can be struck. Unless told otherwise the folder holds an earlier install (every
// file with its bits, a user dictionary and a file of the user's own) and the Windows folder an
// older, protected control-settings file.
enum InstallFault {
    FAULT_DAMAGED_STREAM,      // the file's packed stream fails its checksum
    FAULT_TRAILING_BYTES,      // the file's stream is whole, but its resource goes on past its end
    FAULT_MISSING_STREAM,      // the payload has no stream for the file
    FAULT_FILE_IN_USE,         // another process holds the file open without sharing
    FAULT_FOLDER_AT_NAME,      // a folder stands where the file goes
    FAULT_MOVE_FAILS,          // the file is mapped into memory: no probe sees it, its move fails
    FAULT_LINK_AT_NAME,        // the name is a symbolic link to a protected file outside the folder
    FAULT_DISK_FULL,           // the file inflates past what the disk takes (512 KiB programs only)
    FAULT_MISSING_FOLDER,      // the destination (nothing in it), or with no file the Start-menu folder
    FAULT_KILLED_RUN,          // a run cut short left its marker, temporary files and a marked word base
    FAULT_NEW_FOLDER,          // the folder (with "doc") was made for the run; the file's stream is damaged
    FAULT_SETTINGS_FOLDER,     // the control-settings source beside the installer is a folder
    FAULT_SETTINGS_UNREADABLE, // the control-settings source is held open: the copy fails
    FAULT_SETTINGS_IN_USE,     // the installed control settings are mapped: the move over them fails
};
// What the destination holds after a struck run.
enum FaultFiles {
    FILES_UNCHANGED,        // the earlier install exactly as it was: names, bytes, bits
    FILES_NEW,              // every file new with its bits, the user's file kept, the dictionary gone
    FILES_NEW_BUT_STRUCK,   // the same, but the struck name holds what it held before
    FILES_NEW_UP_TO_STRUCK, // files before the struck one new, it and all after it as before, the marker left
    FILES_NONE,             // the folder is not there
};
struct FaultRow {
    InstallFault fault;
    const char *file; // the installed file the fault strikes, or null
    int result;       // what run_install returns
    int last_position;
    std::vector<std::pair<int, std::string>> notices;
    FaultFiles files;
};
// Runs the stand-in payload with the row's fault and checks the outcome: the result, the
// positions, the notices, no question, the folder, the configuration, the Start-menu group, the
// control settings and that no temporary file is left anywhere.
void run_fault_row(const FaultRow &row);

struct LinkInfo {
    bool loaded;
    std::string target, working_dir, description, icon_file;
    int icon_index;
    std::string arguments;
};
// Reads a .lnk back through a new IShellLinkA.
LinkInfo read_link(const std::string &path);

// Bytes of committed private memory of this process.
size_t committed_private_bytes(void);

// Windows path of a special folder (CSIDL) as the shell reports it.
std::string shell_folder(int csidl);
// The Windows folder, ending in a backslash.
std::string windows_folder(void);
// File names (no "." entries) in a folder, in the file system's order.
std::vector<std::string> folder_entries(const std::string &folder);

#endif
