// Cuts the Chinese licence text into the lines the licence list shows.
#include "wizard/licence_lines.h"

int split_licence_lines(char *text, size_t length, char **lines, int max_lines)
{
    int count = 0;
    size_t start = 0;
    for (size_t i = 0; i < length && text[i] && count < max_lines; i++) {
        if (text[i] != '\r')
            continue;
        text[i] = 0;
        lines[count++] = text + start;
        if (i + 1 < length && text[i + 1] == '\n')
            i++;
        start = i + 1;
    }
    return count;
}
