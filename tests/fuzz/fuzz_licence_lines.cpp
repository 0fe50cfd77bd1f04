// The licence splitter: only carriage-return lines, at most the cap, nothing out of bounds.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "wizard/wizard_rules.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > LICENCE_TEXT_SIZE)
        return 0;
    std::vector<char> text(data, data + size);
    std::vector<char> original(text);
    text.push_back(0);
    size_t zero = strlen(text.data());
    size_t returns = 0;
    for (size_t i = 0; i < zero; i++)
        returns += text[i] == '\r';
    int cap = size ? data[0] % 8 + 1 : 1;
    for (int max_lines : {cap, LICENCE_MAX_LINES}) {
        std::vector<char> work(text);
        std::vector<char *> lines(max_lines);
        int n = split_licence_lines(work.data(), size, lines.data(), max_lines);
        if (n < 0 || n > max_lines ||
            (size_t)n != (returns < (size_t)max_lines ? returns : (size_t)max_lines))
            abort();
        for (int i = 0; i < n; i++) {
            if (lines[i] < work.data() || lines[i] >= work.data() + work.size())
                abort();
            if (strchr(lines[i], '\r') || (i > 0 && lines[i] <= lines[i - 1]))
                abort();
            // A line is the original bytes up to its carriage return.
            size_t at = lines[i] - work.data(), len = strlen(lines[i]);
            if (at + len >= original.size() + 1 || memcmp(lines[i], original.data() + at, len) != 0 ||
                original[at + len] != '\r')
                abort();
        }
    }
    return 0;
}
