// A disk that fills up during the install: writes past 512 KiB come up short.
#include <gtest/gtest.h>
#include <shlobj.h>

#include "install/install.h"
#include "install/manifest.h"
#include "base/base.h"
#include "wizard/state.h"
#include "support/install_support.h"
#include "support/tavik_test.h"

static const DWORD RO = FILE_ATTRIBUTE_READONLY, HID = FILE_ATTRIBUTE_HIDDEN;

class DiskFull : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        dir = fresh_dir("full-" + name);
        copy_text(g_state.install_dir, sizeof(g_state.install_dir), dir.c_str());
        copy_text(g_state.module_dir, sizeof(g_state.module_dir), (fresh_dir("full-module") + "\\").c_str());
        copy_text(g_state.windows_dir, sizeof(g_state.windows_dir),
                  (fresh_dir("full-windows") + "\\").c_str());
        use_setup_resources();
        g_state.want_desktop_icon = 1;
        g_state.want_auto_start = 1;
        make_progress_window();
    }
    void TearDown() override { destroy_progress_window(); }
    std::string dir;
};

TEST_F(DiskFull, ShortWriteFailsAndLeavesNoFileMarkedComplete)
{
    std::vector<unsigned char> big(700 * 1024, 'x');
    EXPECT_EQ(0, write_install_file("big.bin", big.data(), big.size(), 1, 1));
    DWORD a = attributes_of(dir + "\\big.bin");
    if (a != INVALID_FILE_ATTRIBUTES) {
        EXPECT_EQ(0u, a & (RO | HID));
        EXPECT_LT(read_file(dir + "\\big.bin").size(), big.size());
    }
    // Below the limit everything works: the failure above is the limit's.
    std::vector<unsigned char> small(100 * 1024, 'y');
    EXPECT_EQ(1, write_install_file("small.bin", small.data(), small.size(), 1, 1));
    EXPECT_EQ(small, read_file(dir + "\\small.bin"));
}

TEST_F(DiskFull, RequiredFileCutShortStopsTheRunBeforeTheClosingSteps)
{
    start_message_watcher();
    int result = run_install();
    std::vector<SeenMessage> seen = stop_message_watcher();
    EXPECT_EQ(0, result);
    EXPECT_TRUE(seen.empty());
    // The first required file over 512 KiB ("CiZuFlat.igb" in the sample) ends the run.
    bool reached_failure = false;
    for (int i = 0; i < manifest_rows && !reached_failure; i++) {
        const ManifestEntry *e = &manifest[i];
        if (!e->id)
            continue;
        std::string path = dir + "\\" + e->file_name;
        std::vector<unsigned char> expected = setup_payload(e->id);
        if (expected.size() <= 512 * 1024) {
            EXPECT_EQ(expected, read_file(path)) << e->file_name;
            continue;
        }
        DWORD a = attributes_of(path);
        if (a != INVALID_FILE_ATTRIBUTES) {
            EXPECT_EQ(0u, a & (RO | HID)) << e->file_name << " is cut short but marked as installed";
        }
        reached_failure = e->stop_on_failure;
    }
    EXPECT_TRUE(reached_failure);
    // No configuration update and no shortcuts after a failed required file.
    EXPECT_FALSE(file_exists(shell_folder(CSIDL_PROGRAMS) + "\\Tavik Chinese Input Engine"));
    EXPECT_FALSE(file_exists(shell_folder(CSIDL_DESKTOPDIRECTORY) + "\\Mereda.lnk"));
    EXPECT_TRUE(folder_entries(shell_folder(CSIDL_STARTUP)).empty());
}
