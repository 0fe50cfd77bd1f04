// Walks mixed ASCII/GBK text character by character; drawing and measuring share it.
#ifndef TAVIK_GBK_WALK_H
#define TAVIK_GBK_WALK_H

enum { GBK_CELL_ADVANCE = 16, GBK_TEXT_HEIGHT = 16 };

struct GbkChar {
    int offset;    // advance of the text before this character
    int is_double; // a lead byte with its trail
    unsigned code; // lead * 256 + trail, or the single byte
    int advance;
};

// Width of one single-byte character; 0 when the font cannot say.
typedef int (*GbkByteWidth)(void *context, unsigned char byte);
typedef void (*GbkVisit)(void *context, const GbkChar *ch);

// Visits the characters of text[0..length) and returns the total advance.
// A byte of 0x80 or above always takes the next byte as its trail, even the
// terminating zero, so text must be zero-terminated at length. visit may be null.
int walk_gbk_text(const char *text, int length, GbkByteWidth width, GbkVisit visit, void *context);

// Ends text before a lead byte whose trail was cut off by a length limit, so
// that no stray cell is drawn for half a character. Returns the new length.
int drop_split_pair(char *text);

#endif
