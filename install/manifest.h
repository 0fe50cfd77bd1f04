// The ordered payload manifest of the install run.
#ifndef TAVIK_MANIFEST_H
#define TAVIK_MANIFEST_H

struct ManifestEntry {
    int id;                // payload resource id; 0 for a progress row
    const char *file_name; // name in the destination folder
    int read_only;
    int hidden;
    int stop_on_failure;
    int keep_old; // part of the old word base: skipped when it is kept
    int progress; // progress position for rows without a file
};

extern const ManifestEntry manifest[];
extern const int manifest_rows;
extern const int unused_payload_ids[];
extern const int unused_payload_count;

#endif
