// The install run: the manifest behind the progress reports, the word-base question, faults, closing steps.
#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>

#include "install/install.h"
#include "install/manifest.h"
#include "base/base.h"
#include "support/e2e_driver.h"
#include "support/e2e_faults.h"
#include "support/install_support.h"
#include "support/tavik_test.h"

static const DWORD RO = FILE_ATTRIBUTE_READONLY, HID = FILE_ATTRIBUTE_HIDDEN;
static const char *const WORD_BASE[] = {"CiZuFlat.igb", "pxcizudic.idx", "pycizudic.idx",
                                        "py2_3ZiCi1stZuMu.idx"};

static std::string as_text(const std::vector<unsigned char> &bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

static HMODULE shared_stand_in(void)
{
    static HMODULE module = NULL;
    if (!module)
        module = stand_in_payload("run");
    return module;
}

static const ManifestEntry *entry_named(const char *name)
{
    for (int i = 0; i < manifest_rows; i++)
        if (manifest[i].file_name && lstrcmpiA(manifest[i].file_name, name) == 0)
            return &manifest[i];
    return NULL;
}

class InstallRun : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        dir = fresh_dir("run-" + name);
        module = fresh_dir("run-" + name + "-module") + "\\";
        windows = fresh_dir("run-" + name + "-windows") + "\\";
        request = {};
        request.payload = shared_stand_in();
        ASSERT_TRUE(request.payload);
        request.force_language = 2;
        group = shell_folder(CSIDL_PROGRAMS) + "\\Tavik Chinese Input Engine";
        remove_tree(group);
    }
    std::string path(const char *name) const { return dir + "\\" + name; }
    // Runs into dir, answering the word-base questions in turn; returns what the run returned.
    // Without reporting every callback of the request is null.
    int run(const std::vector<int> &answers = {}, bool reporting = true, bool watch_memory = false)
    {
        record = {};
        record.answers = answers;
        record.watch_memory = watch_memory;
        record_install(&request, &record);
        if (!reporting)
            request.report = {};
        request.folder = dir.c_str();
        request.module_dir = module.c_str();
        request.windows_dir = windows.c_str();
        return run_install(&request);
    }
    void expect_stand_in(const char *name)
    {
        const ManifestEntry *e = entry_named(name);
        ASSERT_TRUE(e) << name;
        EXPECT_EQ(as_text(stand_in_bytes(e->id)), as_text(read_file(path(name)))) << name;
    }
    std::string dir, module, windows, group;
    InstallRequest request;
    InstallRecord record;
};

TEST_F(InstallRun, FullSamplePayloadIntoAFreshFolder)
{
    request.payload = setup_module();
    request.want_desktop_icon = 1;
    request.want_auto_start = 1;
    size_t before = committed_private_bytes();
    EXPECT_EQ(1, run({}, true, true));
    EXPECT_TRUE(record.notices.empty());
    EXPECT_EQ(0, record.questions);
    EXPECT_EQ(ALL_POSITIONS, record.progress);
    // The 38 MB file streams through a small buffer, and the front end hears from the run
    // between files and every few chunks: at least once a file and once a MiB of the largest.
    EXPECT_LT(record.peak_private, before + 2 * 1024 * 1024) << before << " -> " << record.peak_private;
    EXPECT_GE(record.pumps, 121 + 36);
    EXPECT_GE(std::count(record.pumps_at.begin(), record.pumps_at.end(), 70), 9 + 36)
        << "pumps while the last block, with the 38 MB file, was staged";

    int files = 0;
    for (int i = 0; i < manifest_rows; i++) {
        const ManifestEntry &e = manifest[i];
        if (!e.id)
            continue;
        files++;
        std::string p = path(e.file_name);
        DWORD a = attributes_of(p);
        ASSERT_NE(INVALID_FILE_ATTRIBUTES, a) << e.file_name;
        EXPECT_EQ(e.read_only ? RO : 0, a & RO) << e.file_name;
        EXPECT_EQ(e.hidden ? HID : 0, a & HID) << e.file_name;
        std::vector<unsigned char> packed = setup_payload(e.id);
        std::vector<unsigned char> installed = read_file(p);
        if (e.id == 120) {
            // The configuration carries the choices: UseBmpFont=1, ForceLanguage=2 appended.
            std::string expected = as_text(packed);
            ASSERT_GE(expected.size(), 5u);
            expected[expected.size() - 5] = '1';
            expected += "\r\nForceLanguage=2\r\n";
            EXPECT_EQ(expected, as_text(installed));
        } else {
            EXPECT_TRUE(packed == installed) << e.file_name;
        }
    }
    EXPECT_EQ(121, files);
    EXPECT_EQ(122u, folder_entries(dir).size()) << "the files and the record";
    expect_record_lists(dir, {});
    EXPECT_TRUE(read_link(group + "\\Tavik Chinese Input Engine.lnk").loaded);
    EXPECT_TRUE(read_link(group + "\\Tavik UnInstall.lnk").loaded);
    EXPECT_TRUE(read_link(shell_folder(CSIDL_DESKTOP) + "\\Mereda.lnk").loaded);
    EXPECT_TRUE(read_link(shell_folder(CSIDL_STARTUP) + "\\Tavik Chinese Input Engine.lnk").loaded);
}

TEST_F(InstallRun, StandInPayloadLandsUnderEveryName)
{
    EXPECT_EQ(1, run());
    EXPECT_TRUE(record.notices.empty());
    EXPECT_EQ(ALL_POSITIONS, record.progress);
    for (int i = 0; i < manifest_rows; i++)
        if (manifest[i].id && manifest[i].id != 120)
            expect_stand_in(manifest[i].file_name);
    EXPECT_EQ(STAND_IN_CONFIG_AFTER, as_text(read_file(path("chipadui.ini"))));
    EXPECT_EQ(RO | HID, attributes_of(path("chipadui.ini")) & (RO | HID));
    // The English configuration stays as shipped.
    expect_stand_in("chipadui_en.ini");
    EXPECT_TRUE(read_link(group + "\\Tavik UnInstall.lnk").loaded);
}

// A folder made for a run that fails goes again, but a link put at its "doc" is neither entered nor
// removed, and the empty folder it points at stays.
TEST_F(InstallRun, AFailedRunsCleanupLeavesALinkAtDocAlone)
{
    std::vector<unsigned char> damaged = zlib_pack(stand_in_bytes(106));
    damaged[damaged.size() / 2] ^= 0x55;
    request.payload = stand_in_payload("run-doc-link", {{106, damaged}});
    ASSERT_TRUE(request.payload);
    std::string outside = fresh_dir("run-doc-link-outside") + "\\empty";
    ASSERT_TRUE(CreateDirectoryA(outside.c_str(), NULL));
    ASSERT_TRUE(make_host_link(path("doc"), outside));
    request.folder_is_new = 1;
    EXPECT_EQ(0, run());
    EXPECT_TRUE(attributes_of(outside) & FILE_ATTRIBUTE_DIRECTORY) << "the link's target was removed";
    EXPECT_EQ(std::vector<std::string>{"doc"}, sorted_entries(dir));
}

TEST_F(InstallRun, OldWordBaseStaysOnlyWhenTheUserKeepsIt)
{
    struct {
        const char *what;
        bool flat_exists, index_exists;
        std::string index;
        bool reporting; // false: every callback of the request is null
        std::vector<int> answers;
        int questions;
        bool kept;
    } rows[] = {
        {"marked index, the user keeps it", true, true, "\x80 old index", true, {0}, 1, true},
        {"marked index, the user replaces it", true, true, "\xff", true, {1}, 1, false},
        {"marked index, nobody to ask", true, true, "\x80 old index", false, {}, 0, false},
        {"index missing", true, false, "", true, {0}, 0, false},
        {"index empty", true, true, "", true, {0}, 0, false},
        {"first byte below 0x80", true, true, "\x7f rest \x80", true, {0}, 0, false},
        {"no CiZuFlat.igb beside a marked index", false, true, "\x80", true, {0}, 0, false},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.what);
        dir = fresh_dir("run-word-base");
        for (const char *name : WORD_BASE)
            ASSERT_TRUE(write_file(path(name), std::string("old ") + name));
        ASSERT_TRUE(write_file(path("pycizudic.idx"), r.index));
        if (!r.index_exists) {
            ASSERT_TRUE(DeleteFileA(path("pycizudic.idx").c_str()));
        }
        if (r.flat_exists) {
            protect_file(path("CiZuFlat.igb"), true, true);
        } else {
            ASSERT_TRUE(DeleteFileA(path("CiZuFlat.igb").c_str()));
        }
        ASSERT_TRUE(write_file(path("flatAuto.dic0101"), "stale"));

        EXPECT_EQ(1, run(r.answers, r.reporting));
        // Progress passes the same positions whether or not the word base is skipped.
        EXPECT_EQ(r.reporting ? ALL_POSITIONS : std::vector<int>(), record.progress);
        EXPECT_EQ(r.questions, record.questions);
        // The front end hears of every old word base found, asked about or not (it sets the wait pointer).
        EXPECT_EQ(r.reporting && r.flat_exists ? 1 : 0, record.word_base_checks);
        for (const char *name : WORD_BASE) {
            if (!r.kept) {
                expect_stand_in(name);
            } else if (lstrcmpA(name, "pycizudic.idx") == 0) {
                EXPECT_EQ(r.index, as_text(read_file(path(name))));
            } else {
                EXPECT_EQ(std::string("old ") + name, as_text(read_file(path(name)))) << name;
            }
        }
        expect_stand_in("Mereda.exe");
        expect_stand_in("ch2py.bin");
        // The user dictionaries go whatever the answer.
        EXPECT_FALSE(file_exists(path("flatAuto.dic0101")));
    }
}

TEST_F(InstallRun, StaleUserDictionariesAreRemovedEvenWhenProtected)
{
    std::vector<std::string> variants;
    for (int i = 0; i < 64; i++) {
        char p[PATH_SIZE];
        ASSERT_EQ(1, user_dictionary_path(p, sizeof(p), dir.c_str(), i));
        variants.push_back(p);
        ASSERT_TRUE(write_file(p, "stale"));
        if (i % 3 == 0)
            protect_file(p, true, true);
    }
    // The removed "pykeys.dic" had the system bit: the new one starts without it.
    SetFileAttributesA(variants[0].c_str(), attributes_of(variants[0]) | FILE_ATTRIBUTE_SYSTEM);
    const char *lookalikes[] = {"pykeys.dic2", "flatAuto.dic00001", "flatAdjust.dic0002", "Gbkflat.dic1"};
    for (const char *name : lookalikes)
        ASSERT_TRUE(write_file(path(name), "keep"));
    EXPECT_EQ(1, run());
    for (const std::string &v : variants) {
        std::string name = v.substr(dir.size() + 1);
        if (lstrcmpiA(name.c_str(), "pykeys.dic") == 0 || lstrcmpiA(name.c_str(), "Gbkflat.dic") == 0) {
            expect_stand_in(name.c_str()); // laid down again by the manifest
            EXPECT_FALSE(attributes_of(v) & FILE_ATTRIBUTE_SYSTEM) << v;
            continue;
        }
        EXPECT_FALSE(file_exists(v)) << v;
    }
    for (const char *name : lookalikes)
        EXPECT_EQ("keep", as_text(read_file(path(name)))) << name;
}

TEST_F(InstallRun, UserDictionaryNamesInRemovalOrder)
{
    const char *names[] = {"pykeys.dic", "Gbkflat.dic", "flatAuto.dic", "flatAdjust.dic"};
    for (int i = 0; i < 64; i++) {
        int bits = i / 4;
        std::string suffix;
        if (bits)
            for (int b = 3; b >= 0; b--)
                suffix += (bits >> b & 1) ? '1' : '0';
        char p[PATH_SIZE];
        ASSERT_EQ(1, user_dictionary_path(p, sizeof(p), dir.c_str(), i));
        EXPECT_EQ(dir + "\\" + names[i % 4] + suffix, p) << i;
    }
    char p[PATH_SIZE];
    user_dictionary_path(p, sizeof(p), dir.c_str(), 4);
    EXPECT_EQ(dir + "\\pykeys.dic0001", p);
    user_dictionary_path(p, sizeof(p), dir.c_str(), 63);
    EXPECT_EQ(dir + "\\flatAdjust.dic1111", p);
}

TEST(InstallFaults, NothingChangesUnlessEveryFileIsWholeAndAFileThatCannotBeReplacedKeepsItsMeaning)
{
    // Positions follow the manifest's order: "sort.dic" comes after 15, "ChnDic2.bin" and "tips.txt"
    // after 20, "TVK.exe" after 70; a file found in use or blocked is found once all are staged (90).
    const std::string menu = windows_folder() + "start menu\\programs\\Tavik Chinese Input Engine";
    const FaultRow rows[] = {
        // fault, struck file, result, last position, notices, what the folder holds afterwards
        {FAULT_DAMAGED_STREAM, "sort.dic", 0, 15, {}, FILES_UNCHANGED},
        {FAULT_DAMAGED_STREAM, "ChnDic2.bin", 0, 20, {}, FILES_UNCHANGED},
        {FAULT_TRAILING_BYTES, "tips.txt", 0, 20, {}, FILES_UNCHANGED},
        {FAULT_MISSING_STREAM, "TVK.exe", 0, 70, {}, FILES_UNCHANGED},
        // Read-only: the writing probe is refused before sharing counts; the reading one sees it.
        {FAULT_FILE_IN_USE, "Mereda.exe", 0, 90, {}, FILES_UNCHANGED},
        {FAULT_FILE_IN_USE, "sort.dic", 0, 90, {}, FILES_UNCHANGED},
        {FAULT_FILE_IN_USE, "TVK.exe", 1, 100, {}, FILES_NEW_BUT_STRUCK},
        {FAULT_FILE_IN_USE, "pxcizudic.idx", 1, 100, {}, FILES_NEW_BUT_STRUCK},
        {FAULT_FOLDER_AT_NAME, "readme2.igb", 0, 90, {}, FILES_UNCHANGED},
        {FAULT_FOLDER_AT_NAME, "keyhook.dll", 1, 100, {}, FILES_NEW_BUT_STRUCK},
        // Unseen by the probe: the moves before it are made, the marker stays for the next run.
        {FAULT_MOVE_FAILS, "ch2py.bin", 0, 90, {}, FILES_NEW_UP_TO_STRUCK},
        {FAULT_MOVE_FAILS, "TVK.exe", 1, 100, {}, FILES_NEW_BUT_STRUCK},
        {FAULT_LINK_AT_NAME, "TVK.exe", 1, 100, {}, FILES_NEW},
        {FAULT_LINK_AT_NAME, "chipadui.ini", 1, 100, {}, FILES_NEW},
        // A marked old word base, yet no question: after a run cut short it is replaced.
        {FAULT_KILLED_RUN, NULL, 1, 100, {}, FILES_NEW},
        {FAULT_NEW_FOLDER, "sort.dic", 0, 15, {}, FILES_NONE},
        {FAULT_MISSING_FOLDER, "pykeys.dic", 0, 10, {}, FILES_NONE},
        {FAULT_MISSING_FOLDER, NULL, 1, 100, {{NOTICE_SHORTCUT_FOLDER_FAILED, menu}}, FILES_NEW},
        {FAULT_SETTINGS_FOLDER, NULL, 1, 100, {}, FILES_NEW},
        {FAULT_SETTINGS_UNREADABLE, NULL, 1, 100, {}, FILES_NEW},
        {FAULT_SETTINGS_IN_USE, NULL, 1, 100, {}, FILES_NEW},
    };
    for (const FaultRow &row : rows)
        run_fault_row(row);
}

// Each file of the tests' own record struck alone by a folder at its name: a file that stops the
// run leaves the folder as it was, one that does not is passed over and the rest installed.
TEST(InstallFaults, EveryFileThatCannotBeReplacedFollowsItsRecordedMeaning)
{
    HMODULE payload = shared_stand_in();
    ASSERT_TRUE(payload);
    std::string module = fresh_dir("every-file-module") + "\\",
                windows = fresh_dir("every-file-windows") + "\\";
    // On a memory-backed file system where the host has one: the runs' 121 flushes each cost
    // nothing there, and the rules under test are the same.
    std::string base = "Z:\\dev\\shm\\tavik-every-file-" + std::to_string(GetCurrentProcessId());
    if (!CreateDirectoryA(base.c_str(), NULL))
        base = fresh_dir("every-file");
    std::vector<std::string> all = {"TVKInstall.rec"};
    for (const InstalledFile &f : installed_files())
        all.push_back(f.name);
    std::sort(all.begin(), all.end());
    for (const InstalledFile &f : installed_files()) {
        SCOPED_TRACE(f.name);
        std::string dir = base + "\\run";
        remove_tree(dir);
        ASSERT_TRUE(CreateDirectoryA(dir.c_str(), NULL));
        ASSERT_TRUE(CreateDirectoryA((dir + "\\" + f.name).c_str(), NULL));
        InstallRequest request = {};
        request.payload = payload;
        request.folder = dir.c_str();
        request.module_dir = module.c_str();
        request.windows_dir = windows.c_str();
        EXPECT_EQ(f.stop ? 0 : 1, run_install(&request));
        EXPECT_EQ(f.stop ? std::vector<std::string>{f.name} : all, sorted_entries(dir));
        EXPECT_TRUE(attributes_of(dir + "\\" + f.name) & FILE_ATTRIBUTE_DIRECTORY);
    }
    remove_tree(base);
    remove_tree(shell_folder(CSIDL_PROGRAMS) + "\\Tavik Chinese Input Engine");
}

TEST_F(InstallRun, ControlSettingsCopiedIntoTheWindowsFolder)
{
    // The Windows folder is everyone's: only the copy's own leftovers go.
    ASSERT_TRUE(write_file(windows + "~tvk5.tmp", "another program's"));
    ASSERT_TRUE(write_file(windows + "~tvkSCtrlSet1-3.tmp", "a copy cut short"));
    ASSERT_TRUE(write_file(module + "SCtrlSet1.bin", "control settings"));
    EXPECT_EQ(1, run());
    EXPECT_EQ((std::vector<std::string>{"SCtrlSet1.bin", "~tvk5.tmp"}), sorted_entries(windows));
    DeleteFileA((windows + "SCtrlSet1.bin").c_str());
    DeleteFileA((windows + "~tvk5.tmp").c_str());
    DeleteFileA((module + "SCtrlSet1.bin").c_str());
    EXPECT_EQ(1, run());
    EXPECT_TRUE(folder_entries(windows).empty());

    ASSERT_TRUE(write_file(module + "SCtrlSet1.bin", "control settings"));
    ASSERT_TRUE(write_file(windows + "SCtrlSet1.bin", "older settings, longer than the new"));
    protect_file(windows + "SCtrlSet1.bin", true, true);
    EXPECT_EQ(1, run());
    EXPECT_EQ("control settings", as_text(read_file(windows + "SCtrlSet1.bin")));
    EXPECT_EQ(1u, folder_entries(windows).size());
}

TEST_F(InstallRun, PathsThatDoNotFitFailCleanly)
{
    // No file name fits behind this folder: the run stops at the first required one,
    // and nothing lands in the parent under a cut-short name.
    std::string parent = dir;
    dir = dir + "\\" + std::string(250 - dir.size(), 'd');
    EXPECT_EQ(0, run());
    EXPECT_EQ(std::vector<int>{10}, record.progress);
    EXPECT_TRUE(record.notices.empty());
    EXPECT_TRUE(folder_entries(parent).empty());
}

TEST_F(InstallRun, MemoryIsFreedOnEveryWayOut)
{
    EXPECT_EQ(1, run()); // warm-up: lasting allocations of the libraries happen here
    size_t before = committed_private_bytes();
    ASSERT_GT(before, 0u);
    for (int i = 0; i < 8; i++)
        EXPECT_EQ(1, run());
    FileHolder holder = hold_file(path("sort.dic"));
    ASSERT_TRUE(holder.process);
    for (int i = 0; i < 8; i++)
        EXPECT_EQ(0, run());
    release_file(holder);
    size_t after = committed_private_bytes();
    // Sixteen runs keeping their 64 KiB buffer and staged-name table each would add 1.6 MiB.
    EXPECT_LT(after, before + 1024 * 1024) << before << " -> " << after;
}
