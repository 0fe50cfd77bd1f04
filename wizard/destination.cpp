// The destination folder: the typed path checked and tidied, then found, or created with an access list only
// its user controls.
#include <string.h>

#include "install/install.h"
#include "resources/ids.h"
#include "ui/ui.h"
#include "wizard/wizard.h"
#include "wizard/wizard_rules.h"

// The typed path as a full folder path without blanks or a trailing backslash;
// 0 when it is empty, no plain folder name, or too long for the files that go into it.
static int read_install_dir(HWND dialog)
{
    HWND edit = GetDlgItem(dialog, IDC_PATH);
    char typed[PATH_SIZE];
    // A longer path would be cut short and install somewhere else.
    if (GetWindowTextLengthA(edit) >= PATH_SIZE)
        return 0;
    GetWindowTextA(edit, typed, sizeof(typed));
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

// The access list every folder the installer makes gets, in sd and the acl space
// (acl_size bytes) it points to: the installing user, SYSTEM and Administrators in full
// control and Users reading and running, each passed on to what is made inside, and nothing
// taken over from the parent, where on a system drive every user may change files.
// 0 when the user cannot be read from the process token or the list does not fit.
int build_folder_security(SECURITY_DESCRIPTOR *sd, ACL *acl, DWORD acl_size)
{
    static const struct {
        WELL_KNOWN_SID_TYPE who;
        DWORD access;
    } others[] = {
        {WinLocalSystemSid, FILE_ALL_ACCESS},
        {WinBuiltinAdministratorsSid, FILE_ALL_ACCESS},
        {WinBuiltinUsersSid, FILE_GENERIC_READ | FILE_GENERIC_EXECUTE},
    };
    const DWORD inherit = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;
    union {
        TOKEN_USER user;
        BYTE space[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    } token_user;
    HANDLE token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return 0;
    DWORD got = 0;
    BOOL have_user = GetTokenInformation(token, TokenUser, &token_user, sizeof(token_user), &got);
    CloseHandle(token);
    if (!have_user || !InitializeAcl(acl, acl_size, ACL_REVISION) ||
        !AddAccessAllowedAceEx(acl, ACL_REVISION, inherit, FILE_ALL_ACCESS, token_user.user.User.Sid))
        return 0;
    for (const auto &other : others) {
        BYTE sid[SECURITY_MAX_SID_SIZE];
        DWORD sid_size = sizeof(sid);
        if (!CreateWellKnownSid(other.who, NULL, sid, &sid_size) ||
            !AddAccessAllowedAceEx(acl, ACL_REVISION, inherit, other.access, sid))
            return 0;
    }
    return InitializeSecurityDescriptor(sd, SECURITY_DESCRIPTOR_REVISION) &&
           SetSecurityDescriptorDacl(sd, TRUE, acl, FALSE) &&
           SetSecurityDescriptorControl(sd, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
}

// A new folder with that access list; none is made without it.
static int create_own_folder(const char *path)
{
    SECURITY_DESCRIPTOR sd;
    DWORD acl_space[128]; // four entries of at most 76 bytes each, DWORD-aligned
    if (!build_folder_security(&sd, (ACL *)acl_space, sizeof(acl_space)))
        return 0;
    SECURITY_ATTRIBUTES attributes = {sizeof(attributes), &sd, FALSE};
    return CreateDirectoryA(path, &attributes);
}

int prepare_install_dir(HWND dialog)
{
    g_state.created_install_dir = 0;
    // A bare drive stands for its root in the state, which system calls need spelt "C:\".
    char folder[PATH_SIZE];
    int usable = read_install_dir(dialog) && folder_for_calls(folder, sizeof(folder), g_state.install_dir);
    if (usable) {
        DWORD bits = GetFileAttributesA(folder);
        // A link or junction would send every file wherever it points.
        if (bits != INVALID_FILE_ATTRIBUTES && (bits & FILE_ATTRIBUTE_REPARSE_POINT))
            usable = 0;
        else if (bits != INVALID_FILE_ATTRIBUTES && SetCurrentDirectoryA(folder))
            return 1;
    }
    if (!usable || !create_own_folder(folder)) {
        show_text_message(MSG_BAD_FOLDER, MESSAGE_NOTICE, g_state.wizard_window);
        return 0;
    }
    g_state.created_install_dir = 1;
    // "doc" is given the list itself rather than trusted to inherit it.
    char doc[PATH_SIZE];
    if (doc_folder_path(doc, sizeof(doc), g_state.install_dir))
        create_own_folder(doc);
    return 1;
}
