// The install run: the manifest behind the progress bar, the word-base question, the closing steps.
#include <gtest/gtest.h>
#include <shlobj.h>

#include "install/install.h"
#include "install/manifest.h"
#include "resources/ids.h"
#include "base/base.h"
#include "wizard/state.h"
#include "support/install_support.h"
#include "support/tavik_test.h"

static const DWORD RO = FILE_ATTRIBUTE_READONLY, HID = FILE_ATTRIBUTE_HIDDEN;
static const std::vector<int> ALL_POSITIONS = {10, 15, 20, 25, 30, 35, 45, 50, 55, 65, 70, 90, 94, 97, 100};
static const char OLD_WORD_BASE_CN[] = "安装目录有老词库。是否安装新词库(会冲掉老词库)?";
static const char OLD_WORD_BASE_EN[] = "Old CiKu (Word Base) is detected. Replace it with new CiKu?";
static const char *const WORD_BASE[] = {"CiZuFlat.igb", "pxcizudic.idx", "pycizudic.idx",
                                        "py2_3ZiCi1stZuMu.idx"};
static const char CRAFTED_INI[] = "[UI_STR]\r\nOK=确定\r\n[Config]\r\nUseBmpFont=0\r\n\r\n";

static std::string as_text(const std::vector<unsigned char> &bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

// Small stand-in payloads under every manifest id: each file says which id it came from.
static std::vector<unsigned char> crafted_bytes(int id)
{
    std::string text = id == 120 ? std::string(CRAFTED_INI) : "payload " + std::to_string(id) + "\r\n";
    return std::vector<unsigned char>(text.begin(), text.end());
}

static HMODULE crafted_payload(void)
{
    static HMODULE module = NULL;
    if (!module) {
        std::vector<std::pair<int, std::vector<unsigned char>>> resources;
        for (int i = 0; i < manifest_rows; i++)
            if (manifest[i].id)
                resources.push_back({manifest[i].id, crafted_bytes(manifest[i].id)});
        module = crafted_setup_module("run", resources);
    }
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
        use_dir(dir);
        copy_text(g_state.module_dir, sizeof(g_state.module_dir), module.c_str());
        copy_text(g_state.windows_dir, sizeof(g_state.windows_dir), windows.c_str());
        g_state.system_chinese = 0;
        g_state.os_major_is_3 = 0;
        g_state.want_desktop_icon = 0;
        g_state.want_auto_start = 0;
        g_state.display_ok = 0;
        g_state.force_language = 2;
        g_state.instance = crafted_payload();
        ASSERT_TRUE(g_state.instance);
        make_progress_window();
        group = shell_folder(CSIDL_PROGRAMS) + "\\Tavik Chinese Input Engine";
        remove_tree(group);
    }
    void TearDown() override { destroy_progress_window(); }
    void use_dir(const std::string &d)
    {
        dir = d;
        copy_text(g_state.install_dir, sizeof(g_state.install_dir), d.c_str());
    }
    std::string path(const char *name) const { return dir + "\\" + name; }
    // Runs the installer, answering questions in turn; returns what it returned.
    int run(const std::vector<int> &answers = {})
    {
        start_message_watcher(answers);
        int result = run_install();
        seen = stop_message_watcher();
        return result;
    }
    void expect_crafted(const char *name)
    {
        const ManifestEntry *e = entry_named(name);
        ASSERT_TRUE(e) << name;
        EXPECT_EQ(as_text(crafted_bytes(e->id)), as_text(read_file(path(name)))) << name;
    }
    void write_word_base(const std::string &py_index)
    {
        for (const char *name : WORD_BASE)
            ASSERT_TRUE(write_file(path(name), std::string("old ") + name));
        ASSERT_TRUE(write_file(path("pycizudic.idx"), py_index));
    }
    std::string dir, module, windows, group;
    std::vector<SeenMessage> seen;
};

TEST_F(InstallRun, FullSamplePayloadIntoAFreshFolder)
{
    use_setup_resources();
    g_state.want_desktop_icon = 1;
    g_state.want_auto_start = 1;
    EXPECT_EQ(1, run());
    EXPECT_TRUE(seen.empty());
    EXPECT_EQ(ALL_POSITIONS, progress_positions());
    EXPECT_TRUE(progress_visible());
    EXPECT_EQ(0, g_state.keep_old_word_base);

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
    EXPECT_EQ(121u, folder_entries(dir).size());
    EXPECT_TRUE(read_link(group + "\\Tavik Chinese Input Engine.lnk").loaded);
    EXPECT_TRUE(read_link(group + "\\Tavik UnInstall.lnk").loaded);
    EXPECT_TRUE(read_link(shell_folder(CSIDL_DESKTOP) + "\\Mereda.lnk").loaded);
    EXPECT_TRUE(read_link(shell_folder(CSIDL_STARTUP) + "\\Tavik Chinese Input Engine.lnk").loaded);
}

TEST_F(InstallRun, CraftedPayloadLandsUnderEveryName)
{
    EXPECT_EQ(1, run());
    EXPECT_TRUE(seen.empty());
    EXPECT_EQ(ALL_POSITIONS, progress_positions());
    for (int i = 0; i < manifest_rows; i++)
        if (manifest[i].id && manifest[i].id != 120)
            expect_crafted(manifest[i].file_name);
    EXPECT_EQ("[UI_STR]\r\nOK=确定\r\n[Config]\r\nUseBmpFont=1\r\n\r\n\r\nForceLanguage=2\r\n",
              as_text(read_file(path("chipadui.ini"))));
    EXPECT_EQ(RO | HID, attributes_of(path("chipadui.ini")) & (RO | HID));
    // The English configuration stays as shipped.
    expect_crafted("chipadui_en.ini");
    EXPECT_TRUE(read_link(group + "\\Tavik UnInstall.lnk").loaded);
}

TEST_F(InstallRun, OldWordBaseKeptWhenTheAnswerIsNo)
{
    write_word_base("\x80 old index");
    protect_file(path("CiZuFlat.igb"), true, true);
    ASSERT_TRUE(write_file(path("flatAuto.dic0101"), "stale"));
    EXPECT_EQ(1, run({IDC_MSG_NO}));
    expect_one_message(seen, OLD_WORD_BASE_CN, OLD_WORD_BASE_EN);
    EXPECT_EQ(1, g_state.keep_old_word_base);
    for (const char *name : WORD_BASE) {
        if (lstrcmpA(name, "pycizudic.idx") == 0)
            continue;
        EXPECT_EQ(std::string("old ") + name, as_text(read_file(path(name)))) << name;
    }
    EXPECT_EQ("\x80 old index", as_text(read_file(path("pycizudic.idx"))));
    // Progress still passes the positions around the skipped entries.
    EXPECT_EQ(ALL_POSITIONS, progress_positions());
    expect_crafted("Mereda.exe");
    expect_crafted("ch2py.bin");
    // The user dictionaries are removed all the same.
    EXPECT_FALSE(file_exists(path("flatAuto.dic0101")));
}

TEST_F(InstallRun, OldWordBaseReplacedWhenTheAnswerIsYes)
{
    write_word_base("\xff");
    EXPECT_EQ(1, run({IDC_MSG_YES}));
    expect_one_message(seen, OLD_WORD_BASE_CN, OLD_WORD_BASE_EN);
    EXPECT_EQ(0, g_state.keep_old_word_base);
    for (const char *name : WORD_BASE)
        expect_crafted(name);
    EXPECT_EQ(ALL_POSITIONS, progress_positions());
}

TEST_F(InstallRun, NoQuestionWithoutAMarkedIndex)
{
    struct {
        const char *what, *folder;
        bool index_exists;
        std::string index;
    } cases[] = {
        {"index missing", "run-index-missing", false, ""},
        {"index empty", "run-index-empty", true, ""},
        {"first byte below 0x80", "run-index-low", true, "\x7f rest \x80"},
    };
    std::string base = dir;
    for (const auto &c : cases) {
        use_dir(fresh_dir(c.folder));
        write_word_base(c.index);
        if (!c.index_exists)
            DeleteFileA(path("pycizudic.idx").c_str());
        EXPECT_EQ(1, run({IDC_MSG_NO})) << c.what;
        EXPECT_TRUE(seen.empty()) << c.what;
        EXPECT_EQ(0, g_state.keep_old_word_base) << c.what;
        for (const char *name : WORD_BASE)
            expect_crafted(name);
    }
    use_dir(base);
}

TEST_F(InstallRun, StaleUserDictionariesAreRemovedEvenWhenProtected)
{
    std::vector<std::string> variants;
    for (int i = 0; i < 64; i++) {
        char p[PATH_SIZE];
        ASSERT_EQ(1, user_dictionary_path(p, sizeof(p), i));
        variants.push_back(p);
        ASSERT_TRUE(write_file(p, "stale"));
        if (i % 3 == 0)
            protect_file(p, true, true);
    }
    const char *lookalikes[] = {"pykeys.dic2", "flatAuto.dic00001", "flatAdjust.dic0002", "Gbkflat.dic1"};
    for (const char *name : lookalikes)
        ASSERT_TRUE(write_file(path(name), "keep"));
    EXPECT_EQ(1, run());
    for (const std::string &v : variants) {
        std::string name = v.substr(dir.size() + 1);
        if (lstrcmpiA(name.c_str(), "pykeys.dic") == 0 || lstrcmpiA(name.c_str(), "Gbkflat.dic") == 0) {
            expect_crafted(name.c_str()); // laid down again by the manifest
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
        ASSERT_EQ(1, user_dictionary_path(p, sizeof(p), i));
        EXPECT_EQ(dir + "\\" + names[i % 4] + suffix, p) << i;
    }
    char p[PATH_SIZE];
    user_dictionary_path(p, sizeof(p), 4);
    EXPECT_EQ(dir + "\\pykeys.dic0001", p);
    user_dictionary_path(p, sizeof(p), 63);
    EXPECT_EQ(dir + "\\flatAdjust.dic1111", p);
}

TEST_F(InstallRun, RequiredFileInUseStopsBeforeTheClosingSteps)
{
    ASSERT_TRUE(write_file(module + "SCtrlSet1.bin", "settings"));
    FileHolder holder = hold_file(path("Mereda.exe"));
    ASSERT_TRUE(holder.process);
    int result = run();
    release_file(holder);
    EXPECT_EQ(0, result);
    EXPECT_TRUE(seen.empty());
    std::vector<int> until_65(ALL_POSITIONS.begin(), ALL_POSITIONS.begin() + 10);
    EXPECT_EQ(until_65, progress_positions());
    expect_crafted("py2_3ZiCi1stZuMu.idx");
    EXPECT_FALSE(file_exists(path("FAQ4DisplayHanzi.igb")));
    EXPECT_FALSE(file_exists(path("cedict_ts.u8")));
    // No configuration update, no shortcuts, no settings copy.
    expect_crafted("chipadui.ini");
    EXPECT_FALSE(file_exists(group));
    EXPECT_TRUE(folder_entries(windows).empty());
}

TEST_F(InstallRun, OptionalFileInUseIsPassedOver)
{
    ASSERT_TRUE(write_file(path("TVK.exe"), "running engine"));
    FileHolder holder = hold_file(path("TVK.exe"));
    ASSERT_TRUE(holder.process);
    int result = run();
    release_file(holder);
    EXPECT_EQ(1, result);
    EXPECT_EQ(ALL_POSITIONS, progress_positions());
    EXPECT_EQ("running engine", as_text(read_file(path("TVK.exe"))));
    expect_crafted("ZiPartsStd.dat");
    expect_crafted("cedict_ts.u8");
    EXPECT_EQ(std::string::npos, as_text(read_file(path("chipadui.ini"))).find("UseBmpFont=0"));
    EXPECT_TRUE(read_link(group + "\\Tavik Chinese Input Engine.lnk").loaded);
}

TEST_F(InstallRun, ControlSettingsCopiedIntoTheWindowsFolder)
{
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
    use_dir(dir + "\\" + std::string(250 - dir.size(), 'd'));
    EXPECT_EQ(0, run());
    std::vector<int> first(ALL_POSITIONS.begin(), ALL_POSITIONS.begin() + 1);
    EXPECT_EQ(first, progress_positions());
    EXPECT_TRUE(seen.empty());
    EXPECT_TRUE(folder_entries(parent).empty());
}

TEST_F(InstallRun, ScratchBufferIsFreedOnEveryWayOut)
{
    EXPECT_EQ(1, run()); // warm-up: lasting allocations of the libraries happen here
    size_t before = committed_private_bytes();
    ASSERT_GT(before, 0u);
    for (int i = 0; i < 3; i++)
        EXPECT_EQ(1, run());
    FileHolder holder = hold_file(path("sort.dic"));
    for (int i = 0; i < 3; i++)
        EXPECT_EQ(0, run());
    release_file(holder);
    size_t after = committed_private_bytes();
    // Six runs keeping 48 MiB each would add 288 MiB.
    EXPECT_LT(after, before + 32 * 1024 * 1024) << before << " -> " << after;
}
