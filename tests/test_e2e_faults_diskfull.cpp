// The real TavikSetup.exe on a disk that fills up: no file written past 512 KiB comes out whole.
#include <windows.h>

#include <gtest/gtest.h>

#include "resources/ids.h"
#include "support/e2e_driver.h"
#include "support/e2e_faults.h"
#include "support/tavik_test.h"

static const size_t LIMIT = 512 * 1024;

// A file that does not fit ends the run whether it is required or not: the failure message, exit 0,
// and nothing installed. No file cut short is left to pass for whole, under its own name or any
// other, and the folder the wizard made for the run is gone again.
TEST(FaultsDiskFull, InstallEndsWithTheFailureMessageAndNothingInstalled)
{
    size_t too_big = 0;
    for (const InstalledFile &f : installed_files())
        too_big += setup_payload(f.id).size() > LIMIT;
    ASSERT_GT(too_big, 0u) << "every file fits: the limit proves nothing";

    remove_installer_shortcuts();
    std::string dir = fresh_target("diskfull", "Tavik");
    std::string parent = dir.substr(0, dir.rfind('\\'));
    SetupProcess setup = {};
    ASSERT_TRUE(start_setup(&setup, "C:\\")) << "no visible wizard";
    ASSERT_TRUE(wait_page(setup.wizard, 0, 10000)) << page_mismatch(setup.wizard, 0);
    ASSERT_TRUE(walk_with_path(&setup, dir, true, true)) << page_mismatch(setup.wizard, 3);
    StepOutcome out = install_to_end(&setup, IDC_MSG_YES, "faults-diskfull");
    end_setup(&setup);
    ASSERT_TRUE(out.final_seen) << "no final message";
    EXPECT_TRUE(is_failure(out.final_message)) << out.final_message.english;
    EXPECT_GE(out.elapsed_ms, 5000u);
    EXPECT_TRUE(out.exited && out.exit_code == 0);
    EXPECT_EQ(std::vector<std::string>(), sorted_entries(parent)) << "the new folder is left behind";
    expect_no_shortcuts();
}

// Without a person the same full disk ends the run with the code for it, and nothing installed.
TEST(FaultsDiskFull, UnattendedInstallEndsWithTheDiskFullCode)
{
    std::string dir = fresh_target("diskfull-unattended", "Tavik");
    std::string parent = dir.substr(0, dir.rfind('\\'));
    SetupProcess setup = {};
    ASSERT_TRUE(start_process(&setup, setup_exe_path(), "/S /D=" + dir, "C:\\"));
    DWORD code = 0;
    EXPECT_TRUE(wait_exit(&setup, 120000, &code));
    end_setup(&setup);
    EXPECT_EQ(112u, code);
    EXPECT_EQ(std::vector<std::string>(), sorted_entries(parent)) << "the new folder is left behind";
    expect_no_shortcuts();
}
