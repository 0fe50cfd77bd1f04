// Bounded string helpers used wherever text goes into a fixed buffer.
#include "base/base.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

int format_path(char *buf, size_t size, const char *fmt, ...)
{
    if (size == 0)
        return 0;
    va_list ap;
    va_start(ap, fmt);
    int n = vsnprintf(buf, size, fmt, ap);
    va_end(ap);
    if (n < 0 || (size_t)n >= size) {
        buf[0] = 0;
        return 0;
    }
    return 1;
}

int copy_text(char *buf, size_t size, const char *src)
{
    if (size == 0)
        return 0;
    size_t n = strlen(src);
    if (n >= size) {
        buf[0] = 0;
        return 0;
    }
    memcpy(buf, src, n + 1);
    return 1;
}

void copy_text_truncated(char *buf, size_t size, const char *src)
{
    if (size == 0)
        return;
    size_t i = 0;
    while (src[i] && i + 1 < size) {
        if ((unsigned char)src[i] >= 0x80) {
            if (!src[i + 1] || i + 2 >= size)
                break;
            i += 2;
        } else {
            i++;
        }
    }
    memcpy(buf, src, i);
    buf[i] = 0;
}
