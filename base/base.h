// Bounded printf-style formatting: a result that would not fit is a failure.
#ifndef TAVIK_FORMAT_H
#define TAVIK_FORMAT_H

#include <stddef.h>

// Writes at most size bytes including the terminator. Returns 1 when the whole
// text fit, 0 when it did not (buf then holds the empty string) or size is 0.
int format_path(char *buf, size_t size, const char *fmt, ...) __attribute__((format(printf, 3, 4)));

// Copies src into buf; 1 when it fit, 0 (and an empty buf) when it did not.
int copy_text(char *buf, size_t size, const char *src);

// Copies as much of src as fits, always terminating. Never splits a GBK pair.
void copy_text_truncated(char *buf, size_t size, const char *src);

#endif
