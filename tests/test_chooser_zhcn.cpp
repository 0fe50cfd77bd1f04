// The chooser's OK on a Chinese system: GBK folder names and a directory too long for 260 bytes.
#include <gtest/gtest.h>

#include <string>

#include "wizard/wizard.h"
#include "resources/ids.h"
#include "base/base.h"
#include "support/tavik_test.h"
#include "wizard/wizard_rules.h"

static INT_PTR CALLBACK plain_proc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

class ChineseChooser : public ::testing::Test
{
  protected:
    HWND dialog = NULL;

    void SetUp() override
    {
        ASSERT_EQ(936u, GetACP());
        use_setup_resources();
        dialog = CreateDialogParamA(g_state.instance, MAKEINTRESOURCEA(IDD_CHOOSER), NULL, plain_proc, 0);
        ASSERT_TRUE(dialog);
        ShowWindow(dialog, SW_SHOW);
        copy_text(g_state.install_dir, sizeof(g_state.install_dir), "kept");
    }
    void TearDown() override
    {
        DestroyWindow(dialog);
        SetCurrentDirectoryA("C:\\");
    }
    UINT_PTR press_ok()
    {
        return folder_hook_proc(dialog, WM_COMMAND, IDOK, (LPARAM)GetDlgItem(dialog, IDOK));
    }
};

TEST_F(ChineseChooser, AFolderEndingInTrailByte5CKeepsItsLastCharacter)
{
    std::string root = fresh_dir("chooser-gbk");
    std::string folder = root + "\\\x81\x5c"; // U+4E57, whose trail byte is a backslash code
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), NULL));
    ASSERT_TRUE(SetCurrentDirectoryA(folder.c_str()));
    EXPECT_EQ((UINT_PTR)TRUE, press_ok());
    EXPECT_STREQ(folder.c_str(), g_state.install_dir);
}

TEST_F(ChineseChooser, ADirectoryTooLongForTheAnsiBufferIsLeftToThePlatform)
{
    // 150 UTF-16 characters, but over 290 bytes in GBK.
    std::wstring dir = L"C:\\tavik-tests\\chooser-long";
    CreateDirectoryW(L"C:\\tavik-tests", NULL);
    CreateDirectoryW(dir.c_str(), NULL);
    for (int part = 0; part < 2; part++) {
        dir += L"\\" + std::wstring(65, L'\x4e2d');
        ASSERT_TRUE(CreateDirectoryW(dir.c_str(), NULL) || GetLastError() == ERROR_ALREADY_EXISTS);
    }
    ASSERT_TRUE(SetCurrentDirectoryW(dir.c_str()));
    char probe[PATH_SIZE];
    ASSERT_GT(GetCurrentDirectoryA(sizeof(probe), probe), (DWORD)sizeof(probe));
    EXPECT_EQ((UINT_PTR)FALSE, press_ok());
    EXPECT_STREQ("kept", g_state.install_dir);
    EXPECT_TRUE(IsWindowVisible(dialog)) << "the dialog is not ended";
}

TEST(ChinesePaths, ATrailByte5CIsNoBackslashUnderCodePage936)
{
    ASSERT_EQ(936u, GetACP());
    struct {
        const char *path;
        int ends;
        const char *tidied;
    } rows[] = {
        {"C:\\\x81\x5c", 0, "C:\\\x81\x5c"},     {"C:\\\x81\x5c\\", 1, "C:\\\x81\x5c"},
        {"C:\\\xd6\xd0\\ ", 0, "C:\\\xd6\xd0"},  {"C:\\\xd6", 0, "C:\\\xd6"},
        {"C:\\\x81\x5c. \\", 1, "C:\\\x81\x5c"}, // dots and blanks go, the trail byte stays
    };
    for (const auto &r : rows) {
        EXPECT_EQ(r.ends, ends_in_backslash(r.path)) << r.path;
        char path[PATH_SIZE];
        copy_text(path, sizeof(path), r.path);
        tidy_typed_path(path);
        EXPECT_STREQ(r.tidied, path) << r.path;
    }
}

TEST(ChinesePaths, ATrailByte5CSplitsNoComponentWhenLookingForDevices)
{
    ASSERT_EQ(936u, GetACP());
    struct {
        const char *path;
        int device, usable;
    } rows[] = {
        {"C:\\x\\\x81\x5cnul", 0, 1}, // one component: "\x81\x5c" then "nul"
        {"C:\\x\\\x81\x5c\\nul", 1, 0},
        {"C:\\\x81\x5c", 0, 1}, // ends in a character, not in an empty component
        {"C:\\\x81\x5c\\con.txt", 1, 0},
        {"C:\\\xd6\xd0\\\xce\xc4", 0, 1},
        {"C:\\\xd6\xd0\\con.\xd6\xd0", 1, 0}, // the extension does not matter
        {"C:\\\xd6\xd0\\\xd6\xd0"
         "con",
         0, 1},
    };
    for (const auto &r : rows) {
        EXPECT_EQ(r.device, names_a_device(r.path)) << r.path;
        EXPECT_EQ(r.usable, usable_folder_path(r.path)) << r.path;
    }
}
