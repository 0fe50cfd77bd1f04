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
    // Answer to the n-th question: 1 replace, 0 keep. The last repeats; none means replace.
    std::vector<int> answers;
};
// Points the request's callbacks at record; what was recorded before stays.
void record_install(InstallRequest *request, InstallRecord *record);

// Stand-in for the payload of a manifest id: each file says which id it came from, except
// the configuration, which is a small one the run can edit.
std::vector<unsigned char> stand_in_bytes(int id);
// A module loaded as data with the stand-in payload under every manifest id; each entry
// of packed (id, raw resource bytes) takes the place of that id's packed stream.
HMODULE stand_in_payload(const std::string &name,
                         const std::vector<std::pair<int, std::vector<unsigned char>>> &packed = {});
// Content of the configuration after a run that chose display_ok 0 and language 2.
extern const char STAND_IN_CONFIG_AFTER[];

// One way a run can be struck, against a required or an optional part of it.
enum InstallFault {
    FAULT_DAMAGED_STREAM, // the file's packed stream fails its checksum
    FAULT_FILE_IN_USE,    // another process holds the file open without sharing
    FAULT_DISK_FULL,      // the file inflates past what the disk takes (512 KiB programs only)
    FAULT_MISSING_FOLDER, // the destination, or with no file the Start-menu folder, is not there
};
struct FaultRow {
    InstallFault fault;
    const char *file; // the installed file the fault strikes
    int result;       // what run_install returns
    int last_position;
    std::vector<std::pair<int, std::string>> notices;
    size_t files_on_disk; // entries of the destination afterwards
    const char *left;     // contents of the struck file afterwards; null when it is absent
    bool closing_steps;   // configuration edited, control settings copied
    bool menu_group;      // the Start-menu group holds its two links
};
// Runs the stand-in payload into a fresh folder with the row's fault and checks the outcome.
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
