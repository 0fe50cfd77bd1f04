// The ground's bounded text helpers at exactly their sizes: what fits, what fails, no byte past the end.
#include <gtest/gtest.h>
#include <string.h>

#include "base/base.h"

enum Helper { COPY, FORMAT, TRUNCATE };

struct BoundedRow {
    Helper helper;
    size_t size;
    const char *in;
    int result; // for TRUNCATE, ignored
    const char *out;
};

static const BoundedRow bounded_rows[] = {
    {COPY, 6, "abcde", 1, "abcde"},
    {COPY, 5, "abcde", 0, ""},
    {COPY, 1, "", 1, ""},
    {COPY, 1, "a", 0, ""},
    {FORMAT, 6, "abcde", 1, "abcde"},
    {FORMAT, 5, "abcde", 0, ""},
    {FORMAT, 1, "a", 0, ""},
    // "中" is the GBK pair D6 D0: it is copied whole or not at all.
    {TRUNCATE, 5,
     "ab\xD6\xD0"
     "c",
     0, "ab\xD6\xD0"},
    {TRUNCATE, 4,
     "ab\xD6\xD0"
     "c",
     0, "ab"},
    {TRUNCATE, 3, "abc", 0, "ab"},
    {TRUNCATE, 1, "abc", 0, ""},
    // A lead byte whose trail is missing is dropped.
    {TRUNCATE, 8, "ab\xD6", 0, "ab"},
};

TEST(BoundedText, FitsExactlyOrFailsWithoutWritingPastTheBuffer)
{
    for (const BoundedRow &r : bounded_rows) {
        char area[16];
        memset(area, 'X', sizeof(area));
        int result = 0;
        if (r.helper == COPY)
            result = copy_text(area, r.size, r.in);
        else if (r.helper == FORMAT)
            result = format_text(area, r.size, "%s", r.in);
        else
            copy_text_truncated(area, r.size, r.in);
        if (r.helper != TRUNCATE) {
            EXPECT_EQ(r.result, result) << r.helper << " size " << r.size << " " << r.in;
        }
        EXPECT_STREQ(r.out, area) << r.helper << " size " << r.size;
        for (size_t i = r.size; i < sizeof(area); i++)
            EXPECT_EQ('X', area[i]) << "byte " << i << " written by " << r.helper << " size " << r.size;
    }
}

TEST(BoundedText, SizeZeroWritesNothing)
{
    char area[4] = {'X', 'X', 'X', 'X'};
    EXPECT_EQ(0, copy_text(area, 0, ""));
    EXPECT_EQ(0, format_text(area, 0, "%s", ""));
    copy_text_truncated(area, 0, "a");
    EXPECT_EQ(0, memcmp(area, "XXXX", 4));
}

TEST(PathCharacters, FollowTheSystemCodePage)
{
    // On the single-byte system the tests run on, 0xD6 is a letter of its own, so a
    // backslash after it is a separator; under code page 936 it would be a trail byte.
    EXPECT_EQ(GetACP() == 936 || GetACP() == 950 ? 2u : 1u, path_char_size("\xD6\\"));
    EXPECT_EQ(1u, path_char_size("a\\"));
    EXPECT_EQ(1u, path_char_size("\xD6"));
    EXPECT_EQ(0u, path_char_size(""));
}
