// Files replaced whole: new temporary files, moves over a name, bits set on the name itself.
#include "install/replace.h"

#include <string.h>

#include "base/base.h"

static const char TEMPORARY_STEM[] = "~tvk";
static const char TEMPORARY_END[] = ".tmp";
static const int TEMPORARY_TRIES = 100;

HANDLE create_temporary(const char *prefix, const char *tag, char *path, size_t size)
{
    for (int n = 0; n < TEMPORARY_TRIES; n++) {
        int fits = n ? format_text(path, size, "%s%s%s-%d%s", prefix, TEMPORARY_STEM, tag, n, TEMPORARY_END)
                     : format_text(path, size, "%s%s%s%s", prefix, TEMPORARY_STEM, tag, TEMPORARY_END);
        if (!fits)
            return INVALID_HANDLE_VALUE;
        // CREATE_NEW: whatever is already there under the name, a link included, is never opened.
        HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, NULL);
        if (file != INVALID_HANDLE_VALUE)
            return file;
        DWORD error = GetLastError();
        int taken = error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ||
                    (error == ERROR_ACCESS_DENIED && GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES);
        if (!taken)
            break;
    }
    path[0] = 0;
    return INVALID_HANDLE_VALUE;
}

int write_all(HANDLE file, const void *data, size_t size)
{
    const char *at = (const char *)data;
    while (size > 0) {
        DWORD chunk = size > 0x40000000 ? 0x40000000 : (DWORD)size;
        DWORD written = 0;
        // A full disk may show as a short count rather than as a failure.
        if (!WriteFile(file, at, chunk, &written, NULL) || written != chunk)
            return 0;
        at += chunk;
        size -= chunk;
    }
    return 1;
}

int finish_temporary(HANDLE file)
{
    int flushed = FlushFileBuffers(file) != 0;
    int closed = CloseHandle(file) != 0;
    return flushed && closed;
}

// The entry at path itself, not what a link there points at, opened to read its attributes.
static HANDLE open_entry_itself(const char *path)
{
    return CreateFileA(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       NULL, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, NULL);
}

// True when path names the entry itself, with no link on the way: the system's final name for it
// is the full form of path.
static int names_itself(const char *path)
{
    HANDLE handle = open_entry_itself(path);
    if (handle == INVALID_HANDLE_VALUE)
        return 0;
    char final_name[PATH_SIZE + 8], full[PATH_SIZE], expected[PATH_SIZE + 8];
    BY_HANDLE_FILE_INFORMATION info;
    DWORD n = GetFinalPathNameByHandleA(handle, final_name, sizeof(final_name), FILE_NAME_NORMALIZED);
    int plain =
        GetFileInformationByHandle(handle, &info) && !(info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
    CloseHandle(handle);
    DWORD m = GetFullPathNameA(path, sizeof(full), full, NULL);
    return plain && n > 0 && n < sizeof(final_name) && m > 0 && m < sizeof(full) &&
           format_text(expected, sizeof(expected), "\\\\?\\%s", full) && lstrcmpiA(final_name, expected) == 0;
}

// The bits of the entry at path itself; 0 when it cannot be read.
static int own_bits(const char *path, DWORD *bits)
{
    HANDLE handle = open_entry_itself(path);
    if (handle == INVALID_HANDLE_VALUE)
        return 0;
    FILE_BASIC_INFO info = {};
    int read = GetFileInformationByHandleEx(handle, FileBasicInfo, &info, sizeof(info)) != 0;
    CloseHandle(handle);
    *bits = info.FileAttributes;
    return read;
}

static int set_bits_by_handle(HANDLE handle, DWORD bits)
{
    FILE_BASIC_INFO info = {};
    // Zero would mean "leave the bits as they are".
    info.FileAttributes = bits ? bits : FILE_ATTRIBUTE_NORMAL;
    return SetFileInformationByHandle(handle, FileBasicInfo, &info, sizeof(info)) != 0;
}

// Sets the bits of the entry at path itself, never of what a link there points at. Read-only is
// set last and cleared first: a file system may refuse any other change to a read-only file.
static int set_own_bits(const char *path, DWORD bits)
{
    // Only the bits a program may set: those that tell what the entry is stay as they are.
    bits &= FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
            FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_OFFLINE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    DWORD first = bits & ~(DWORD)FILE_ATTRIBUTE_READONLY;
    HANDLE handle = CreateFileA(path, FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL, OPEN_EXISTING,
                                FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, NULL);
    if (handle != INVALID_HANDLE_VALUE) {
        int ok = set_bits_by_handle(handle, first) && (first == bits || set_bits_by_handle(handle, bits));
        CloseHandle(handle);
        return ok;
    }
    // Some systems refuse even attribute access to a read-only file; then the name may be changed
    // by name, but only when it is no link.
    if (GetLastError() != ERROR_ACCESS_DENIED || !names_itself(path))
        return 0;
    return SetFileAttributesA(path, first ? first : FILE_ATTRIBUTE_NORMAL) &&
           (first == bits || SetFileAttributesA(path, bits));
}

int replace_file(const char *source, const char *destination)
{
    const DWORD how = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
    if (MoveFileExA(source, destination, how))
        return 1;
    DWORD before;
    if (GetLastError() != ERROR_ACCESS_DENIED || !own_bits(destination, &before) ||
        (before & FILE_ATTRIBUTE_DIRECTORY) || !(before & PROTECT_BITS))
        return 0;
    if (!set_own_bits(destination, before & ~PROTECT_BITS))
        return 0;
    if (MoveFileExA(source, destination, how))
        return 1;
    set_own_bits(destination, before); // held by another program after all: as it was
    return 0;
}

int remove_own_file(const char *path)
{
    if (DeleteFileA(path))
        return 1;
    DWORD error = GetLastError(), before;
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
        return 1;
    if (error != ERROR_ACCESS_DENIED || !own_bits(path, &before) || (before & FILE_ATTRIBUTE_DIRECTORY) ||
        !(before & PROTECT_BITS) || !set_own_bits(path, before & ~PROTECT_BITS))
        return 0;
    if (DeleteFileA(path))
        return 1;
    set_own_bits(path, before);
    return 0;
}

int is_temporary_name(const char *name)
{
    size_t n = strlen(name), stem = sizeof(TEMPORARY_STEM) - 1, end = sizeof(TEMPORARY_END) - 1;
    // The pattern also matches short names; only the run's own long names count.
    return n >= stem + end &&
           CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, name, (int)stem, TEMPORARY_STEM, (int)stem) ==
               CSTR_EQUAL &&
           CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, name + n - end, (int)end, TEMPORARY_END,
                          (int)end) == CSTR_EQUAL;
}

void remove_leftovers(const char *prefix)
{
    char pattern[PATH_SIZE], path[PATH_SIZE];
    if (!format_text(pattern, sizeof(pattern), "%s%s*%s", prefix, TEMPORARY_STEM, TEMPORARY_END))
        return;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA(pattern, &found);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && is_temporary_name(found.cFileName) &&
            format_text(path, sizeof(path), "%s%s", prefix, found.cFileName))
            remove_own_file(path);
    } while (FindNextFileA(find, &found));
    FindClose(find);
}

int destination_state(const char *path)
{
    DWORD bits = GetFileAttributesA(path);
    if (bits == INVALID_FILE_ATTRIBUTES)
        return DESTINATION_ABSENT;
    if (bits & FILE_ATTRIBUTE_DIRECTORY)
        return DESTINATION_NOT_A_FILE;
    // Opening without sharing fails for a file held open, a running program or a loaded library;
    // the link itself is opened where the system can, and nothing is read or written.
    const DWORD flags = FILE_FLAG_OPEN_REPARSE_POINT;
    HANDLE probe = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, flags, NULL);
    DWORD error = GetLastError();
    if (probe == INVALID_HANDLE_VALUE && error == ERROR_ACCESS_DENIED) {
        // A read-only file refuses the writing probe before it looks at sharing: one held open
        // by another program still refuses a reader that keeps others from writing.
        probe = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, flags, NULL);
        error = GetLastError();
    }
    if (probe != INVALID_HANDLE_VALUE) {
        CloseHandle(probe);
        return DESTINATION_FREE;
    }
    return error == ERROR_SHARING_VIOLATION ? DESTINATION_IN_USE : DESTINATION_FREE;
}
