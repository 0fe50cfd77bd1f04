// Test helpers of the installation engine: recorded runs, stand-in payloads, fault rows, shell links.
#include "install_support.h"

#include <objbase.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include "install/manifest.h"
#include "resources/ids.h"
#include "tavik_test.h"

const std::vector<int> ALL_POSITIONS = {10, 15, 20, 25, 30, 35, 45, 50, 55, 65, 70, 90, 94, 97, 100};

static const char STAND_IN_CONFIG[] = "[UI_STR]\r\nOK=确定\r\n[Config]\r\nUseBmpFont=0\r\n\r\n";
const char STAND_IN_CONFIG_AFTER[] =
    "[UI_STR]\r\nOK=确定\r\n[Config]\r\nUseBmpFont=1\r\n\r\n\r\nForceLanguage=2\r\n";
static const int CONFIG_ID = 120;

static void record_progress(void *context, int position)
{
    ((InstallRecord *)context)->progress.push_back(position);
}

static int record_question(void *context)
{
    InstallRecord *record = (InstallRecord *)context;
    size_t n = (size_t)record->questions++;
    if (record->answers.empty())
        return 1;
    return record->answers[n < record->answers.size() ? n : record->answers.size() - 1];
}

static void record_notice(void *context, int notice, const char *file)
{
    ((InstallRecord *)context)->notices.push_back({notice, file ? file : ""});
}

void record_install(InstallRequest *request, InstallRecord *record)
{
    request->report = {record, record_progress, record_question, record_notice, NULL};
}

std::vector<unsigned char> stand_in_bytes(int id)
{
    std::string text =
        id == CONFIG_ID ? std::string(STAND_IN_CONFIG) : "payload " + std::to_string(id) + "\r\n";
    return std::vector<unsigned char>(text.begin(), text.end());
}

// Built on the planted DLL rather than a test program: a copy of it stays far below the
// 512 KiB file-size limit some programs run under.
HMODULE stand_in_payload(const std::string &name,
                         const std::vector<std::pair<int, std::vector<unsigned char>>> &packed)
{
    std::string path = fresh_dir("stand-in-" + name) + "\\payload.dll";
    if (!CopyFileA(test_program("plant.dll").c_str(), path.c_str(), FALSE))
        return NULL;
    HANDLE update = BeginUpdateResourceA(path.c_str(), FALSE);
    if (!update)
        return NULL;
    for (int i = 0; i < manifest_rows; i++) {
        if (!manifest[i].id)
            continue;
        std::vector<unsigned char> stream = zlib_pack(stand_in_bytes(manifest[i].id));
        for (const auto &p : packed)
            if (p.first == manifest[i].id)
                stream = p.second;
        UpdateResourceA(update, RT_PAYLOAD_NAME, MAKEINTRESOURCEA(manifest[i].id), 0, stream.data(),
                        (DWORD)stream.size());
    }
    if (!EndUpdateResourceA(update, FALSE))
        return NULL;
    return LoadLibraryExA(path.c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
}

static int id_of(const std::string &file)
{
    for (int i = 0; i < manifest_rows; i++)
        if (manifest[i].file_name && lstrcmpiA(manifest[i].file_name, file.c_str()) == 0)
            return manifest[i].id;
    return 0;
}

static std::string text_of(const std::string &path)
{
    std::vector<unsigned char> bytes = read_file(path);
    return std::string(bytes.begin(), bytes.end());
}

static std::string fault_label(const FaultRow &row)
{
    static const char *const names[] = {"damaged", "in-use", "full", "missing"};
    return std::string("fault-") + names[row.fault] + "-" + (row.file ? row.file : "start-menu");
}

// The payload the row needs: the shared stand-in, or one with the struck file's stream replaced.
static HMODULE payload_for(const FaultRow &row, const std::string &label)
{
    static HMODULE shared = NULL;
    int id = row.file ? id_of(row.file) : 0;
    if (row.fault == FAULT_DAMAGED_STREAM) {
        std::vector<unsigned char> packed = zlib_pack(stand_in_bytes(id));
        packed[packed.size() - 2] ^= 0xff; // the Adler-32 checksum no longer matches
        return stand_in_payload(label, {{id, packed}});
    }
    if (row.fault == FAULT_DISK_FULL)
        return stand_in_payload(label, {{id, zlib_pack(std::vector<unsigned char>(600 * 1024, 'f'))}});
    if (!shared)
        shared = stand_in_payload("faults");
    return shared;
}

void run_fault_row(const FaultRow &row)
{
    std::string label = fault_label(row);
    SCOPED_TRACE(label);
    ASSERT_TRUE(row.file || row.fault == FAULT_MISSING_FOLDER);
    ASSERT_TRUE(!row.file || id_of(row.file)) << "not an installed file";
    std::string dir = fresh_dir(label);
    std::string module = fresh_dir(label + "-module") + "\\", windows = fresh_dir(label + "-windows") + "\\";
    ASSERT_TRUE(write_file(module + "SCtrlSet1.bin", "control settings"));
    HMODULE payload = payload_for(row, label);
    ASSERT_TRUE(payload);

    std::string folder = dir;
    bool legacy_menu = row.fault == FAULT_MISSING_FOLDER && !row.file;
    if (row.fault == FAULT_MISSING_FOLDER && row.file)
        folder = dir + "\\missing";
    std::string programs =
        legacy_menu ? windows_folder() + "start menu\\programs" : shell_folder(CSIDL_PROGRAMS);
    std::string group = programs + "\\Tavik Chinese Input Engine";
    if (legacy_menu) {
        ASSERT_FALSE(file_exists(programs)) << "the Start-menu folder should be missing";
    } else {
        remove_tree(group);
    }

    InstallRequest request = {};
    request.payload = payload;
    request.folder = folder.c_str();
    request.module_dir = module.c_str();
    request.windows_dir = windows.c_str();
    request.os_major_is_3 = legacy_menu;
    request.force_language = 2;
    InstallRecord record = {};
    record_install(&request, &record);

    FileHolder holder = {NULL};
    if (row.fault == FAULT_FILE_IN_USE) {
        ASSERT_TRUE(write_file(dir + "\\" + row.file, "in use"));
        holder = hold_file(dir + "\\" + row.file);
        ASSERT_TRUE(holder.process);
        // The holder's ready flag is no installed file.
        DeleteFileA((dir + "\\" + row.file + ".held").c_str());
    }
    int result = run_install(&request);
    release_file(holder);

    EXPECT_EQ(row.result, result);
    std::vector<int> reached;
    for (int position : ALL_POSITIONS)
        if (reached.empty() || reached.back() != row.last_position)
            reached.push_back(position);
    EXPECT_EQ(reached, record.progress);
    EXPECT_EQ(row.notices, record.notices);
    EXPECT_EQ(0, record.questions);

    std::vector<std::string> entries = folder_entries(dir);
    EXPECT_EQ(row.files_on_disk, entries.size());
    if (row.file) {
        if (row.left) {
            EXPECT_EQ(row.left, text_of(dir + "\\" + row.file));
        } else {
            EXPECT_FALSE(file_exists(folder + "\\" + row.file));
        }
    }
    // Whatever else is there is whole, under its own name.
    for (const std::string &name : entries) {
        if ((row.file && lstrcmpiA(name.c_str(), row.file) == 0) || id_of(name) == CONFIG_ID)
            continue;
        std::vector<unsigned char> expected = stand_in_bytes(id_of(name));
        EXPECT_EQ(expected, read_file(dir + "\\" + name)) << name;
    }
    if (file_exists(dir + "\\chipadui.ini")) {
        EXPECT_EQ(row.closing_steps ? STAND_IN_CONFIG_AFTER : STAND_IN_CONFIG,
                  text_of(dir + "\\chipadui.ini"));
    }
    EXPECT_EQ(row.closing_steps, file_exists(windows + "SCtrlSet1.bin"));
    EXPECT_EQ(row.menu_group, read_link(group + "\\Tavik Chinese Input Engine.lnk").loaded);
    EXPECT_EQ(row.menu_group, read_link(group + "\\Tavik UnInstall.lnk").loaded);
    remove_tree(group);
}

LinkInfo read_link(const std::string &path)
{
    LinkInfo info = {};
    HRESULT init = CoInitialize(NULL);
    IShellLinkA *link = NULL;
    IPersistFile *file = NULL;
    WCHAR wide[MAX_PATH];
    if (SUCCEEDED(
            CoCreateInstance(CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, IID_IShellLinkA, (void **)&link)) &&
        SUCCEEDED(link->QueryInterface(IID_IPersistFile, (void **)&file)) &&
        MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH) &&
        SUCCEEDED(file->Load(wide, STGM_READ))) {
        char text[1024];
        info.loaded = true;
        if (SUCCEEDED(link->GetPath(text, sizeof(text), NULL, SLGP_RAWPATH)))
            info.target = text;
        text[0] = 0;
        if (SUCCEEDED(link->GetWorkingDirectory(text, sizeof(text))))
            info.working_dir = text;
        text[0] = 0;
        if (SUCCEEDED(link->GetDescription(text, sizeof(text))))
            info.description = text;
        text[0] = 0;
        if (SUCCEEDED(link->GetIconLocation(text, sizeof(text), &info.icon_index)))
            info.icon_file = text;
        text[0] = 0;
        if (SUCCEEDED(link->GetArguments(text, sizeof(text))))
            info.arguments = text;
    }
    if (file)
        file->Release();
    if (link)
        link->Release();
    if (SUCCEEDED(init))
        CoUninitialize();
    return info;
}

std::string shell_folder(int csidl)
{
    char path[MAX_PATH] = "";
    if (FAILED(SHGetFolderPathA(NULL, csidl, NULL, SHGFP_TYPE_CURRENT, path)))
        return "";
    return path;
}

std::string windows_folder(void)
{
    char path[MAX_PATH];
    UINT n = GetWindowsDirectoryA(path, sizeof(path));
    std::string s(path, n < sizeof(path) ? n : 0);
    if (s.empty() || s.back() != '\\')
        s += "\\";
    return s;
}

std::vector<std::string> folder_entries(const std::string &folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        std::string name = found.cFileName;
        if (name != "." && name != "..")
            names.push_back(name);
    } while (FindNextFileA(find, &found));
    FindClose(find);
    return names;
}

size_t committed_private_bytes(void)
{
    size_t total = 0;
    MEMORY_BASIC_INFORMATION region;
    const char *at = NULL;
    while (VirtualQuery(at, &region, sizeof(region)) == sizeof(region)) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE)
            total += region.RegionSize;
        const char *next = (const char *)region.BaseAddress + region.RegionSize;
        if (next <= at)
            break;
        at = next;
    }
    return total;
}
