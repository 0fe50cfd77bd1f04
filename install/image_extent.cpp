// How much of its file a program image needs, read from the image's own headers.
#include "install/image_extent.h"

static unsigned long read_u16(const unsigned char *p)
{
    return (unsigned long)p[0] | (unsigned long)p[1] << 8;
}

static unsigned long read_u32(const unsigned char *p)
{
    return read_u16(p) | read_u16(p + 2) << 16;
}

unsigned long long image_file_extent(const unsigned char *headers, size_t size)
{
    if (size < 0x40 || headers[0] != 'M' || headers[1] != 'Z')
        return 0;
    unsigned long long pe = read_u32(headers + 0x3c);
    // Signature, file header (20 bytes) and the optional header's size of headers (at 60).
    if (pe + 24 + 64 > size || headers[pe] != 'P' || headers[pe + 1] != 'E' || headers[pe + 2] ||
        headers[pe + 3])
        return 0;
    unsigned long sections = read_u16(headers + pe + 6);
    unsigned long long table = pe + 24 + read_u16(headers + pe + 20);
    if (table + 40ULL * sections > size)
        return 0;
    unsigned long long extent = read_u32(headers + pe + 24 + 60);
    for (unsigned long i = 0; i < sections; i++) {
        const unsigned char *section = headers + table + 40 * i;
        unsigned long long raw_size = read_u32(section + 16), raw_at = read_u32(section + 20);
        if (raw_size && raw_at + raw_size > extent)
            extent = raw_at + raw_size;
    }
    return extent;
}
