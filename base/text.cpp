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

static int is_bare_drive(const char *folder)
{
    char c = folder[0];
    return ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) && folder[1] == ':' && folder[2] == 0;
}

int folder_for_calls(char *out, size_t size, const char *folder)
{
    return format_text(out, size, is_bare_drive(folder) ? "%s\\" : "%s", folder);
}

int drop_trailing_backslash(char *path)
{
    size_t last = 0, n = 0;
    for (size_t i = 0; (n = path_char_size(path + i)) != 0; i += n)
        last = i;
    if (!path[0] || path[last] != '\\' || path_char_size(path + last) != 1)
        return 0;
    path[last] = 0;
    return 1;
}

const char *last_backslash(const char *path)
{
    const char *found = NULL;
    for (const char *p = path; *p; p += path_char_size(p))
        if (*p == '\\')
            found = p;
    return found;
}
