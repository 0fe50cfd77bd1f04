// Turns one packed resource into one file in the destination folder: staged whole, then moved over its name.
#include <zlib.h>

#include "install/install.h"
#include "install/replace.h"

// The type every packed resource of the installer is stored under.
static const char PACKED_TYPE[] = "TEXT";
// The front end hears from a long file at least this often, counted in chunks of output.
static const int CHUNKS_PER_PUMP = 16;

static void pump(const InstallCallbacks *report)
{
    if (report && report->pump)
        report->pump(report->context);
}

// Runs the whole stream through buffer into file. The stream's own checksum is checked on its
// last block, and the stream must end exactly where its resource ends.
static int inflate_into(z_stream *z, const unsigned char *packed, DWORD packed_size, HANDLE file,
                        unsigned char *buffer, StagedPayload *staged, const InstallCallbacks *report)
{
    uLong crc = crc32(0, Z_NULL, 0);
    DWORD left = packed_size;
    for (int chunks = 1;; chunks++) {
        if (z->avail_in == 0 && left > 0) {
            DWORD n = left > STAGE_BUFFER_SIZE ? STAGE_BUFFER_SIZE : left;
            z->next_in = (Bytef *)packed;
            z->avail_in = n;
            packed += n;
            left -= n;
        }
        z->next_out = buffer;
        z->avail_out = STAGE_BUFFER_SIZE;
        int status = inflate(z, Z_NO_FLUSH);
        size_t produced = STAGE_BUFFER_SIZE - z->avail_out;
        if (status == Z_MEM_ERROR)
            return STAGE_NO_MEMORY;
        if (status != Z_OK && status != Z_STREAM_END)
            return STAGE_DAMAGED; // bad data, a bad checksum, or the stream cut short
        if (produced && !write_all(file, buffer, produced))
            return disk_was_full() ? STAGE_DISK_FULL : STAGE_NOT_WRITTEN;
        // What the record will list for the file, taken from the bytes as they go to disk.
        crc = crc32(crc, buffer, (uInt)produced);
        staged->crc = crc;
        staged->size += produced;
        if (status == Z_STREAM_END)
            return z->avail_in == 0 && left == 0 ? STAGE_OK : STAGE_DAMAGED;
        if (chunks % CHUNKS_PER_PUMP == 0)
            pump(report);
    }
}

int stage_payload(HMODULE payload, int resource_id, const char *folder, const char *tag,
                  unsigned char *buffer, StagedPayload *staged, const InstallCallbacks *report)
{
    *staged = {};
    HRSRC found = FindResourceA(payload, MAKEINTRESOURCEA(resource_id & 0xffff), PACKED_TYPE);
    HGLOBAL loaded = found ? LoadResource(payload, found) : NULL;
    const unsigned char *packed = loaded ? (const unsigned char *)LockResource(loaded) : NULL;
    DWORD packed_size = found ? SizeofResource(payload, found) : 0;
    if (!packed)
        return STAGE_MISSING;
    char prefix[PATH_SIZE];
    if (!format_text(prefix, sizeof(prefix), "%s\\", folder))
        return STAGE_NOT_WRITTEN;
    z_stream z = {};
    if (inflateInit(&z) != Z_OK)
        return STAGE_NO_MEMORY;
    HANDLE file = create_temporary(prefix, tag, staged->path, sizeof(staged->path));
    int result = STAGE_NOT_WRITTEN;
    if (file != INVALID_HANDLE_VALUE) {
        result = inflate_into(&z, packed, packed_size, file, buffer, staged, report);
        if (!finish_temporary(file) && result == STAGE_OK)
            result = disk_was_full() ? STAGE_DISK_FULL : STAGE_NOT_WRITTEN;
        if (result != STAGE_OK)
            remove_own_file(staged->path);
    }
    inflateEnd(&z);
    if (result != STAGE_OK)
        *staged = {};
    return result;
}

int commit_staged_file(const char *staged, const char *destination, unsigned long carried_bits,
                       int set_read_only, int set_hidden)
{
    if (!replace_file(staged, destination))
        return 0;
    // The name now holds the new file itself, whatever was there before.
    protect_file(destination, carried_bits & CARRIED_BITS, set_read_only, set_hidden);
    return 1;
}

// The bits a new file at path takes over from the file there now.
static unsigned long bits_to_carry(const char *path)
{
    DWORD bits = GetFileAttributesA(path);
    return bits == INVALID_FILE_ATTRIBUTES || (bits & FILE_ATTRIBUTE_DIRECTORY) ? 0 : bits & CARRIED_BITS;
}

static int commit_or_remove(const char *staged, const char *folder, const char *file_name, int set_read_only,
                            int set_hidden)
{
    char destination[PATH_SIZE];
    if (format_text(destination, sizeof(destination), "%s\\%s", folder, file_name) &&
        commit_staged_file(staged, destination, bits_to_carry(destination), set_read_only, set_hidden))
        return 1;
    remove_own_file(staged);
    return 0;
}

int extract_payload(HMODULE payload, int resource_id, const char *folder, const char *file_name,
                    int set_read_only, int set_hidden)
{
    char destination[PATH_SIZE];
    if (!format_text(destination, sizeof(destination), "%s\\%s", folder, file_name))
        return 0;
    unsigned char buffer[STAGE_BUFFER_SIZE];
    StagedPayload staged;
    if (stage_payload(payload, resource_id, folder, "x", buffer, &staged, NULL) != STAGE_OK)
        return 0;
    return commit_or_remove(staged.path, folder, file_name, set_read_only, set_hidden);
}

int write_install_file(const char *folder, const char *file_name, const void *data, unsigned long size,
                       int set_read_only, int set_hidden)
{
    char destination[PATH_SIZE], prefix[PATH_SIZE], staged[PATH_SIZE];
    if (!format_text(destination, sizeof(destination), "%s\\%s", folder, file_name) ||
        !format_text(prefix, sizeof(prefix), "%s\\", folder))
        return 0;
    HANDLE file = create_temporary(prefix, "w", staged, sizeof(staged));
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    int written = write_all(file, data, size);
    if (!finish_temporary(file) || !written) {
        // Cut short by a full disk: it never takes a real name.
        remove_own_file(staged);
        return 0;
    }
    return commit_or_remove(staged, folder, file_name, set_read_only, set_hidden);
}
