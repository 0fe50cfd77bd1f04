// Files replaced whole: new temporary files, moves over a name, bits set on the name itself.
#include "install/replace.h"

#include <string.h>

#include "base/base.h"
#include "install/install.h"

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
        if (!WriteFile(file, at, chunk, &written, NULL))
            return 0;
        // A full disk may show as a short count rather than as a failure.
        if (written != chunk) {
            SetLastError(ERROR_DISK_FULL);
            return 0;
        }
        at += chunk;
        size -= chunk;
    }
    return 1;
}

int finish_temporary(HANDLE file)
{
    int flushed = FlushFileBuffers(file) != 0;
    DWORD error = GetLastError();
    int closed = CloseHandle(file) != 0;
    if (!flushed)
        SetLastError(error);
    return flushed && closed;
}

int disk_was_full(void)
{
    DWORD error = GetLastError();
    return error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL;
}

int replace_with_bytes(const char *prefix, const char *path, const char *tag, const void *data, size_t size)
{
    char staged[PATH_SIZE];
    HANDLE file = create_temporary(prefix, tag, staged, sizeof(staged));
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    int written = write_all(file, data, size);
    if (finish_temporary(file) && written && replace_file(staged, path))
        return 1;
    remove_own_file(staged);
    return 0;
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

// "~tvk<tag>.tmp" or "~tvk<tag>-<n>.tmp": what create_temporary makes for tag.
static int is_temporary_of(const char *name, const char *tag)
{
    size_t stem = sizeof(TEMPORARY_STEM) - 1, end = sizeof(TEMPORARY_END) - 1, t = strlen(tag);
    size_t n = strlen(name);
    if (n < stem + t + end ||
        CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, name + stem, (int)t, tag, (int)t) != CSTR_EQUAL)
        return 0;
    const char *rest = name + stem + t, *digits_end = name + n - end;
    if (rest == digits_end)
        return 1;
    if (*rest++ != '-' || rest == digits_end)
        return 0;
    for (; rest < digits_end; rest++)
        if (*rest < '0' || *rest > '9')
            return 0;
    return 1;
}

void remove_leftovers(const char *prefix, const char *tag)
{
    char pattern[PATH_SIZE], path[PATH_SIZE];
    if (!format_text(pattern, sizeof(pattern), "%s%s%s*%s", prefix, TEMPORARY_STEM, tag ? tag : "",
                     TEMPORARY_END))
        return;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA(pattern, &found);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && is_temporary_name(found.cFileName) &&
            (!tag || is_temporary_of(found.cFileName, tag)) &&
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
