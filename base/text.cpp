// Bounded string helpers used wherever text goes into a fixed buffer.
#include "base/base.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

int format_text(char *buf, size_t size, const char *fmt, ...)
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

size_t gbk_whole_prefix(const char *text, size_t limit)
{
    size_t i = 0;
    while (text[i] && i < limit) {
        if (is_gbk_lead((unsigned char)text[i]) && (!text[i + 1] || i + 2 > limit))
            break;
        i += is_gbk_lead((unsigned char)text[i]) ? 2 : 1;
    }
    return i;
}

void copy_text_truncated(char *buf, size_t size, const char *src)
{
    if (size == 0)
        return;
    size_t n = gbk_whole_prefix(src, size - 1);
    memcpy(buf, src, n);
    buf[n] = 0;
}
