// The destination folder: the typed path checked and tidied, then taken when it is safe to use, or created
// with an access list only its user controls.
#include <string.h>

#include "install/install.h"
#include "resources/ids.h"
#include "ui/ui.h"
#include "wizard/wizard.h"
#include "wizard/wizard_rules.h"

// The typed path as a full folder path without blanks or a trailing backslash, in install_dir;
// 0 when it is empty, no plain folder name, or too long for the files that go into it.
static int read_typed_dir(const char *typed)
{
    g_state.install_dir[0] = 0;
    // Leading blanks would make the path relative, and a bare "C:" would mean the folder
    // drive C happens to be in.
    char resolvable[PATH_SIZE];
    if (!path_to_resolve(resolvable, sizeof(resolvable), typed))
        return 0;
    // A relative path would leave shortcuts pointing nowhere.
    DWORD n = GetFullPathNameA(resolvable, sizeof(g_state.install_dir), g_state.install_dir, NULL);
    if (n == 0 || n >= sizeof(g_state.install_dir)) {
        g_state.install_dir[0] = 0;
        return 0;
    }
    // Trailing blanks and a final backslash would double the separator in every installed
    // path. Only the tidied path is what gets created, so only it is judged: "x\NUL\" and
    // "x\con.txt\." resolve to themselves and name a device only once tidied.
    tidy_typed_path(g_state.install_dir);
    return usable_folder_path(g_state.install_dir) &&
           folder_leaves_room(g_state.install_dir, longest_installed_name());
}

// An existing folder is taken when it is a folder itself (a link or junction would send every file
// wherever it points), only its user (with SYSTEM and Administrators) may write into it or it can
// be made so, and, when it holds anyone's files and no sign of Tavik, the user says so.
static int take_existing_folder(const char *folder, DWORD bits, const DestinationAsk *ask)
{
    if (bits & FILE_ATTRIBUTE_REPARSE_POINT || !(bits & FILE_ATTRIBUTE_DIRECTORY) || !is_plain_folder(folder))
        return DESTINATION_REFUSED;
    int access = folder_access(folder, 0);
    if (access == ACCESS_NOT_OWNED)
        return DESTINATION_REFUSED;
    if (folder_contents(g_state.install_dir) == FOLDER_HOLDS_OTHERS &&
        !(ask->holds_files && ask->holds_files(ask->context)))
        return DESTINATION_DECLINED;
    if (access == ACCESS_OPEN && folder_access(folder, 1) != ACCESS_PRIVATE)
        return DESTINATION_REFUSED;
    return SetCurrentDirectoryA(folder) ? DESTINATION_READY : DESTINATION_REFUSED;
}

int prepare_destination(const char *typed, const DestinationAsk *ask)
{
    g_state.created_install_dir = 0;
    // A bare drive stands for its root in the state, which system calls need spelt "C:\".
    char folder[PATH_SIZE];
    if (!read_typed_dir(typed) || !folder_for_calls(folder, sizeof(folder), g_state.install_dir))
        return DESTINATION_REFUSED;
    DWORD bits = GetFileAttributesA(folder);
    if (bits != INVALID_FILE_ATTRIBUTES) {
        int taken = take_existing_folder(folder, bits, ask);
        if (taken != DESTINATION_READY)
            return taken;
    } else {
        if (!create_own_folder(folder))
            return DESTINATION_REFUSED;
        g_state.created_install_dir = 1;
        // "doc" is given the list itself rather than trusted to inherit it.
        char doc[PATH_SIZE];
        if (doc_folder_path(doc, sizeof(doc), g_state.install_dir))
            create_own_folder(doc);
    }
    // Kept in its long form, the form shortcuts store and the uninstaller compares with: a short
    // "C:\PROGRA~1\Tavik" would match none of them.
    char long_form[PATH_SIZE];
    DWORD n = GetLongPathNameA(folder, long_form, sizeof(long_form));
    if (n > 0 && n < sizeof(long_form) && folder_leaves_room(long_form, longest_installed_name())) {
        drop_trailing_backslash(long_form);
        copy_text(g_state.install_dir, sizeof(g_state.install_dir), long_form);
    }
    return DESTINATION_READY;
}

// The question when the folder holds files of the user's.
static int ask_holds_files(void *context)
{
    (void)context;
    return show_text_message(MSG_FOLDER_HOLDS_FILES, MESSAGE_QUESTION_NO_FIRST, g_state.wizard_window) ==
           IDC_MSG_YES;
}

int prepare_install_dir(HWND dialog)
{
    HWND edit = GetDlgItem(dialog, IDC_PATH);
    char typed[PATH_SIZE];
    // A longer path would be cut short and install somewhere else.
    int result = DESTINATION_REFUSED;
    if (GetWindowTextLengthA(edit) < PATH_SIZE) {
        GetWindowTextA(edit, typed, sizeof(typed));
        DestinationAsk ask = {NULL, ask_holds_files};
        result = prepare_destination(typed, &ask);
    }
    if (result == DESTINATION_REFUSED)
        show_text_message(MSG_BAD_FOLDER, MESSAGE_NOTICE, g_state.wizard_window);
    return result == DESTINATION_READY;
}
