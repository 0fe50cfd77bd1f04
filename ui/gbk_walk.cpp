// The one walk over GBK text, so that a drawn width never differs from a measured one.
#include "ui/gbk_walk.h"

#include "base/base.h"

int walk_gbk_text(const char *text, int length, GbkByteWidth width, GbkVisit visit, void *context)
{
    int total = 0;
    if (!text)
        return 0;
    for (int i = 0; i < length;) {
        GbkChar ch;
        unsigned char b = (unsigned char)text[i];
        ch.offset = total;
        if (is_gbk_lead(b)) {
            ch.is_double = 1;
            ch.code = b * 256u + (unsigned char)text[i + 1];
            ch.advance = GBK_CELL_ADVANCE;
            i += 2;
        } else {
            ch.is_double = 0;
            ch.code = b;
            ch.advance = width ? width(context, b) : 0;
            i += 1;
        }
        if (visit)
            visit(context, &ch);
        total += ch.advance;
    }
    return total;
}

int drop_split_pair(char *text)
{
    size_t whole = gbk_whole_prefix(text, (size_t)-1);
    text[whole] = 0;
    return (int)whole;
}
