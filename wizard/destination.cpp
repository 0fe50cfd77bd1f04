// The destination folder: the typed path checked and tidied, then found or created.
#include <string.h>

#include "install/install.h"
#include "resources/ids.h"
#include "ui/ui.h"
#include "wizard/wizard.h"
#include "wizard/wizard_rules.h"

// The typed path as a full folder path without blanks or a trailing backslash;
// 0 when it is empty or too long for the files that go into it.
static int read_install_dir(HWND dialog)
{
    HWND edit = GetDlgItem(dialog, IDC_PATH);
    char typed[PATH_SIZE];
    // A longer path would be cut short and install somewhere else.
    if (GetWindowTextLengthA(edit) >= PATH_SIZE)
        return 0;
    GetWindowTextA(edit, typed, sizeof(typed));
    // Leading blanks would make the path relative; trailing ones and a final
    // backslash would double the separator in every installed path.
    size_t start = strspn(typed, " \t");
    g_state.install_dir[0] = 0;
    if (!typed[start])
        return 0;
    // A relative path would leave shortcuts pointing nowhere.
    DWORD n = GetFullPathNameA(typed + start, sizeof(g_state.install_dir), g_state.install_dir, NULL);
    if (n == 0 || n >= sizeof(g_state.install_dir)) {
        g_state.install_dir[0] = 0;
        return 0;
    }
    // Reserved names ("nul", "con.txt") come back as devices.
    if (names_a_device(g_state.install_dir))
        return 0;
    tidy_typed_path(g_state.install_dir);
    return g_state.install_dir[0] && folder_leaves_room(g_state.install_dir, longest_installed_name());
}

int prepare_install_dir(HWND dialog)
{
    int usable = read_install_dir(dialog);
    g_state.created_install_dir = 0;
    if (usable && SetCurrentDirectoryA(g_state.install_dir))
        return 1;
    if (!usable || !CreateDirectoryA(g_state.install_dir, NULL)) {
        show_text_message(MSG_BAD_FOLDER, MESSAGE_NOTICE, g_state.wizard_window);
        return 0;
    }
    g_state.created_install_dir = 1;
    char doc[PATH_SIZE];
    if (doc_folder_path(doc, sizeof(doc), g_state.install_dir))
        CreateDirectoryA(doc, NULL);
    return 1;
}
