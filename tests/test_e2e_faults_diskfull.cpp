// The real TavikSetup.exe on a disk that fills up: no file written past 512 KiB comes out whole.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "resources/ids.h"
#include "support/e2e_driver.h"
#include "support/e2e_faults.h"
#include "support/tavik_test.h"

static const size_t LIMIT = 512 * 1024;

// The run stops at the first required file that does not fit: the failure message, exit 0. Files
// before it are whole with their bits; the one cut short is not left behind to pass for whole
// (it asks for no attributes, so its bits could not tell), and nothing comes after it.
TEST(FaultsDiskFull, InstallEndsWithTheFailureMessageAndNoFilePassesForWhole)
{
    remove_installer_shortcuts();
    std::string dir = fresh_target("diskfull", "Tavik");
    SetupProcess setup = {};
    ASSERT_TRUE(start_setup(&setup, "C:\\")) << "no visible wizard";
    ASSERT_TRUE(wait_page(setup.wizard, 0, 10000)) << page_mismatch(setup.wizard, 0);
    ASSERT_TRUE(walk_with_path(&setup, dir, true, true)) << page_mismatch(setup.wizard, 3);
    StepOutcome out = install_to_end(&setup, IDC_MSG_YES);
    end_setup(&setup);
    ASSERT_TRUE(out.final_seen) << "no final message";
    EXPECT_TRUE(is_failure(out.final_message)) << out.final_message.english;
    EXPECT_GE(out.elapsed_ms, 5000u);
    EXPECT_TRUE(out.exited && out.exit_code == 0);

    std::vector<std::string> expected = {"doc"};
    const char *stopped_at = NULL;
    for (const InstalledFile &f : installed_files()) {
        if (stopped_at)
            break;
        if (setup_payload(f.id).size() <= LIMIT)
            expected.push_back(f.name);
        else if (f.stop)
            stopped_at = f.name.c_str();
    }
    ASSERT_TRUE(stopped_at) << "every file fits: the limit proves nothing";
    EXPECT_STREQ("CiZuFlat.igb", stopped_at);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, sorted_entries(dir));
    EXPECT_EQ((int)expected.size() - 1, expect_present_files_whole(dir));
    expect_no_shortcuts();
}
