// Shared pieces of the benchmark program: clock, folders, results file, payload sets, child processes.
#ifndef TAVIK_BENCH_H
#define TAVIK_BENCH_H

#include <windows.h>

#include <stdio.h>

#include <string>
#include <vector>

#include "../tests/support/folder_tree.h"

// bench_files.cpp
double now_seconds(void);
// Removes a folder tree, clearing read-only and hidden first.
// An empty folder at path (removed first when it exists); 1 on success.
int fresh_folder(const std::string &path);
// Files directly in a folder and their total size.
int count_files(const std::string &folder, unsigned long long *total_bytes);
// One result line: group, name, repetition, value.
void record(FILE *out, const char *group, const std::string &name, int rep, double value);

// payload_sets.cpp
// The floor's one buffer, and the payload sets': every payload inflated whole into it. The run
// itself streams through STAGE_BUFFER_SIZE and has no such limit.
#define FLOOR_BUFFER_SIZE 0x3000000
// The bytes one "TEXT" resource of a module inflates to; 0 when it does not.
int inflate_payload(HMODULE module, int id, unsigned char *buffer, unsigned long capacity,
                    unsigned long *size);
// A copy of this program whose "TEXT" resources hold every payload of source cut to
// fraction of its bytes, but to no more than max_bytes, packed again at level 9.
HMODULE make_payload_set(HMODULE source, const std::string &path, double fraction, unsigned long max_bytes);

// install_bench.cpp
// Prepares the bench's install request: scratch folders, the hidden progress bar, payload module.
int prepare_engine(HMODULE module, const std::string &scratch);
// The payload module the runs below read from.
void use_payload(HMODULE module);
// The floor: each manifest payload inflated with one uncompress into one buffer of
// FLOOR_BUFFER_SIZE and written with one WriteFile into folder. Returns 1 when every file was written.
int run_floor(const std::string &folder);
// run_install into folder; returns its result.
int run_engine(const std::string &folder);
// The same steps as the install run, timed one by one; adds each phase's seconds.
// Each file is also made the floor's way (one uncompress, one WriteFile) into side, timed as
// floor_write, before or after the run stages it by turns (order 0 or 1 picks which way round).
struct PhaseTimes {
    double allocation, progress, checks, stage, probe, removal, move, config, shortcuts;
    double floor_write;
};
int run_instrumented(const std::string &folder, const std::string &side, int order, PhaseTimes *times);

// child_bench.cpp
// Seconds from CreateProcess until a top-level window with this title is visible;
// -1 on timeout. The process is ended afterwards.
double time_first_window(const std::string &command_line, const char *title, double timeout);

// Working set and private bytes of a program half a second after its first window shows.
int first_window_memory(const std::string &command_line, const char *title, SIZE_T *working_set,
                        SIZE_T *private_bytes);

struct WizardMemory {
    int reached;             // 0 wizard not found, 1 first page, 2 install ran, 3 success message
    double install_seconds;  // forward on the last page to the final message
    double bar_full_seconds; // forward on the last page to the progress bar at 100, read from outside
    SIZE_T idle_working_set; // on the first page
    SIZE_T idle_private;
    SIZE_T peak_working_set; // during the whole run
    SIZE_T peak_private;     // highest sample
    int installed_files;
};
// Walks TavikSetup.exe's wizard through an install into folder, sampling its memory every
// millisecond from the click on the last page to the final message.
int walk_wizard(const std::string &setup_exe, const std::string &folder, WizardMemory *memory);
// Seconds from CreateProcess until the process ends; -1 when it could not start. With memory,
// its memory is sampled every millisecond the same way as the wizard's.
double time_process(const std::string &command_line, DWORD *exit_code, WizardMemory *memory);

#endif
