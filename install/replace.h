// Files replaced whole: new temporary files, moves over a name, bits set on the name itself.
#ifndef TAVIK_REPLACE_H
#define TAVIK_REPLACE_H

#include <windows.h>

#include <stddef.h>

static const DWORD PROTECT_BITS = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN;
// Bits a replacement takes over from the file it replaces, besides the protect bits it asks for.
static const DWORD CARRIED_BITS =
    FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// A new file "~tvk<tag>.tmp" (or "~tvk<tag>-<n>.tmp" when that name is taken) in the folder that
// prefix names with its trailing backslash, open for writing; its path goes to path.
HANDLE create_temporary(const char *prefix, const char *tag, char *path, size_t size);
// Writes all size bytes; 0 when the disk took fewer.
int write_all(HANDLE file, const void *data, size_t size);
// Flushes and closes a temporary file; 1 when its bytes reached the disk.
int finish_temporary(HANDLE file);

// Moves source over destination, replacing whatever name is there (a link itself, never what it
// points at). A destination that refuses as read-only has its own protect bits cleared for one
// more try, and gets them back when that fails too.
int replace_file(const char *source, const char *destination);
// Removes a file, clearing its own protect bits when they are in the way; 1 when it is gone.
int remove_own_file(const char *path);
// Removes the temporary files ("~tvk*.tmp") a run that was cut short left in the folder prefix names.
void remove_leftovers(const char *prefix);
// 1 for a name create_temporary makes: "~tvk*.tmp", long form only.
int is_temporary_name(const char *name);

enum DestinationState {
    DESTINATION_ABSENT,
    DESTINATION_FREE,      // a file no one holds: it can be replaced
    DESTINATION_IN_USE,    // held open by another program
    DESTINATION_NOT_A_FILE // a folder, or a link to one: a file cannot take its place
};
// Whether a staged file can later be moved over path, found without changing anything.
int destination_state(const char *path);

#endif
