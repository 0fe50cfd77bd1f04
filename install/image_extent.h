// How much of its file a program image needs, read from the image's own headers.
#ifndef TAVIK_IMAGE_EXTENT_H
#define TAVIK_IMAGE_EXTENT_H

#include <stddef.h>

// Bytes from the start of the file to the end of the furthest section's data (or of the
// headers); 0 when the size bytes at headers are not the headers of a PE image.
unsigned long long image_file_extent(const unsigned char *headers, size_t size);

#endif
