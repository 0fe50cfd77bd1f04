// Turns one packed resource into one file in the destination folder.
#include <stdio.h>
#include <zlib.h>

#include "resources/ids.h"
#include "base/base.h"
#include "wizard/state.h"
#include "install/install.h"

static const DWORD PROTECT_BITS = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN;

int extract_payload(int resource_id, const char *file_name, unsigned char *buffer, unsigned long capacity,
                    int set_read_only, int set_hidden)
{
    HRSRC found = FindResourceA(g_state.instance, MAKEINTRESOURCEA(resource_id & 0xffff), RT_PAYLOAD_NAME);
    HGLOBAL loaded = found ? LoadResource(g_state.instance, found) : NULL;
    const Bytef *packed = loaded ? (const Bytef *)LockResource(loaded) : NULL;
    uLong packed_size = found ? SizeofResource(g_state.instance, found) : 0;
    if (!packed)
        return 0;
    uLongf size = capacity;
    if (uncompress(buffer, &size, packed, packed_size) != Z_OK)
        return 0;
    return write_install_file(file_name, buffer, size, set_read_only, set_hidden);
}

int write_install_file(const char *file_name, const void *data, unsigned long size, int set_read_only,
                       int set_hidden)
{
    char path[PATH_SIZE];
    if (!format_path(path, sizeof(path), "%s\\%s", g_state.install_dir, file_name))
        return 0;
    // One attribute read tells whether the file is there and whether it is protected.
    DWORD existing = GetFileAttributesA(path);
    if (existing != INVALID_FILE_ATTRIBUTES && (existing & PROTECT_BITS))
        SetFileAttributesA(path, existing & ~PROTECT_BITS);
    FILE *file = fopen(path, "wb");
    if (!file)
        return 0;
    size_t written = size ? fwrite(data, 1, size, file) : 0;
    // A short close means the data never reached the disk either.
    int closed = fclose(file) == 0;
    if (written != size || !closed) {
        // Cut short by a full disk: a partial file would pass for a whole one.
        remove(path);
        return 0;
    }
    if (!set_read_only && !set_hidden)
        return 1;
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return 1;
    // Hidden before read-only: some file systems refuse attribute changes on a read-only file.
    if (set_hidden)
        SetFileAttributesA(path, attributes | FILE_ATTRIBUTE_HIDDEN);
    if (set_read_only)
        SetFileAttributesA(path,
                           attributes | (set_hidden ? FILE_ATTRIBUTE_HIDDEN : 0) | FILE_ATTRIBUTE_READONLY);
    return 1;
}

void force_remove_file(const char *path)
{
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return; // most of the 64 user-dictionary names are never there
    if (attributes & PROTECT_BITS)
        SetFileAttributesA(path, attributes & ~PROTECT_BITS);
    remove(path);
}
