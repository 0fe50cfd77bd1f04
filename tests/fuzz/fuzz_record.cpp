// The install record's parser on any text: no overrun, and what it reads survives being written and read
// again.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "install/record.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static RunRecord first, second;
    std::string text((const char *)data, size);
    if (!parse_run_record(text, &first))
        return 0;
    for (int i = 0; i < first.link_count; i++)
        if (!memchr(first.links[i], 0, RECORD_LINK_SIZE))
            abort();
    if (!parse_run_record(format_run_record(&first, "C:\\Tavik"), &second) ||
        first.made_folder != second.made_folder || first.made_doc != second.made_doc ||
        first.link_count != second.link_count)
        abort();
    for (int i = 0; i < RECORD_FILE_SLOTS; i++) {
        const RecordedFile &a = first.files[i], &b = second.files[i];
        if (a.listed != b.listed || (a.listed && (a.size != b.size || a.crc != b.crc)))
            abort();
    }
    for (int i = 0; i < first.link_count; i++)
        if (strcmp(first.links[i], second.links[i]) != 0)
            abort();
    return 0;
}
