// The real TavikSetup.exe on a Simplified-Chinese system installing into folders with GBK names.
#include <windows.h>

#include <gtest/gtest.h>

#include "resources/ids.h"
#include "support/e2e_driver.h"
#include "support/e2e_faults.h"
#include "support/tavik_test.h"

class FaultsChinese : public ::testing::Test
{
  protected:
    SetupProcess setup = {};
    void SetUp() override { remove_installer_shortcuts(); }
    void TearDown() override { end_setup(&setup); }
};

// "淺" (0x9C 0x5C) and "禱" (0xB6 0x5C) end in the byte of a backslash. Typed with a real
// backslash after it, the folder must still be exactly that folder: the files, the "doc"
// folder and the shortcuts' targets and working folders all inside it.
TEST_F(FaultsChinese, FolderNamesWithBackslashTrailBytesHoldTheWholeInstall)
{
    ASSERT_EQ(936u, GetACP());
    ASSERT_EQ(std::string("\x9C\x5C"), std::string("淺"));
    ASSERT_EQ(std::string("\xB6\x5C"), std::string("禱"));
    std::string parent = fresh_dir("faults-gbk") + "\\安装淺测试";
    ASSERT_TRUE(CreateDirectoryA(parent.c_str(), NULL));
    std::string dir = parent + "\\Tavik输入禱";

    ASSERT_TRUE(start_setup(&setup, "C:\\")) << "no visible wizard";
    ASSERT_TRUE(wait_page(setup.wizard, 0, 10000)) << page_mismatch(setup.wizard, 0);

    // A missing GBK parent is refused like any other.
    ASSERT_TRUE(walk_with_path(&setup, parent + "\\不在淺\\Tavik禱", true, true));
    post_command(setup.wizard, IDC_NEXT);
    MessageSeen m;
    ASSERT_TRUE(wait_message(&setup, 20000, &m));
    EXPECT_EQ("Cannot create folder! Please check folder path.", m.english);
    ASSERT_TRUE(answer_message(m.window, IDC_MSG_OK));
    ASSERT_TRUE(sync_wizard(setup.wizard));
    ASSERT_EQ(3, current_page(setup.wizard)) << page_mismatch(setup.wizard, 3);
    EXPECT_EQ(std::vector<std::string>(), sorted_entries(parent));

    for (int page = 2; page >= 0; page--) {
        post_command(setup.wizard, IDC_BACK);
        ASSERT_TRUE(wait_page(setup.wizard, page, 10000)) << page_mismatch(setup.wizard, page);
    }
    ASSERT_TRUE(walk_with_path(&setup, dir + "\\", true, true)) << page_mismatch(setup.wizard, 3);
    EXPECT_EQ(dir + "\\", control_text(setup.wizard, IDC_PATH)) << "the GBK path survives the edit box";
    StepOutcome out = install_to_end(&setup, IDC_MSG_YES, "faults-gbk");
    ASSERT_TRUE(out.final_seen) << "no final message";
    EXPECT_TRUE(is_success(out.final_message)) << out.final_message.english;
    EXPECT_FALSE(out.question);
    EXPECT_TRUE(out.exited && out.exit_code == 0);

    // Nothing beside the folder (such as "Tavik输入禱doc"), everything inside it.
    EXPECT_EQ(std::vector<std::string>{"Tavik输入禱"}, sorted_entries(parent));
    EXPECT_TRUE(attributes_of(dir + "\\doc") & FILE_ATTRIBUTE_DIRECTORY);
    expect_installed_files(dir, {"doc"});
    expect_config(dir, '0', 0);
    expect_shortcuts(dir, simplified_names, true, true);
}
