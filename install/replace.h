// Files replaced whole: new temporary files, moves over a name, bits set on the name itself.
#ifndef TAVIK_REPLACE_H
#define TAVIK_REPLACE_H

#include <windows.h>

#include <stddef.h>

struct InstallRequest;

static const DWORD PROTECT_BITS = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN;
// Bits a replacement takes over from the file it replaces, besides the protect bits it asks for.
static const DWORD CARRIED_BITS =
    FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// A new file "~tvk<tag>.tmp" (or "~tvk<tag>-<n>.tmp" when that name is taken) in the folder that
// prefix names with its trailing backslash, open for writing; its path goes to path.
HANDLE create_temporary(const char *prefix, const char *tag, char *path, size_t size);
// Writes all size bytes; 0 when the disk took fewer (the last error then says why, ERROR_DISK_FULL
// for a short count).
int write_all(HANDLE file, const void *data, size_t size);
// 1 when the last error is one of a full disk.
int disk_was_full(void);
// Tells the front end of one step of the run, when it listens.
void report_step(const InstallRequest *request, int step, const char *name, unsigned long long value);
// Flushes and closes a temporary file; 1 when its bytes reached the disk.
int finish_temporary(HANDLE file);
// The bytes written to a new temporary file "~tvk<tag>.tmp" in the folder prefix names (with its
// trailing backslash), flushed, then moved over path with write-through. 1 on success; otherwise
// path is as it was and no temporary file is left.
int replace_with_bytes(const char *prefix, const char *path, const char *tag, const void *data, size_t size);

// Moves source over destination, replacing whatever name is there (a link itself, never what it
// points at). A destination that refuses as read-only has its own protect bits cleared for one
// more try, and gets them back when that fails too.
int replace_file(const char *source, const char *destination);
// Removes the temporary files a run that was cut short left in the folder prefix names: every
// "~tvk*.tmp" without a tag, else only those create_temporary makes for tag.
void remove_leftovers(const char *prefix, const char *tag);
// The bits of the entry at path itself; 0 when they cannot be read.
int own_bits(const char *path, DWORD *bits);
// Sets the bits of the entry at path itself, never of what a link there points at, and only while
// no other name shares its data. Read-only is set last and cleared first: a file system may refuse
// any other change to a read-only file.
int set_own_bits(const char *path, DWORD bits);

enum DestinationState {
    DESTINATION_ABSENT,
    DESTINATION_FREE,      // a file no one holds: it can be replaced
    DESTINATION_IN_USE,    // held open by another program
    DESTINATION_NOT_A_FILE // a folder, or a link to one: a file cannot take its place
};
// Whether a staged file can later be moved over path, found without changing anything.
int destination_state(const char *path);

#endif
