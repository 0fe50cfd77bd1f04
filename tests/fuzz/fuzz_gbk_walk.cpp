// Walking GBK text: advances add up, pairs are never split, nothing is read past the terminator.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "ui/gbk_walk.h"

static int stub_width(void *, unsigned char byte)
{
    return byte % 9; // a font whose extent query fails for some bytes (0)
}

struct Tally {
    int sum;
    int chars;
    int last_offset;
};

static void visit(void *context, const GbkChar *ch)
{
    Tally *t = (Tally *)context;
    if (ch->offset != t->sum || ch->offset < t->last_offset)
        abort();
    if (ch->is_double && (ch->advance != 16 || ch->code < 0x8000))
        abort();
    t->last_offset = ch->offset;
    t->sum += ch->advance;
    t->chars++;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 4096)
        return 0;
    std::vector<char> text(data, data + size);
    text.push_back(0);
    int length = (int)strlen(text.data());
    Tally t = {0, 0, 0};
    int total = walk_gbk_text(text.data(), length, stub_width, visit, &t);
    if (total != t.sum || walk_gbk_text(text.data(), length, stub_width, nullptr, nullptr) != total)
        abort();
    if (t.chars > length)
        abort();
    // Cutting off a split pair leaves only whole characters.
    std::vector<char> cut(text);
    int kept = drop_split_pair(cut.data());
    if (kept != (int)strlen(cut.data()) || kept > length || memcmp(cut.data(), text.data(), kept) != 0)
        abort();
    for (int i = 0; i < kept;)
        i += (unsigned char)cut[i] >= 0x80 ? (cut[i + 1] ? 2 : (abort(), 0)) : 1;
    return 0;
}
