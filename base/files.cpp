// Packed resources of a module and the protect bits of installed files.
#include <zlib.h>

#include "base/base.h"

// The type every packed resource of the installer is stored under.
static const char PACKED_TYPE[] = "TEXT";

int inflate_resource(HMODULE module, int id, void *out, unsigned long capacity, unsigned long *size)
{
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id & 0xffff), PACKED_TYPE);
    HGLOBAL loaded = found ? LoadResource(module, found) : NULL;
    const Bytef *packed = loaded ? (const Bytef *)LockResource(loaded) : NULL;
    uLong packed_size = found ? SizeofResource(module, found) : 0;
    *size = 0;
    if (!packed)
        return 0;
    uLongf length = capacity;
    if (uncompress((Bytef *)out, &length, packed, packed_size) != Z_OK)
        return 0;
    *size = length;
    return 1;
}

void protect_file(const char *path, unsigned long other_bits, int read_only, int hidden)
{
    if (!read_only && !hidden && !other_bits)
        return;
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return;
    attributes = (attributes | other_bits) & ~FILE_ATTRIBUTE_NORMAL;
    if (!read_only && !hidden)
        SetFileAttributesA(path, attributes);
    if (hidden)
        SetFileAttributesA(path, attributes | FILE_ATTRIBUTE_HIDDEN);
    if (read_only)
        SetFileAttributesA(path, attributes | (hidden ? FILE_ATTRIBUTE_HIDDEN : 0) | FILE_ATTRIBUTE_READONLY);
}
