// Faults for the whole-installer tests: damaged copies of the exe, locked folders, drive snapshots.
#ifndef TAVIK_E2E_FAULTS_H
#define TAVIK_E2E_FAULTS_H

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "support/e2e_driver.h"

// File offset and length of the "TEXT" stream id inside an exe file; false when it has none.
bool payload_stream_span(const std::string &exe, int id, DWORD *offset, DWORD *size);
// A copy of src whose stream id has bytes changed in its middle; false when that failed.
bool copy_with_damaged_stream(const std::string &src, const std::string &dst, int id);
// A copy of the first size bytes of src.
bool truncated_copy(const std::string &src, const std::string &dst, DWORD size);

// The host's path of a Windows path, or "" when Wine cannot tell.
std::string host_path(const std::string &windows_path);
// Runs a shell command on the host and waits for it to end; true when it ran through.
bool run_on_host(const std::string &command);
// A symbolic link at link (a Windows path) to target, made on the host: Wine cannot make one.
bool make_host_link(const std::string &link, const std::string &target);
// Takes away (or gives back) the right to create entries in a folder, as a folder of another
// user has it; true once a new file there is refused (or allowed) accordingly.
bool set_folder_locked(const std::string &dir, bool locked);

// The progress position the wizard's bar shows on screen (0 to 100), or -1 when it cannot be read.
// Read off the screen, as the user sees it, not asked of the bar.
int progress_on_screen(HWND wizard);

// Every file and folder under a root: size, last write and attributes by upper-case path.
struct TreeEntry {
    std::string path;
    bool folder;
    ULONGLONG size;
    FILETIME written;
    DWORD attributes;
};
typedef std::map<std::string, TreeEntry> TreeSnapshot;
TreeSnapshot snapshot_tree(const std::string &root);
// "added", "changed" or "removed" followed by the path, for every difference. A folder counts as
// changed only by its attributes: entries coming and going inside it are differences of their own.
std::vector<std::string> tree_differences(const TreeSnapshot &before, const TreeSnapshot &after);
// The path from a tree_differences line.
std::string difference_path(const std::string &line);
// True when path is folder itself or lies inside it (no case, no trailing backslash on folder).
bool path_within(const std::string &path, const std::string &folder);

// Sets the path box and the two check boxes on page 0 and walks to page 3, answering the
// display test with OK.
bool walk_with_path(SetupProcess *setup, const std::string &path, bool desktop, bool startup);

// What one install step came to, from the forward command on page 3 to the process's end.
struct StepOutcome {
    bool final_seen; // a final message came
    bool question;   // the old-word-base question came before it
    MessageSeen final_message;
    ULONGLONG elapsed_ms; // from the command to the final message
    bool exited;          // the process ended after the final message was closed
    DWORD exit_code;
};
// Runs the install step, answering the question with question_answer and the final message with OK.
StepOutcome install_to_end(SetupProcess *setup, int question_answer, const std::string &shots = "");
bool is_success(const MessageSeen &m);
bool is_failure(const MessageSeen &m);

// The 121 manifest files except the names in absent, each with its packed contents (the
// configuration edited) and its read-only and hidden bits, and nothing else besides extra.
void expect_files_except(const std::string &dir, const std::vector<std::string> &extra,
                         const std::vector<std::string> &absent);
// Every manifest file present in dir is whole, with its requested bits, and the shipped
// configuration; returns how many are present.
int expect_present_files_whole(const std::string &dir);

#endif
