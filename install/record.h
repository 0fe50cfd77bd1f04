// The record of what one run made, as the text it is kept in: parsed and formed without the file system.
#ifndef TAVIK_RECORD_H
#define TAVIK_RECORD_H

#include <stddef.h>

#include <string>

// Slots by manifest row (more than the manifest has), and room for the shortcuts of several runs.
enum { RECORD_FILE_SLOTS = 160, RECORD_LINK_SLOTS = 16, RECORD_LINK_SIZE = 260 };

struct RecordedFile {
    int listed; // the run laid this row's file down
    unsigned long long size;
    unsigned long crc; // zlib's CRC-32 of the bytes
};

struct RunRecord {
    int made_folder; // the install folder did not exist before a run made it
    int made_doc;    // nor did its "doc"
    RecordedFile files[RECORD_FILE_SLOTS];
    int link_count;
    char links[RECORD_LINK_SLOTS][RECORD_LINK_SIZE]; // full paths of shortcuts the runs saved
};

// The record's text: a versioned header, then one line per fact, readable by a person.
std::string format_run_record(const RunRecord *record, const char *folder);
// Fills record from text; 1 when the text is a record this program reads. Lines it does not know,
// files that are not the manifest's and links that are no absolute ".lnk" path are passed over.
int parse_run_record(const std::string &text, RunRecord *record);
// Adds a shortcut's path unless the same bytes are listed already or there is no room; 1 when
// it is listed afterwards.
int add_recorded_link(RunRecord *record, const char *path);

#endif
