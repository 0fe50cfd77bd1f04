// The install record's text: what a run made, one fact a line, parsed and formed without the file system.
#include "install/record.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>

#include "install/manifest.h"

static const char HEADER[] = "Tavik install record 1";
static const char NOTE[] = "; Written by TavikSetup.exe. TVKUnInstall.exe removes a file listed here only "
                           "while its size and CRC-32 are as listed.";

static int row_of(const char *name, size_t length)
{
    for (int i = 0; i < manifest_rows && i < RECORD_FILE_SLOTS; i++)
        if (manifest[i].file_name && strlen(manifest[i].file_name) == length &&
            memcmp(manifest[i].file_name, name, length) == 0)
            return i;
    return -1;
}

std::string format_run_record(const RunRecord *record, const char *folder)
{
    std::string text = std::string(HEADER) + "\r\n" + NOTE + "\r\nfolder " + folder + "\r\n";
    if (record->made_folder)
        text += "made folder\r\n";
    if (record->made_doc)
        text += "made doc\r\n";
    for (int i = 0; i < manifest_rows && i < RECORD_FILE_SLOTS; i++) {
        const RecordedFile *file = &record->files[i];
        if (!file->listed || !manifest[i].file_name)
            continue;
        char line[128];
        snprintf(line, sizeof(line), "file %llu %08lx %s\r\n", file->size, file->crc & 0xfffffffful,
                 manifest[i].file_name);
        text += line;
    }
    for (int i = 0; i < record->link_count && i < RECORD_LINK_SLOTS; i++)
        text += std::string("link ") + record->links[i] + "\r\n";
    return text;
}

// An absolute path of a shortcut: "X:\...\name.lnk" or "\\server\...\name.lnk".
static int is_link_path(const char *path, size_t length)
{
    int absolute =
        length > 3 && ((path[1] == ':' && path[2] == '\\') || (path[0] == '\\' && path[1] == '\\'));
    return absolute && length > 4 && length < RECORD_LINK_SIZE &&
           strncasecmp(path + length - 4, ".lnk", 4) == 0 && memchr(path, 0, length) == NULL;
}

int add_recorded_link(RunRecord *record, const char *path)
{
    for (int i = 0; i < record->link_count; i++)
        if (strcmp(record->links[i], path) == 0)
            return 1;
    size_t length = strlen(path);
    if (record->link_count >= RECORD_LINK_SLOTS || length >= RECORD_LINK_SIZE)
        return 0;
    memcpy(record->links[record->link_count++], path, length + 1);
    return 1;
}

// A file line's "<size> <crc> <name>"; 1 when all three are well formed.
static int parse_file(const char *at, const char *end, RunRecord *record)
{
    char digits[32];
    const char *space = (const char *)memchr(at, ' ', (size_t)(end - at));
    if (!space || space == at || (size_t)(space - at) >= sizeof(digits) ||
        strspn(at, "0123456789") != (size_t)(space - at))
        return 0;
    memcpy(digits, at, (size_t)(space - at));
    digits[space - at] = 0;
    unsigned long long size = strtoull(digits, NULL, 10);
    const char *crc = space + 1;
    if (end - crc < 10 || crc[8] != ' ' || strspn(crc, "0123456789abcdefABCDEF") < 8)
        return 0;
    memcpy(digits, crc, 8);
    digits[8] = 0;
    int row = row_of(crc + 9, (size_t)(end - crc - 9));
    if (row < 0)
        return 0;
    record->files[row] = {1, size, (unsigned long)strtoul(digits, NULL, 16)};
    return 1;
}

int parse_run_record(const std::string &text, RunRecord *record)
{
    memset(record, 0, sizeof(*record));
    size_t start = 0, lines = 0;
    while (start < text.size()) {
        size_t lf = text.find('\n', start);
        size_t next = lf == std::string::npos ? text.size() : lf + 1;
        size_t end = lf == std::string::npos ? text.size() : lf;
        if (end > start && text[end - 1] == '\r')
            end--;
        std::string line = text.substr(start, end - start);
        start = next;
        if (lines++ == 0) {
            if (line != HEADER)
                return 0;
            continue;
        }
        if (line == "made folder")
            record->made_folder = 1;
        else if (line == "made doc")
            record->made_doc = 1;
        else if (line.compare(0, 5, "file ") == 0)
            parse_file(line.c_str() + 5, line.c_str() + line.size(), record);
        else if (line.compare(0, 5, "link ") == 0 && is_link_path(line.c_str() + 5, line.size() - 5))
            add_recorded_link(record, line.c_str() + 5);
    }
    return lines > 0;
}
