// The real TavikSetup.exe on a Simplified-Chinese system: GBK paths, messages and shortcut names.
#include <windows.h>

#include <gtest/gtest.h>

#include <commctrl.h>
#include <shlobj.h>

#include "resources/ids.h"
#include "support/e2e_driver.h"
#include "support/screenshot.h"
#include "support/tavik_test.h"

class EndToEndChinese : public ::testing::Test
{
  protected:
    SetupProcess setup = {};
    void SetUp() override { remove_installer_shortcuts(); }
    void TearDown() override { end_setup(&setup); }
};

// Shortcuts follow the system's language (Simplified), not the interface language chosen (English).
TEST_F(EndToEndChinese, InstallIntoChineseFolderWithGbkShortcutNames)
{
    ASSERT_EQ(936u, GetACP());
    ASSERT_EQ(0x0804, GetSystemDefaultLangID());
    std::string dir = fresh_target("zhcn", "输入法");
    ASSERT_TRUE(start_setup(&setup, "C:\\")) << "no visible wizard";
    HWND w = setup.wizard;
    ASSERT_TRUE(wait_page(w, 0, 10000)) << page_mismatch(w, 0);
    EXPECT_EQ("C:\\Tavik", control_text(w, IDC_PATH));
    take_screenshot("zhcn-1-page0", w);
    ASSERT_TRUE(set_control_text(w, IDC_PATH, dir));
    EXPECT_EQ(dir, control_text(w, IDC_PATH)) << "the GBK path survives the edit box";
    click_check(w, IDC_AUTO_START);
    ASSERT_EQ(BST_CHECKED, check_state(w, IDC_DESKTOP_ICON));

    ASSERT_TRUE(walk_to_page(&setup, 1, IDC_DISPLAY_OK));
    take_screenshot("zhcn-2-page1", w);
    post_command(w, IDC_NEXT);
    MessageSeen m;
    ASSERT_TRUE(wait_message(&setup, 10000, &m));
    EXPECT_EQ("请您回答提问.", m.chinese);
    EXPECT_EQ("Please select a choice.", m.english);
    take_screenshot("zhcn-3-no-answer", m.window);
    ASSERT_TRUE(answer_message(m.window, IDC_MSG_OK));

    ASSERT_TRUE(walk_to_page(&setup, 2, IDC_DISPLAY_OK)) << page_mismatch(w, 2);
    click_check(w, IDC_LICENCE_ENGLISH);
    ASSERT_TRUE(sync_wizard(w));
    EXPECT_TRUE(control_visible(w, IDC_LICENCE_CN_LIST));
    EXPECT_GT(list_count(w, IDC_LICENCE_CN_LIST), 10);
    take_screenshot("zhcn-4-page2-chinese", w);
    ASSERT_TRUE(walk_to_page(&setup, 3, IDC_DISPLAY_OK)) << page_mismatch(w, 3);
    ASSERT_EQ(0, combo_selection(w, IDC_LANGUAGE)) << "English is preselected on every system";
    ASSERT_EQ(0, combo_item_data(w, IDC_LANGUAGE, 0));
    EXPECT_EQ("English 英文", combo_item_text(w, IDC_LANGUAGE, 0));
    take_screenshot("zhcn-5-page3", w);

    MessageSeen final_message;
    ULONGLONG elapsed = 0;
    bool question = true;
    ASSERT_TRUE(run_install_step(&setup, IDC_MSG_YES, &final_message, &elapsed, &question, "zhcn-6"));
    EXPECT_FALSE(question);
    EXPECT_GE(elapsed, 5000u);
    EXPECT_EQ("祝贺您：安装顺利完成！", final_message.chinese);
    EXPECT_EQ("Congratulations! Installation Success!", final_message.english);
    EXPECT_TRUE(final_message.ok);
    EXPECT_EQ(100, SendMessageA(GetDlgItem(w, IDC_PROGRESS), PBM_GETPOS, 0, 0));
    take_screenshot("zhcn-7-final", final_message.window);
    ASSERT_TRUE(answer_message(final_message.window, IDC_MSG_OK));
    DWORD code = 99;
    ASSERT_TRUE(wait_exit(&setup, 20000, &code));
    EXPECT_EQ(0u, code);

    expect_installed_files(dir, {"doc"});
    expect_config(dir, '0', 0);
    expect_shortcuts(dir, simplified_names, true, true);
    EXPECT_FALSE(file_exists(shell_folder(CSIDL_PROGRAMS) + "\\" + english_names.group));
}
