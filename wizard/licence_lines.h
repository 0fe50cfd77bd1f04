// Cuts the Chinese licence text into the lines the licence list shows.
#ifndef TAVIK_LICENCE_LINES_H
#define TAVIK_LICENCE_LINES_H

#include <stddef.h>

#define LICENCE_TEXT_SIZE 65536 // largest licence text taken, in bytes
#define LICENCE_MAX_LINES 500

// Splits text (length bytes, or up to an earlier zero) in place into the lines
// ended by a carriage return: each carriage return becomes the line's terminator
// and a line feed right after it is skipped. Text after the last carriage return
// is not a line. Stores at most max_lines line starts; returns how many.
int split_licence_lines(char *text, size_t length, char **lines, int max_lines);

#endif
