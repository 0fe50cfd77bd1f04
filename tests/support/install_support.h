// Test helpers of the installation engine: shell-link read-back, message answers, progress.
#ifndef TAVIK_INSTALL_SUPPORT_H
#define TAVIK_INSTALL_SUPPORT_H

#include <windows.h>

#include <string>
#include <vector>

// A module loaded as data holding crafted "TEXT" payloads (id, raw bytes, packed
// here) and the installer's message dialog template, so questions can be shown.
HMODULE crafted_setup_module(const std::string &name,
                             const std::vector<std::pair<int, std::vector<unsigned char>>> &raw);

struct LinkInfo {
    bool loaded;
    std::string target, working_dir, description, icon_file;
    int icon_index;
    std::string arguments;
};
// Reads a .lnk back through a new IShellLinkA.
LinkInfo read_link(const std::string &path);

struct SeenMessage {
    std::string title, chinese, english;
};
// From start to stop, a helper thread answers every "Mereda Install Message"
// dialog: the n-th one with answers[n] (the last answer repeats; none means OK).
void start_message_watcher(const std::vector<int> &answers = {});
std::vector<SeenMessage> stop_message_watcher(void);
// Expects exactly one message, with these texts.
void expect_one_message(const std::vector<SeenMessage> &seen, const std::string &chinese,
                        const std::string &english);

// A stand-in wizard window holding a progress bar with the wizard's id; every
// position set on it is recorded. Becomes g_state.wizard_window.
HWND make_progress_window(void);
void destroy_progress_window(void);
std::vector<int> progress_positions(void);
bool progress_visible(void);

// Bytes of committed private memory of this process.
size_t committed_private_bytes(void);

// Windows path of a special folder (CSIDL) as the shell reports it.
std::string shell_folder(int csidl);
// File names (no "." entries) in a folder, in the file system's order.
std::vector<std::string> folder_entries(const std::string &folder);

#endif
