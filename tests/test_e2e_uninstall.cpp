// The installed TVKUnInstall.exe started as its Start-menu link starts it, after a real install.
#include <windows.h>

#include <gtest/gtest.h>

#include <shlobj.h>

#include "resources/ids.h"
#include "support/e2e_driver.h"
#include "support/e2e_faults.h"
#include "support/screenshot.h"
#include "support/tavik_test.h"

#define UNINSTALL_CAPTION "Tavik Chinese Input Engine Uninstaller"

static const char *const QUESTION_CN = "确实要删除 Tavik 中文输入引擎吗？";
static const char *const QUESTION_EN = "Remove the Tavik Chinese Input Engine from this computer?";
static const char *const DONE_CN = "Tavik 中文输入引擎已全部删除。";
static const char *const DONE_EN = "The Tavik Chinese Input Engine has been removed.";
static const char *const KEPT_CN = "Tavik 中文输入引擎已删除。安装目录里有您自己的文件，目录已保留。";
static const char *const KEPT_EN =
    "Tavik was removed. Its folder was kept: it holds files the setup did not install (your own files).";
static const char *const IN_USE_CN = "以下文件正在使用，未能删除：TVK.exe";
static const char *const CHANGED_CN = "以下文件安装后被修改过，已保留：tips.txt";
static const char *const CHANGED_EN =
    "Tavik was removed, but files you changed after the install were kept, and so was their folder.";
static const char *const IN_USE_EN =
    "Some files are in use and were not removed. Quit all Tavik programs and uninstall again.";

static std::string temp_folder(void)
{
    char temp[MAX_PATH] = "";
    DWORD n = GetTempPathA(sizeof(temp), temp);
    std::string path(temp, n);
    while (!path.empty() && path.back() == '\\')
        path.pop_back();
    return path;
}

class UninstallEndToEnd : public ::testing::Test
{
  protected:
    SetupProcess setup = {}, uninstaller = {}, copy = {};
    std::string dir;

    void SetUp() override { remove_installer_shortcuts(); }
    // A process still showing a message is ended, so that no modal outlives a failed check.
    void TearDown() override
    {
        end_setup(&setup);
        end_setup(&uninstaller);
        end_setup(&copy);
    }

    // A real install with every shortcut, English names, into a new folder typed through the short
    // (8.3) form of its parent: the shortcuts and the record still name the folder's long form.
    void install(const std::string &scenario)
    {
        dir = fresh_target(scenario, "Tavik");
        char parent[MAX_PATH] = "";
        DWORD n = GetShortPathNameA(dir.substr(0, dir.rfind('\\')).c_str(), parent, sizeof(parent));
        ASSERT_TRUE(n > 0 && n < sizeof(parent));
        ASSERT_TRUE(start_setup(&setup, "C:\\"));
        ASSERT_TRUE(walk_with_path(&setup, std::string(parent) + "\\Tavik", true, true))
            << page_mismatch(setup.wizard, 3);
        StepOutcome out = install_to_end(&setup, IDC_MSG_YES);
        ASSERT_TRUE(out.final_seen && is_success(out.final_message)) << out.final_message.english;
        ASSERT_TRUE(out.exited && out.exit_code == 0);
        expect_installed_files(dir, {"doc"});
        expect_shortcuts(dir, english_names, true, true);
    }

    std::string uninstall_link(void)
    {
        return shell_folder(CSIDL_PROGRAMS) + "\\" + english_names.group + "\\" + english_names.uninstall +
               ".lnk";
    }

    // Starts what the Start-menu's uninstall link names, in its working folder, with no arguments,
    // and waits for the question.
    void start_uninstaller(MessageSeen *question)
    {
        LinkInfo info = read_link(uninstall_link());
        ASSERT_TRUE(info.loaded) << uninstall_link();
        ASSERT_EQ("", info.arguments);
        ASSERT_TRUE(start_process(&uninstaller, info.target, "", info.working_dir)) << info.target;
        ASSERT_TRUE(wait_message(&uninstaller, 30000, question, UNINSTALL_CAPTION)) << "no question";
        EXPECT_EQ(std::string(QUESTION_CN), question->chinese);
        EXPECT_EQ(std::string(QUESTION_EN), question->english);
        EXPECT_TRUE(question->english_visible);
        EXPECT_TRUE(question->yes && question->no);
        EXPECT_FALSE(question->ok || question->cancel);
    }

    // Answers Yes; the first process ends and its copy in the temporary folder shows the closing
    // message, which is checked, shot and closed.
    void answer_yes_and_close(const char *chinese, const char *english, const std::string &shot,
                              DWORD exit_code = 0)
    {
        MessageSeen question;
        ASSERT_NO_FATAL_FAILURE(start_uninstaller(&question));
        take_screenshot(shot + "-question", question.window);
        ASSERT_TRUE(answer_message(question.window, IDC_MSG_YES));
        DWORD code = 99;
        ASSERT_TRUE(wait_exit(&uninstaller, 20000, &code)) << "the first process goes on running";
        EXPECT_EQ(0u, code);

        HWND closing = wait_window(0, DIALOG_CLASS, UNINSTALL_CAPTION, 60000);
        ASSERT_TRUE(closing) << "no closing message";
        GetWindowThreadProcessId(closing, &copy.pid);
        copy.process =
            OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, copy.pid);
        ASSERT_TRUE(copy.process);
        EXPECT_NE(uninstaller.pid, copy.pid);
        char image[MAX_PATH] = "";
        DWORD size = sizeof(image);
        ASSERT_TRUE(QueryFullProcessImageNameA(copy.process, 0, image, &size));
        EXPECT_TRUE(path_within(image, temp_folder())) << image;
        EXPECT_EQ(0, lstrcmpiA(image + size - 4, ".exe")) << image;

        MessageSeen done;
        ASSERT_TRUE(wait_message(&copy, 5000, &done, UNINSTALL_CAPTION));
        EXPECT_EQ(std::string(chinese), done.chinese);
        EXPECT_EQ(std::string(english), done.english);
        EXPECT_TRUE(done.english_visible);
        EXPECT_TRUE(done.ok);
        EXPECT_FALSE(done.cancel || done.yes || done.no);
        take_screenshot(shot + "-closing", done.window);
        ASSERT_TRUE(answer_message(done.window, IDC_MSG_OK));
        ASSERT_TRUE(wait_exit(&copy, 20000, &code));
        EXPECT_EQ(exit_code, code);
    }
};

// The whole drive is compared: the install and its links go, only the temporary folder gains.
TEST_F(UninstallEndToEnd, YesRemovesTheFilesTheLinksAndTheFolderAndLeavesNothingOutsideTemp)
{
    ASSERT_NO_FATAL_FAILURE(install("uninstall-all"));
    std::string group = shell_folder(CSIDL_PROGRAMS) + "\\" + english_names.group;
    std::string desktop = shell_folder(CSIDL_DESKTOPDIRECTORY), startup = shell_folder(CSIDL_STARTUP);
    std::string temp = temp_folder();
    TreeSnapshot before = snapshot_tree("C:\\");
    ASSERT_GT(before.size(), 500u);

    ASSERT_NO_FATAL_FAILURE(answer_yes_and_close(DONE_CN, DONE_EN, "uninstall-all"));

    EXPECT_FALSE(file_exists(dir)) << dir;
    expect_no_shortcuts();
    int in_dir = 0, in_group = 0, on_desktop = 0, at_startup = 0, in_temp = 0;
    for (const std::string &line : tree_differences(before, snapshot_tree("C:\\"))) {
        std::string path = difference_path(line);
        bool removed = line.rfind("removed ", 0) == 0;
        if (path_within(path, temp))
            in_temp++;
        else if (removed && path_within(path, dir))
            in_dir++;
        else if (removed && path_within(path, group))
            in_group++;
        else if (removed && path_within(path, desktop))
            on_desktop++;
        else if (removed && path_within(path, startup))
            at_startup++;
        else
            ADD_FAILURE() << "changed outside the install and the temporary folder: " << line;
    }
    // The folder, "doc", the 121 files and the record; the group and its two links; two desktop
    // links; the start-up link; the copy that did the removing.
    EXPECT_EQ(124, in_dir);
    EXPECT_EQ(3, in_group);
    EXPECT_EQ(2, on_desktop);
    EXPECT_EQ(1, at_startup);
    EXPECT_GE(in_temp, 1);
}

TEST_F(UninstallEndToEnd, YesKeepsTheUsersOwnFileAndItsFolderAndSaysSo)
{
    ASSERT_NO_FATAL_FAILURE(install("uninstall-kept"));
    ASSERT_TRUE(write_file(dir + "\\my words.txt", std::string("the user's own")));

    ASSERT_NO_FATAL_FAILURE(answer_yes_and_close(KEPT_CN, KEPT_EN, "uninstall-kept"));

    EXPECT_EQ(std::vector<std::string>{"my words.txt"}, sorted_entries(dir));
    std::vector<unsigned char> mine = read_file(dir + "\\my words.txt");
    EXPECT_EQ("the user's own", std::string(mine.begin(), mine.end()));
    expect_no_shortcuts();
}

// A file the user changed since the install stays, named in the closing message, with its folder.
TEST_F(UninstallEndToEnd, YesKeepsAFileTheUserChangedAndNamesIt)
{
    ASSERT_NO_FATAL_FAILURE(install("uninstall-changed"));
    std::string tips = dir + "\\tips.txt";
    SetFileAttributesA(tips.c_str(), FILE_ATTRIBUTE_NORMAL);
    ASSERT_TRUE(write_file(tips, std::string("my own tips")));

    ASSERT_NO_FATAL_FAILURE(answer_yes_and_close(CHANGED_CN, CHANGED_EN, "uninstall-changed"));

    EXPECT_EQ(std::vector<std::string>{"tips.txt"}, sorted_entries(dir));
    std::vector<unsigned char> mine = read_file(tips);
    EXPECT_EQ("my own tips", std::string(mine.begin(), mine.end()));
    expect_no_shortcuts();
}

// The running engine cannot go: the closing message names it, it keeps its read-only bit, and the
// uninstaller, its shortcut and the record stay for a second run, which removes the rest.
TEST_F(UninstallEndToEnd, YesNamesTheRunningEngineAndLeavesWhatASecondRunNeeds)
{
    ASSERT_NO_FATAL_FAILURE(install("uninstall-in-use"));
    std::string engine = dir + "\\TVK.exe";
    DWORD bits = attributes_of(engine);
    ASSERT_TRUE(bits & FILE_ATTRIBUTE_READONLY);
    SetupProcess running = {};
    ASSERT_TRUE(start_process(&running, engine, "", "C:\\"));
    WaitForInputIdle(running.process, 10000);

    answer_yes_and_close(IN_USE_CN, IN_USE_EN, "uninstall-in-use", 2);
    end_setup(&running);
    ASSERT_FALSE(HasFatalFailure());

    EXPECT_EQ((std::vector<std::string>{"TVK.exe", "TVKInstall.rec", "TVKUnInstall.exe"}),
              sorted_entries(dir));
    EXPECT_EQ(bits, attributes_of(engine));
    EXPECT_TRUE(file_exists(uninstall_link()));

    ASSERT_NO_FATAL_FAILURE(answer_yes_and_close(DONE_CN, DONE_EN, "uninstall-again"));
    EXPECT_FALSE(file_exists(dir)) << dir;
    expect_no_shortcuts();
}

// The hand-over to the copy takes only the first process's handle on itself: started with the
// copy's own pseudo-handle, a made-up one or another process's, it removes nothing.
TEST_F(UninstallEndToEnd, TheCopysHandOverRefusesAnyHandleButItsStarters)
{
    ASSERT_NO_FATAL_FAILURE(install("uninstall-handles"));
    HANDLE other = NULL;
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), setup.process, GetCurrentProcess(), &other, SYNCHRONIZE,
                                TRUE, 0));
    char other_hex[32];
    snprintf(other_hex, sizeof(other_hex), "%llx", (unsigned long long)(ULONG_PTR)other);
    std::string copy_exe = fresh_dir("uninstall-handles-copy") + "\\~tvkuninstall-copy.exe";
    ASSERT_TRUE(CopyFileA((dir + "\\TVKUnInstall.exe").c_str(), copy_exe.c_str(), FALSE));
    for (const std::string &handle :
         {std::string("ffffffffffffffff"), std::string("4d2"), std::string(other_hex)}) {
        SCOPED_TRACE(handle);
        ASSERT_TRUE(start_process(&copy, copy_exe, "/remove " + handle + " " + dir, "C:\\", true));
        DWORD code = 0;
        EXPECT_TRUE(wait_exit(&copy, 40000, &code));
        EXPECT_NE(0u, code);
        end_setup(&copy);
        expect_installed_files(dir, {"doc"});
    }
    CloseHandle(other);
    expect_shortcuts(dir, english_names, true, true);
}

// Installed into the root of drive C, it is removed from there: the root itself and everything else
// in it stay as they were.
TEST_F(UninstallEndToEnd, ADriveRootInstallIsRemovedAndTheRootKept)
{
    TreeSnapshot before = snapshot_tree("C:\\");
    dir = "C:";
    ASSERT_TRUE(start_setup(&setup, "C:\\"));
    ASSERT_TRUE(walk_with_path(&setup, "C:", true, true)) << page_mismatch(setup.wizard, 3);
    StepOutcome out = install_to_end(&setup, IDC_MSG_YES);
    ASSERT_TRUE(out.final_seen && is_success(out.final_message)) << out.final_message.english;
    EXPECT_TRUE(out.question) << "a drive's root holds other files";
    expect_record_lists("C:", {});
    ASSERT_NO_FATAL_FAILURE(answer_yes_and_close(DONE_CN, DONE_EN, "uninstall-root"));
    for (const std::string &line : tree_differences(before, snapshot_tree("C:\\")))
        EXPECT_TRUE(path_within(difference_path(line), temp_folder())) << line;
    expect_no_shortcuts();
}

TEST_F(UninstallEndToEnd, NoChangesNothingAnywhere)
{
    ASSERT_NO_FATAL_FAILURE(install("uninstall-no"));
    TreeSnapshot before = snapshot_tree("C:\\");
    MessageSeen question;
    ASSERT_NO_FATAL_FAILURE(start_uninstaller(&question));
    ASSERT_TRUE(answer_message(question.window, IDC_MSG_NO));
    DWORD code = 99;
    ASSERT_TRUE(wait_exit(&uninstaller, 20000, &code));
    EXPECT_EQ(0u, code);
    // Given the time a copy would take to show up.
    EXPECT_FALSE(wait_window(0, DIALOG_CLASS, UNINSTALL_CAPTION, 3000));
    EXPECT_EQ(std::vector<std::string>{}, tree_differences(before, snapshot_tree("C:\\")));
    expect_installed_files(dir, {"doc"});
    expect_shortcuts(dir, english_names, true, true);
}
