// Payload sets of other sizes: the sample's payloads cut short and packed into a module of their own.
#include <stdlib.h>
#include <zlib.h>

#include "bench.h"
#include "install/install.h"
#include "install/manifest.h"
#include "resources/ids.h"

int inflate_payload(HMODULE module, int id, unsigned char *buffer, unsigned long capacity,
                    unsigned long *size)
{
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id & 0xffff), RT_PAYLOAD_NAME);
    HGLOBAL loaded = found ? LoadResource(module, found) : NULL;
    const Bytef *packed = loaded ? (const Bytef *)LockResource(loaded) : NULL;
    if (!packed)
        return 0;
    uLongf inflated = capacity;
    if (uncompress(buffer, &inflated, packed, SizeofResource(module, found)) != Z_OK)
        return 0;
    *size = inflated;
    return 1;
}

static std::vector<int> payload_ids(void)
{
    std::vector<int> ids;
    for (int i = 0; i < manifest_rows; i++)
        if (manifest[i].id)
            ids.push_back(manifest[i].id);
    for (int i = 0; i < unused_payload_count; i++)
        ids.push_back(unused_payload_ids[i]);
    return ids;
}

HMODULE make_payload_set(HMODULE source, const std::string &path, double fraction, unsigned long max_bytes)
{
    char self[MAX_PATH];
    DWORD n = GetModuleFileNameA(NULL, self, sizeof(self));
    if (n == 0 || n >= sizeof(self) || !CopyFileA(self, path.c_str(), FALSE))
        return NULL;
    unsigned char *buffer = (unsigned char *)malloc(FLOOR_BUFFER_SIZE);
    if (!buffer)
        return NULL;
    // UpdateResourceA may keep pointing at the data until EndUpdateResourceA.
    std::vector<std::vector<unsigned char>> packed;
    std::vector<int> ids = payload_ids();
    HANDLE update = BeginUpdateResourceA(path.c_str(), FALSE);
    int ok = update != NULL;
    for (size_t i = 0; ok && i < ids.size(); i++) {
        unsigned long size = 0;
        if (!inflate_payload(source, ids[i], buffer, FLOOR_BUFFER_SIZE, &size)) {
            ok = 0;
            break;
        }
        unsigned long kept = (unsigned long)(size * fraction + 0.999);
        if (kept > size)
            kept = size;
        if (kept > max_bytes)
            kept = max_bytes;
        uLongf packed_size = compressBound(kept);
        packed.emplace_back(packed_size);
        ok = compress2(packed.back().data(), &packed_size, buffer, kept, 9) == Z_OK &&
             UpdateResourceA(update, RT_PAYLOAD_NAME, MAKEINTRESOURCEA(ids[i]),
                             MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), packed.back().data(),
                             (DWORD)packed_size);
    }
    free(buffer);
    if (update && !EndUpdateResourceA(update, ok ? FALSE : TRUE))
        ok = 0;
    if (!ok)
        return NULL;
    return LoadLibraryExA(path.c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
}
