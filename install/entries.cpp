// Entries taken by their own name, for both programs: bits, removal, folders, never what a link points at.
#include <string.h>
#include <zlib.h>

#include "install/install.h"
#include "install/replace.h"

// Bits a program may set: those that tell what the entry is stay as they are.
static const DWORD SETTABLE_BITS = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                   FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_TEMPORARY |
                                   FILE_ATTRIBUTE_OFFLINE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

static HANDLE open_entry(const char *path, DWORD access)
{
    return CreateFileA(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                       OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, NULL);
}

// True when the handle is the entry path names (a folder when folder is set, else a file) and no
// other name shares its data: no link on the way (the system's final name for it is the long form
// of path) and, for a file, one name only. Some systems open a link's target even when asked for
// the link itself; then the final name tells.
static int handle_is_own_entry(HANDLE handle, const char *path, int folder)
{
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(handle, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
        !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != !folder ||
        (!folder && info.nNumberOfLinks != 1))
        return 0;
    char final_name[PATH_SIZE + 8], full[PATH_SIZE], long_name[PATH_SIZE];
    DWORD n = GetFinalPathNameByHandleA(handle, final_name, sizeof(final_name), FILE_NAME_NORMALIZED);
    DWORD m = GetFullPathNameA(path, sizeof(full), full, NULL);
    if (n == 0 || n >= sizeof(final_name) || m == 0 || m >= sizeof(full))
        return 0;
    DWORD k = GetLongPathNameA(full, long_name, sizeof(long_name));
    if (k == 0 || k >= sizeof(long_name))
        copy_text(long_name, sizeof(long_name), full);
    // A folder's final name never ends in a backslash, except a drive's root.
    size_t length = strlen(long_name);
    if (folder && length > 3 && long_name[length - 1] == '\\')
        long_name[length - 1] = 0;
    return n > 4 && strncmp(final_name, "\\\\?\\", 4) == 0 &&
           same_file_name(final_name + 4, n - 4, long_name);
}

static int is_own_entry(const char *path, int folder)
{
    HANDLE handle = open_entry(path, FILE_READ_ATTRIBUTES);
    if (handle == INVALID_HANDLE_VALUE)
        return 0;
    int own = handle_is_own_entry(handle, path, folder);
    CloseHandle(handle);
    return own;
}

int same_file_name(const char *a, size_t a_bytes, const char *b)
{
    // As the file system compares: in the system's code page, case folded one character at a time,
    // with none of the linguistic rules under which different names compare as equal.
    WCHAR wide_a[PATH_SIZE], wide_b[PATH_SIZE];
    if (a_bytes == 0 || a_bytes >= PATH_SIZE)
        return 0;
    int n = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, a, (int)a_bytes, wide_a, PATH_SIZE);
    int m = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, b, -1, wide_b, PATH_SIZE);
    return n > 0 && m > 1 && CompareStringOrdinal(wide_a, n, wide_b, m - 1, TRUE) == CSTR_EQUAL;
}

static int set_bits_by_handle(HANDLE handle, DWORD bits)
{
    FILE_BASIC_INFO info = {}; // zero times stay as they are
    // Zero would mean "leave the bits as they are".
    info.FileAttributes = bits ? bits : FILE_ATTRIBUTE_NORMAL;
    return SetFileInformationByHandle(handle, FileBasicInfo, &info, sizeof(info)) != 0;
}

static int set_bits_by_name(const char *path, DWORD bits)
{
    return SetFileAttributesA(path, bits ? bits : FILE_ATTRIBUTE_NORMAL) != 0;
}

int set_own_bits(const char *path, DWORD bits)
{
    bits &= SETTABLE_BITS;
    DWORD first = bits & ~(DWORD)FILE_ATTRIBUTE_READONLY;
    HANDLE handle = open_entry(path, FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES);
    if (handle != INVALID_HANDLE_VALUE) {
        int set = handle_is_own_entry(handle, path, 0) && set_bits_by_handle(handle, first) &&
                  (first == bits || set_bits_by_handle(handle, bits));
        CloseHandle(handle);
        return set;
    }
    // Some systems refuse even attribute access to a read-only file; then the name may be
    // changed by name, but only while a handle on it shows no link in the way.
    if (GetLastError() != ERROR_ACCESS_DENIED)
        return 0;
    handle = open_entry(path, FILE_READ_ATTRIBUTES);
    if (handle == INVALID_HANDLE_VALUE)
        return 0;
    int set = handle_is_own_entry(handle, path, 0) && set_bits_by_name(path, first) &&
              (first == bits || set_bits_by_name(path, bits));
    CloseHandle(handle);
    return set;
}

int own_bits(const char *path, DWORD *bits)
{
    HANDLE handle = open_entry(path, FILE_READ_ATTRIBUTES);
    if (handle == INVALID_HANDLE_VALUE)
        return 0;
    FILE_BASIC_INFO info = {};
    int read = GetFileInformationByHandleEx(handle, FileBasicInfo, &info, sizeof(info)) != 0;
    CloseHandle(handle);
    *bits = info.FileAttributes;
    return read;
}

// A name that is a link, or that shares its data with another name, is first replaced by a new
// empty file of ours and that is removed: some systems (Wine among them) delete a link's target
// when asked to delete the link, and a shared file's bits are the other name's too.
static int replace_and_remove(const char *path)
{
    char prefix[PATH_SIZE], temporary[PATH_SIZE];
    if (!copy_text(prefix, sizeof(prefix), path))
        return NAME_NOT_REMOVED;
    char *last = last_backslash(prefix);
    if (!last)
        return NAME_NOT_REMOVED;
    last[1] = 0;
    HANDLE file = create_temporary(prefix, "un", temporary, sizeof(temporary));
    if (file == INVALID_HANDLE_VALUE)
        return NAME_NOT_REMOVED;
    CloseHandle(file);
    if (!MoveFileExA(temporary, path, MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileA(temporary);
        return NAME_NOT_REMOVED;
    }
    return DeleteFileA(path) ? NAME_REMOVED : NAME_NOT_REMOVED;
}

int remove_name(const char *path)
{
    DWORD bits = GetFileAttributesA(path);
    if (bits == INVALID_FILE_ATTRIBUTES)
        return NAME_ABSENT;
    if (bits & FILE_ATTRIBUTE_DIRECTORY)
        return NAME_NOT_A_FILE; // a folder, or a link to one: never entered
    if (!is_own_entry(path, 0))
        return replace_and_remove(path);
    DWORD cleared = 0;
    if ((bits & PROTECT_BITS) && set_own_bits(path, bits & ~PROTECT_BITS))
        cleared = bits;
    if (DeleteFileA(path))
        return NAME_REMOVED;
    DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
        return NAME_ABSENT;
    if (cleared)
        set_own_bits(path, cleared);
    return NAME_NOT_REMOVED;
}

int remove_own_file(const char *path)
{
    int removal = remove_name(path);
    return removal == NAME_REMOVED || removal == NAME_ABSENT;
}

int is_plain_folder(const char *path)
{
    DWORD bits = GetFileAttributesA(path);
    return bits != INVALID_FILE_ATTRIBUTES && (bits & FILE_ATTRIBUTE_DIRECTORY) &&
           !(bits & FILE_ATTRIBUTE_REPARSE_POINT) && is_own_entry(path, 1);
}

int remove_own_folder(const char *path)
{
    // Some systems remove a linked folder's target when asked to remove the link.
    return is_plain_folder(path) && RemoveDirectoryA(path);
}

int file_size_and_crc(const char *path, unsigned long long *size, unsigned long *crc)
{
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, NULL, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    unsigned char buffer[0x10000];
    unsigned long long total = 0;
    uLong sum = crc32(0, Z_NULL, 0);
    DWORD got = 0;
    int read = 0;
    while ((read = ReadFile(file, buffer, sizeof(buffer), &got, NULL) != 0) && got > 0) {
        sum = crc32(sum, buffer, got);
        total += got;
    }
    CloseHandle(file);
    *size = total;
    *crc = sum;
    return read;
}
