// Test helpers of the installation engine: recorded runs, stand-in payloads, fault rows, shell links.
#include "install_support.h"

#include <objbase.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <map>

#include "install/manifest.h"
#include "support/e2e_faults.h"
#include "resources/ids.h"
#include "tavik_test.h"

const std::vector<int> ALL_POSITIONS = {10, 15, 20, 25, 30, 35, 45, 50, 55, 65, 70, 90, 94, 97, 100};

static const char STAND_IN_CONFIG[] = "[UI_STR]\r\nOK=确定\r\n[Config]\r\nUseBmpFont=0\r\n\r\n";
const char STAND_IN_CONFIG_AFTER[] =
    "[UI_STR]\r\nOK=确定\r\n[Config]\r\nUseBmpFont=1\r\n\r\n\r\nForceLanguage=2\r\n";
static const int CONFIG_ID = 120;

static std::string as_text(const std::vector<unsigned char> &bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

static void record_progress(void *context, int position)
{
    ((InstallRecord *)context)->progress.push_back(position);
}

static int record_question(void *context, int ask)
{
    InstallRecord *record = (InstallRecord *)context;
    record->word_base_checks++;
    if (!ask)
        return 1;
    size_t n = (size_t)record->questions++;
    if (record->answers.empty())
        return 1;
    return record->answers[n < record->answers.size() ? n : record->answers.size() - 1];
}

static void record_notice(void *context, int notice, const char *file)
{
    ((InstallRecord *)context)->notices.push_back({notice, file ? file : ""});
}

static void record_pump(void *context)
{
    InstallRecord *record = (InstallRecord *)context;
    record->pumps++;
    record->pumps_at.push_back(record->progress.empty() ? 0 : record->progress.back());
    if (record->watch_memory) {
        size_t now = committed_private_bytes();
        if (now > record->peak_private)
            record->peak_private = now;
    }
}

void record_install(InstallRequest *request, InstallRecord *record)
{
    request->report = {record, record_progress, record_question, record_notice, record_pump, NULL};
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
        if (!stream.empty())
            UpdateResourceA(update, RT_PAYLOAD_NAME, MAKEINTRESOURCEA(manifest[i].id), 0, stream.data(),
                            (DWORD)stream.size());
    }
    if (!EndUpdateResourceA(update, FALSE))
        return NULL;
    return LoadLibraryExA(path.c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
}

static const InstalledFile *recorded(const std::string &file)
{
    for (const InstalledFile &f : installed_files())
        if (lstrcmpiA(f.name.c_str(), file.c_str()) == 0)
            return &f;
    return NULL;
}

static std::string text_of(const std::string &path)
{
    std::vector<unsigned char> bytes = read_file(path);
    return std::string(bytes.begin(), bytes.end());
}

static const DWORD PROTECT = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN;
static const char USER_FILE[] = "~tvk notes.txt"; // the user's own, whatever its name looks like
static const char USER_DICTIONARY[] = "flatAuto.dic0101";
static const char MARKER[] = "~tvkinstall.mark";
// What a run that replaces the word base writes in its marker while it moves files.
static const char MARKER_REPLACING[] = "Tavik install marker 1\r\nword base replaced\r\n";
static const char RECORD[] = "TVKInstall.rec";
static const char ANY_CONTENT[] = "<any>"; // checked on its own: the record
static const char OLDER_SETTINGS[] = "older settings, longer than the new ones";

static std::string earlier_text(const std::string &name)
{
    return "earlier " + name;
}

static std::string fault_label(const FaultRow &row)
{
    static const char *const names[] = {"damaged",
                                        "trailing",
                                        "missing-stream",
                                        "in-use",
                                        "folder",
                                        "move-fails",
                                        "link",
                                        "full",
                                        "missing",
                                        "killed",
                                        "new-folder",
                                        "settings-folder",
                                        "settings-unreadable",
                                        "settings-in-use"};
    return std::string("fault-") + names[row.fault] + "-" + (row.file ? row.file : "none");
}

// The payload the row needs: the shared stand-in, or one with the struck file's stream replaced.
static HMODULE payload_for(const FaultRow &row, const std::string &label)
{
    static HMODULE shared = NULL;
    const InstalledFile *f = row.file ? recorded(row.file) : NULL;
    int id = f ? f->id : 0;
    std::vector<unsigned char> packed = zlib_pack(stand_in_bytes(id));
    switch (row.fault) {
    case FAULT_DAMAGED_STREAM:
    case FAULT_NEW_FOLDER:
        packed[packed.size() - 2] ^= 0xff; // the Adler-32 checksum no longer matches
        return stand_in_payload(label, {{id, packed}});
    case FAULT_TRAILING_BYTES:
        packed.insert(packed.end(), {'m', 'o', 'r', 'e'});
        return stand_in_payload(label, {{id, packed}});
    case FAULT_MISSING_STREAM:
        return stand_in_payload(label, {{id, {}}});
    case FAULT_DISK_FULL:
        return stand_in_payload(label, {{id, zlib_pack(std::vector<unsigned char>(600 * 1024, 'f'))}});
    default:
        if (!shared)
            shared = stand_in_payload("faults");
        return shared;
    }
}

// Every installed file as an earlier install left it, with a user dictionary and a user's file.
static void plant_earlier_install(const std::string &dir, bool marked_word_base)
{
    for (const InstalledFile &f : installed_files()) {
        std::string text = earlier_text(f.name);
        if (marked_word_base && f.name == "pycizudic.idx")
            text[0] = '\x80'; // an old word base the user may keep
        ASSERT_TRUE(write_file(dir + "\\" + f.name, text));
        protect_file(dir + "\\" + f.name, f.read_only, f.hidden);
    }
    ASSERT_TRUE(write_file(dir + "\\" + USER_DICTIONARY, "user words"));
    protect_file(dir + "\\" + USER_DICTIONARY, true, true);
    ASSERT_TRUE(write_file(dir + "\\" + USER_FILE, "the user's own"));
}

// Every entry of a folder: bytes (or "<folder>") and bits, by name.
typedef std::map<std::string, std::pair<std::string, DWORD>> FolderState;
static FolderState folder_state(const std::string &dir)
{
    FolderState state;
    for (const std::string &name : folder_entries(dir)) {
        std::string path = dir + "\\" + name;
        DWORD bits = attributes_of(path);
        state[name] = {bits & FILE_ATTRIBUTE_DIRECTORY ? std::string("<folder>") : text_of(path), bits};
    }
    return state;
}

// What the folder should hold: the new files up to (not including) row first_earlier, the earlier
// ones from there on; the struck file as before when struck_kept.
static FolderState expected_state(const FaultRow &row, const FolderState &before, size_t first_earlier,
                                  bool struck_kept)
{
    FolderState state;
    const std::vector<InstalledFile> &files = installed_files();
    for (size_t i = 0; i < files.size(); i++) {
        const InstalledFile &f = files[i];
        std::string text = as_text(stand_in_bytes(f.id));
        if (f.id == CONFIG_ID)
            text = row.result ? STAND_IN_CONFIG_AFTER : STAND_IN_CONFIG;
        bool kept = i >= first_earlier || (struck_kept && row.file && f.name == row.file);
        auto old = before.find(f.name);
        if (kept && old != before.end())
            state[f.name] = old->second;
        else
            state[f.name] = {text, requested_bits(f) | FILE_ATTRIBUTE_ARCHIVE};
    }
    state[USER_FILE] = before.at(USER_FILE);
    state[RECORD] = {ANY_CONTENT, 0};
    return state;
}

// Bits that tell files apart here; the rest (archive) comes and goes with the file system.
static std::map<std::string, std::pair<std::string, DWORD>> comparable(FolderState state)
{
    for (auto &entry : state)
        entry.second.second &= PROTECT | FILE_ATTRIBUTE_DIRECTORY;
    return state;
}

static void expect_folder(const FolderState &expected, const FolderState &actual)
{
    FolderState want = comparable(expected), got = comparable(actual);
    for (const auto &w : want) {
        auto g = got.find(w.first);
        if (g == got.end()) {
            ADD_FAILURE() << "missing " << w.first;
            continue;
        }
        if (w.second.first != ANY_CONTENT) {
            EXPECT_EQ(w.second.first, g->second.first) << "contents of " << w.first;
        }
        EXPECT_EQ(w.second.second, g->second.second) << "bits of " << w.first;
    }
    for (const auto &g : got)
        EXPECT_TRUE(want.count(g.first)) << "left in the folder: " << g.first;
}

// The strike itself, once the folder is ready; undone by unstrike after the run.
struct Strike {
    FileHolder holder;
    HANDLE mapping;
    const void *view;
    std::string outside; // the link's target
};

static void map_file(const std::string &path, Strike *strike)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, file) << path;
    strike->mapping = CreateFileMappingA(file, NULL, PAGE_READONLY, 0, 0, NULL);
    // Only the mapping holds the file: no handle is left for a probe to meet.
    CloseHandle(file);
    ASSERT_TRUE(strike->mapping);
    strike->view = MapViewOfFile(strike->mapping, FILE_MAP_READ, 0, 0, 0);
    ASSERT_TRUE(strike->view);
}

static void unstrike(Strike *strike)
{
    release_file(strike->holder);
    if (strike->view)
        UnmapViewOfFile(strike->view);
    if (strike->mapping)
        CloseHandle(strike->mapping);
}

static void strike_file(const FaultRow &row, const std::string &dir, const std::string &label, Strike *strike)
{
    std::string path = dir + "\\" + (row.file ? row.file : "");
    switch (row.fault) {
    case FAULT_FOLDER_AT_NAME:
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        ASSERT_TRUE(DeleteFileA(path.c_str()));
        ASSERT_TRUE(CreateDirectoryA(path.c_str(), NULL));
        break;
    case FAULT_LINK_AT_NAME:
        strike->outside = fresh_dir(label + "-outside") + "\\target.bin";
        ASSERT_TRUE(write_file(strike->outside, "outside the folder"));
        protect_file(strike->outside, true, true);
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        ASSERT_TRUE(DeleteFileA(path.c_str()));
        ASSERT_TRUE(make_host_link(path, strike->outside));
        ASSERT_EQ("outside the folder", text_of(path)) << "the link does not lead outside";
        break;
    default:
        break;
    }
}

void run_fault_row(const FaultRow &row)
{
    std::string label = fault_label(row);
    SCOPED_TRACE(label);
    ASSERT_TRUE(!row.file || recorded(row.file)) << "not an installed file";
    std::string dir = fresh_dir(label);
    std::string module = fresh_dir(label + "-module") + "\\", windows = fresh_dir(label + "-windows") + "\\";
    if (row.fault == FAULT_SETTINGS_FOLDER) {
        ASSERT_TRUE(CreateDirectoryA((module + "SCtrlSet1.bin").c_str(), NULL));
    } else {
        ASSERT_TRUE(write_file(module + "SCtrlSet1.bin", "control settings"));
    }
    ASSERT_TRUE(write_file(windows + "SCtrlSet1.bin", OLDER_SETTINGS));
    protect_file(windows + "SCtrlSet1.bin", true, true);
    HMODULE payload = payload_for(row, label);
    ASSERT_TRUE(payload);

    std::string folder = dir;
    bool legacy_menu = row.fault == FAULT_MISSING_FOLDER && !row.file;
    bool earlier = true;
    if (row.fault == FAULT_MISSING_FOLDER && row.file) {
        folder = dir + "\\missing";
        earlier = false;
    } else if (row.fault == FAULT_NEW_FOLDER) {
        folder = dir + "\\Tavik";
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), NULL));
        ASSERT_TRUE(CreateDirectoryA((folder + "\\doc").c_str(), NULL));
        earlier = false;
    }
    if (earlier) {
        ASSERT_NO_FATAL_FAILURE(plant_earlier_install(dir, row.fault == FAULT_KILLED_RUN));
    }
    if (row.fault == FAULT_KILLED_RUN) {
        ASSERT_TRUE(write_file(dir + "\\" + MARKER, MARKER_REPLACING));
        ASSERT_TRUE(write_file(dir + "\\~tvk5.tmp", "cut sh"));
        ASSERT_TRUE(write_file(dir + "\\~tvkini.tmp", "[Conf"));
        ASSERT_TRUE(write_file(dir + "\\~TVK30-2.TMP", "protected"));
        protect_file(dir + "\\~TVK30-2.TMP", true, true);
    }
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
    request.folder_is_new = row.fault == FAULT_NEW_FOLDER;
    InstallRecord record = {};
    record_install(&request, &record);

    Strike strike = {};
    ASSERT_NO_FATAL_FAILURE(strike_file(row, dir, label, &strike));
    // Read before a holder keeps anyone from reading the file.
    FolderState before = folder_state(dir);
    std::string held = row.fault == FAULT_FILE_IN_USE           ? dir + "\\" + row.file
                       : row.fault == FAULT_SETTINGS_UNREADABLE ? module + "SCtrlSet1.bin"
                                                                : "";
    if (!held.empty()) {
        strike.holder = hold_file(held);
        // The holder's ready flag is no file of the run's.
        DeleteFileA((held + ".held").c_str());
    }
    if (row.fault == FAULT_MOVE_FAILS)
        map_file(dir + "\\" + row.file, &strike);
    if (row.fault == FAULT_SETTINGS_IN_USE)
        map_file(windows + "SCtrlSet1.bin", &strike);
    int result = -1;
    if (held.empty() || strike.holder.process)
        result = run_install(&request);
    unstrike(&strike);
    ASSERT_TRUE(held.empty() || strike.holder.process) << "no holder for " << held;

    EXPECT_EQ(row.result, result);
    std::vector<int> reached;
    for (int position : ALL_POSITIONS)
        if (reached.empty() || reached.back() != row.last_position)
            reached.push_back(position);
    EXPECT_EQ(reached, record.progress);
    EXPECT_EQ(row.notices, record.notices);
    EXPECT_EQ(0, record.questions);

    FolderState after = folder_state(dir);
    size_t files = installed_files().size(), struck = files;
    for (size_t i = 0; row.file && i < files; i++)
        if (installed_files()[i].name == row.file)
            struck = i;
    switch (row.files) {
    case FILES_UNCHANGED:
        expect_folder(before, after);
        break;
    case FILES_NEW:
        expect_folder(expected_state(row, before, files, false), after);
        break;
    case FILES_NEW_BUT_STRUCK:
        expect_folder(expected_state(row, before, files, true), after);
        break;
    case FILES_NEW_UP_TO_STRUCK: {
        FolderState expected = expected_state(row, before, struck, true);
        expected[MARKER] = {MARKER_REPLACING, 0};
        expect_folder(expected, after);
        break;
    }
    case FILES_NONE:
        expect_folder(FolderState(), after);
        break;
    }
    if (row.fault == FAULT_LINK_AT_NAME) {
        std::string name = host_path(dir + "\\" + row.file);
        EXPECT_TRUE(run_on_host("test -f '" + name + "' && test ! -L '" + name + "'")) << "still a link";
        EXPECT_EQ("outside the folder", text_of(strike.outside)) << "written through the link";
        EXPECT_EQ(PROTECT, attributes_of(strike.outside) & PROTECT) << "bits changed through the link";
    }

    // The control settings: the new copy only after a run that got through and could make it.
    bool settings_struck = row.fault == FAULT_SETTINGS_FOLDER || row.fault == FAULT_SETTINGS_UNREADABLE ||
                           row.fault == FAULT_SETTINGS_IN_USE;
    EXPECT_EQ(std::vector<std::string>{"SCtrlSet1.bin"}, folder_entries(windows));
    if (row.result && !settings_struck) {
        EXPECT_EQ("control settings", text_of(windows + "SCtrlSet1.bin"));
        EXPECT_EQ(0u, attributes_of(windows + "SCtrlSet1.bin") & PROTECT);
    } else {
        EXPECT_EQ(OLDER_SETTINGS, text_of(windows + "SCtrlSet1.bin"));
        EXPECT_EQ(PROTECT, attributes_of(windows + "SCtrlSet1.bin") & PROTECT);
    }
    bool menu_group = row.result && row.fault != FAULT_MISSING_FOLDER;
    EXPECT_EQ(menu_group, read_link(group + "\\Tavik Chinese Input Engine.lnk").loaded);
    EXPECT_EQ(menu_group, read_link(group + "\\Tavik UnInstall.lnk").loaded);
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
