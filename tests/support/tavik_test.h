// Shared helpers of the test programs: the installer's resources, scratch folders, files.
#ifndef TAVIK_TEST_H
#define TAVIK_TEST_H

#include <windows.h>

#include <string>
#include <vector>

#include "folder_tree.h"

// TavikSetup.exe loaded as a data module (its resources, not its code).
HMODULE setup_module(void);
// Points the installer state and the drawing kit at TavikSetup.exe's resources.
void use_setup_resources(void);
std::string setup_exe_path(void);

// Inflated bytes of one "TEXT" resource of a module; false when it does not inflate.
bool inflate_resource(HMODULE module, int id, std::vector<unsigned char> *out);
std::vector<unsigned char> setup_payload(int id);

// A new, empty folder C:\tavik-tests\<name> (removed first when it exists).
std::string fresh_dir(const std::string &name);

std::vector<unsigned char> read_file(const std::string &path);
bool write_file(const std::string &path, const void *data, size_t size);
bool write_file(const std::string &path, const std::string &text);
bool file_exists(const std::string &path);
DWORD attributes_of(const std::string &path);
// Sets hidden before read-only: the order in which every file system keeps both.
void protect_file(const std::string &path, bool read_only, bool hidden);

// A copy of a small module with crafted "TEXT" resources, loaded as data.
// Each entry is (id, raw resource bytes).
HMODULE crafted_module(const std::string &name,
                       const std::vector<std::pair<int, std::vector<unsigned char>>> &resources);
std::vector<unsigned char> zlib_pack(const std::vector<unsigned char> &raw);

// A process holding a file open without sharing until it is ended.
struct FileHolder {
    HANDLE process;
};
FileHolder hold_file(const std::string &path);
void release_file(FileHolder holder);

// One installed file as the tests' own record (tests/data/installed_files.tsv) lists it, in
// install order; kept apart from the product's table so that a slip there shows.
struct InstalledFile {
    int id;
    std::string name;
    bool read_only, hidden;
    bool stop;     // a failure ends the run
    bool old_base; // left alone when an old word base is kept
};
const std::vector<InstalledFile> &installed_files(void);
// The read-only and hidden bits the record asks for.
DWORD requested_bits(const InstalledFile &file);

// Path of a program built beside the tests.
std::string test_program(const char *name);

#endif
