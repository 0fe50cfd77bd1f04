// Shared helpers of the test programs.
#include "tavik_test.h"

#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <zlib.h>

#include "resources/ids.h"
#include "ui/ui.h"
#include "wizard/wizard.h"

static std::string env(const char *name)
{
    const char *v = getenv(name);
    return v ? v : "";
}

std::string setup_exe_path(void)
{
    return env("TAVIK_SETUP_EXE");
}

std::string test_program(const char *name)
{
    return env("TAVIK_TESTS_DIR") + "\\" + name;
}

HMODULE setup_module(void)
{
    static HMODULE module = NULL;
    if (!module)
        module = LoadLibraryExA(setup_exe_path().c_str(), NULL,
                                LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    return module;
}

void use_setup_resources(void)
{
    g_state.instance = setup_module();
    g_drawing.instance = setup_module();
}

bool inflate_resource(HMODULE module, int id, std::vector<unsigned char> *out)
{
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), RT_PAYLOAD_NAME);
    if (!found)
        return false;
    const Bytef *packed = (const Bytef *)LockResource(LoadResource(module, found));
    uLong packed_size = SizeofResource(module, found);
    out->assign(0x3000000, 0);
    uLongf size = out->size();
    if (!packed || uncompress(out->data(), &size, packed, packed_size) != Z_OK)
        return false;
    out->resize(size);
    return true;
}

std::vector<unsigned char> setup_payload(int id)
{
    std::vector<unsigned char> data;
    EXPECT_TRUE(inflate_resource(setup_module(), id, &data)) << "payload " << id;
    return data;
}

std::string fresh_dir(const std::string &name)
{
    CreateDirectoryA("C:\\tavik-tests", NULL);
    std::string path = "C:\\tavik-tests\\" + name;
    remove_tree(path);
    CreateDirectoryA(path.c_str(), NULL);
    return path;
}

std::vector<unsigned char> read_file(const std::string &path)
{
    std::vector<unsigned char> data;
    FILE *f = fopen(path.c_str(), "rb");
    if (!f)
        return data;
    unsigned char chunk[65536];
    size_t n;
    while ((n = fread(chunk, 1, sizeof(chunk), f)) > 0)
        data.insert(data.end(), chunk, chunk + n);
    fclose(f);
    return data;
}

bool write_file(const std::string &path, const void *data, size_t size)
{
    FILE *f = fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = fwrite(data, 1, size, f) == size;
    return fclose(f) == 0 && ok;
}

bool write_file(const std::string &path, const std::string &text)
{
    return write_file(path, text.data(), text.size());
}

bool file_exists(const std::string &path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

DWORD attributes_of(const std::string &path)
{
    return GetFileAttributesA(path.c_str());
}

void protect_file(const std::string &path, bool read_only, bool hidden)
{
    DWORD a = GetFileAttributesA(path.c_str()) & ~(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    if (hidden)
        SetFileAttributesA(path.c_str(), a | FILE_ATTRIBUTE_HIDDEN);
    if (read_only)
        SetFileAttributesA(path.c_str(), a | (hidden ? FILE_ATTRIBUTE_HIDDEN : 0) | FILE_ATTRIBUTE_READONLY);
    if (!read_only && !hidden)
        SetFileAttributesA(path.c_str(), a ? a : FILE_ATTRIBUTE_NORMAL);
}

std::vector<unsigned char> zlib_pack(const std::vector<unsigned char> &raw)
{
    uLongf size = compressBound(raw.size());
    std::vector<unsigned char> packed(size);
    compress2(packed.data(), &size, raw.data(), raw.size(), 9);
    packed.resize(size);
    return packed;
}

HMODULE crafted_module(const std::string &name,
                       const std::vector<std::pair<int, std::vector<unsigned char>>> &resources)
{
    std::string dir = fresh_dir("crafted-" + name);
    std::string path = dir + "\\crafted.exe";
    if (!CopyFileA(test_program("file_holder.exe").c_str(), path.c_str(), FALSE))
        return NULL;
    HANDLE update = BeginUpdateResourceA(path.c_str(), FALSE);
    if (!update)
        return NULL;
    for (const auto &r : resources)
        UpdateResourceA(update, RT_PAYLOAD_NAME, MAKEINTRESOURCEA(r.first), 0, (void *)r.second.data(),
                        (DWORD)r.second.size());
    if (!EndUpdateResourceA(update, FALSE))
        return NULL;
    return LoadLibraryExA(path.c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
}

FileHolder hold_file(const std::string &path)
{
    FileHolder holder = {NULL};
    std::string flag = path + ".held";
    DeleteFileA(flag.c_str());
    std::string command = "\"" + test_program("file_holder.exe") + "\" \"" + path + "\"";
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    std::vector<char> line(command.begin(), command.end());
    line.push_back(0);
    if (!CreateProcessA(NULL, line.data(), NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi))
        return holder;
    CloseHandle(pi.hThread);
    holder.process = pi.hProcess;
    // The holder writes a flag file once the file is open.
    for (int i = 0; i < 200 && !file_exists(flag); i++)
        Sleep(25);
    return holder;
}

void release_file(FileHolder holder)
{
    if (!holder.process)
        return;
    TerminateProcess(holder.process, 0);
    WaitForSingleObject(holder.process, 5000);
    CloseHandle(holder.process);
}

const std::vector<InstalledFile> &installed_files(void)
{
    static std::vector<InstalledFile> files;
    if (!files.empty())
        return files;
    FILE *record = fopen((env("TAVIK_SOURCE_DIR") + "\\tests\\data\\installed_files.tsv").c_str(), "rb");
    if (!record) {
        ADD_FAILURE() << "no record of the installed files";
        return files;
    }
    char line[512], name[260], ro[8], hidden[8], failure[16], old[8];
    int id;
    while (fgets(line, sizeof(line), record))
        if (sscanf(line, "%d\t%259[^\t]\t%7s\t%7s\t%15s\t%7s", &id, name, ro, hidden, failure, old) == 6)
            files.push_back({id, name, !strcmp(ro, "yes"), !strcmp(hidden, "yes"), !strcmp(failure, "stop"),
                             !strcmp(old, "old")});
    fclose(record);
    EXPECT_EQ(121u, files.size()) << "files in the record";
    return files;
}

DWORD requested_bits(const InstalledFile &file)
{
    return (file.read_only ? FILE_ATTRIBUTE_READONLY : 0) | (file.hidden ? FILE_ATTRIBUTE_HIDDEN : 0);
}
