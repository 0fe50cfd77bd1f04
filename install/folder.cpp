// The install folder before a run: what it already holds, who may write into it, and making it.
#include <aclapi.h>
#include <string.h>

#include "install/install.h"
#include "install/replace.h"

// Rights that let a holder change, add or remove what is in a folder, or the folder's own list.
static const DWORD WRITING_RIGHTS = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | FILE_DELETE_CHILD |
                                    FILE_WRITE_ATTRIBUTES | DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE |
                                    GENERIC_ALL | MAXIMUM_ALLOWED;

// The installing user's SID, in space (which must hold TOKEN_USER and SECURITY_MAX_SID_SIZE more).
static PSID token_user(void *space, DWORD size)
{
    HANDLE token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return NULL;
    DWORD got = 0;
    BOOL have = GetTokenInformation(token, TokenUser, space, size, &got);
    CloseHandle(token);
    return have ? ((TOKEN_USER *)space)->User.Sid : NULL;
}

union UserSpace {
    TOKEN_USER user;
    BYTE space[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
};

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
    UserSpace user;
    PSID sid = token_user(&user, sizeof(user));
    if (!sid || !InitializeAcl(acl, acl_size, ACL_REVISION) ||
        !AddAccessAllowedAceEx(acl, ACL_REVISION, inherit, FILE_ALL_ACCESS, sid))
        return 0;
    for (const auto &other : others) {
        BYTE other_sid[SECURITY_MAX_SID_SIZE];
        DWORD sid_size = sizeof(other_sid);
        if (!CreateWellKnownSid(other.who, NULL, other_sid, &sid_size) ||
            !AddAccessAllowedAceEx(acl, ACL_REVISION, inherit, other.access, other_sid))
            return 0;
    }
    return InitializeSecurityDescriptor(sd, SECURITY_DESCRIPTOR_REVISION) &&
           SetSecurityDescriptorDacl(sd, TRUE, acl, FALSE) &&
           SetSecurityDescriptorControl(sd, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
}

int create_own_folder(const char *path)
{
    SECURITY_DESCRIPTOR sd;
    DWORD acl_space[128]; // four entries of at most 76 bytes each, DWORD-aligned
    if (!build_folder_security(&sd, (ACL *)acl_space, sizeof(acl_space)))
        return 0;
    SECURITY_ATTRIBUTES attributes = {sizeof(attributes), &sd, FALSE};
    return CreateDirectoryA(path, &attributes);
}

// Besides the user, only the system and its administrators, who could change anything anyway. An
// entry for the creator owner becomes one for whoever makes a file inside: the user, in a run.
static int is_trusted(PSID sid, PSID user, int as_writer)
{
    return EqualSid(sid, user) || IsWellKnownSid(sid, WinLocalSystemSid) ||
           IsWellKnownSid(sid, WinBuiltinAdministratorsSid) ||
           (as_writer && IsWellKnownSid(sid, WinCreatorOwnerSid));
}

int judge_folder_access(PSID owner, const ACL *dacl, int dacl_present, PSID user)
{
    if (!owner || !is_trusted(owner, user, 0))
        return ACCESS_NOT_OWNED;
    // No list at all lets everyone do anything.
    if (!dacl_present || !dacl)
        return EqualSid(owner, user) ? ACCESS_OPEN : ACCESS_NOT_OWNED;
    for (DWORD i = 0; i < dacl->AceCount; i++) {
        ACE_HEADER *header;
        if (!GetAce((ACL *)dacl, i, (void **)&header))
            return ACCESS_NOT_OWNED;
        if (header->AceType == ACCESS_DENIED_ACE_TYPE || header->AceType == ACCESS_DENIED_OBJECT_ACE_TYPE ||
            header->AceType == SYSTEM_AUDIT_ACE_TYPE)
            continue;                                          // they only take rights away
        int open = header->AceType != ACCESS_ALLOWED_ACE_TYPE; // another kind of grant: not read, not trusted
        if (!open) {
            ACCESS_ALLOWED_ACE *ace = (ACCESS_ALLOWED_ACE *)header;
            open = (ace->Mask & WRITING_RIGHTS) && !is_trusted(&ace->SidStart, user, 1);
        }
        if (open)
            return EqualSid(owner, user) ? ACCESS_OPEN : ACCESS_NOT_OWNED;
    }
    return ACCESS_PRIVATE;
}

// What the folder's owner and list allow now; ACCESS_NOT_OWNED also when they cannot be read.
static int read_folder_access(const char *path, PSID user)
{
    PSID owner = NULL;
    ACL *dacl = NULL;
    PSECURITY_DESCRIPTOR sd = NULL;
    if (GetNamedSecurityInfoA(path, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                              &owner, NULL, &dacl, NULL, &sd) != ERROR_SUCCESS)
        return ACCESS_NOT_OWNED;
    BOOL present = FALSE, defaulted = FALSE;
    ACL *listed = NULL;
    GetSecurityDescriptorDacl(sd, &present, &listed, &defaulted);
    int access = judge_folder_access(owner, listed, present, user);
    LocalFree(sd);
    return access;
}

// A file system that keeps no access lists (FAT) protects no folder, a new one included.
static int keeps_access_lists(const char *path)
{
    char root[PATH_SIZE];
    DWORD flags = 0;
    if (!GetVolumePathNameA(path, root, sizeof(root)) ||
        !GetVolumeInformationA(root, NULL, 0, NULL, NULL, &flags, NULL, 0))
        return 1;
    return (flags & FILE_PERSISTENT_ACLS) != 0;
}

int folder_access(const char *path, int make_private)
{
    if (!keeps_access_lists(path))
        return ACCESS_PRIVATE;
    UserSpace space;
    PSID user = token_user(&space, sizeof(space));
    if (!user)
        return ACCESS_NOT_OWNED;
    int access = read_folder_access(path, user);
    if (access != ACCESS_OPEN || !make_private)
        return access;
    SECURITY_DESCRIPTOR sd;
    DWORD acl_space[128];
    // The folder's own list replaced by the protected one; what is inside inherits it again.
    if (!build_folder_security(&sd, (ACL *)acl_space, sizeof(acl_space)) ||
        SetNamedSecurityInfoA((char *)path, SE_FILE_OBJECT,
                              DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, NULL, NULL,
                              (ACL *)acl_space, NULL) != ERROR_SUCCESS)
        return ACCESS_OPEN;
    return read_folder_access(path, user);
}

enum { ENTRY_NONE, ENTRY_LEFTOVER, ENTRY_SIGN, ENTRY_OTHER };

// What one entry of the folder is: a sign that Tavik was installed or a run was cut short here, one
// of the installer's own leftovers (its temporary files, an empty "doc"), or anyone's.
static int kind_of(const char *folder, const WIN32_FIND_DATAA &found)
{
    static const char *const signs[] = {INSTALL_RECORD_NAME, "TVK.exe", "CiZuFlat.igb", INSTALL_MARKER_NAME};
    const char *name = found.cFileName;
    if (strcmp(name, ".") == 0 || strcmp(name, "..") == 0)
        return ENTRY_NONE;
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        for (const char *sign : signs)
            if (lstrcmpiA(name, sign) == 0)
                return ENTRY_SIGN;
        return is_temporary_name(name) ? ENTRY_LEFTOVER : ENTRY_OTHER;
    }
    char doc[PATH_SIZE];
    int empty_doc = lstrcmpiA(name, "doc") == 0 && format_text(doc, sizeof(doc), "%s\\doc", folder) &&
                    is_plain_folder(doc) && folder_contents(doc) == FOLDER_EMPTY;
    return empty_doc ? ENTRY_LEFTOVER : ENTRY_OTHER;
}

int folder_contents(const char *folder)
{
    char pattern[PATH_SIZE];
    if (!format_text(pattern, sizeof(pattern), "%s\\*", folder))
        return FOLDER_HOLDS_OTHERS;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA(pattern, &found);
    if (find == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_NOT_FOUND ? FOLDER_EMPTY : FOLDER_HOLDS_OTHERS;
    int seen[ENTRY_OTHER + 1] = {};
    do
        seen[kind_of(folder, found)]++;
    while (FindNextFileA(find, &found));
    FindClose(find);
    if (seen[ENTRY_SIGN])
        return FOLDER_HOLDS_TAVIK;
    if (seen[ENTRY_OTHER])
        return FOLDER_HOLDS_OTHERS;
    return seen[ENTRY_LEFTOVER] ? FOLDER_HOLDS_LEFTOVERS : FOLDER_EMPTY;
}
