// Turns one packed resource into one file in the destination folder.
#include <stdio.h>

#include "install/install.h"

static const DWORD PROTECT_BITS = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN;

int extract_payload(HMODULE payload, int resource_id, const char *folder, const char *file_name,
                    unsigned char *buffer, unsigned long capacity, int set_read_only, int set_hidden)
{
    unsigned long size = 0;
    if (!inflate_resource(payload, resource_id, buffer, capacity, &size))
        return 0;
    return write_install_file(folder, file_name, buffer, size, set_read_only, set_hidden);
}

int write_install_file(const char *folder, const char *file_name, const void *data, unsigned long size,
                       int set_read_only, int set_hidden)
{
    char path[PATH_SIZE];
    if (!format_text(path, sizeof(path), "%s\\%s", folder, file_name))
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
    protect_file(path, 0, set_read_only, set_hidden);
    return 1;
}
