// The real TavikSetup.exe and TVKUnInstall.exe run by switches, as the tools that deploy software run them.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "resources/ids.h"
#include "support/e2e_driver.h"
#include "support/e2e_faults.h"
#include "support/tavik_test.h"

static std::string text_of(const std::string &path)
{
    std::vector<unsigned char> bytes = read_file(path);
    return std::string(bytes.begin(), bytes.end());
}

struct WindowsSeen {
    DWORD pid;
    std::vector<std::string> *titles;
};

static BOOL CALLBACK note_window(HWND window, LPARAM context)
{
    WindowsSeen *seen = (WindowsSeen *)context;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    char text[128] = "";
    GetWindowTextA(window, text, sizeof(text));
    // Hidden ones too: under /S there must be none at all.
    std::string title = IsWindowVisible(window) ? text : std::string("(hidden) ") + text;
    if (pid == seen->pid &&
        std::find(seen->titles->begin(), seen->titles->end(), title) == seen->titles->end())
        seen->titles->push_back(title);
    return TRUE;
}

// Runs a program with arguments to its end; returns its exit code (-1 when it did not end). Every
// top-level window it had meanwhile, shown or not, goes to windows by its title.
static DWORD run_to_end(const std::string &exe, const std::string &arguments,
                        std::vector<std::string> *windows)
{
    SetupProcess process = {};
    if (!start_process(&process, exe, arguments, "C:\\"))
        return (DWORD)-1;
    WindowsSeen seen = {process.pid, windows};
    DWORD code = (DWORD)-1;
    for (int i = 0; i < 6000 && !wait_exit(&process, 20, &code); i++)
        EnumWindows(note_window, (LPARAM)&seen);
    end_setup(&process);
    return code;
}

enum { AFTER_INSTALLED, AFTER_WORD_BASE_KEPT, AFTER_NOTHING };
struct Row {
    const char *what;
    std::string arguments; // "<dir>" stands for the row's folder
    std::function<void(const std::string &dir)> plant;
    DWORD code;
    int files;
    const char *logged; // a line the log holds
};

static void plant_word_base(const std::string &dir)
{
    CreateDirectoryA(dir.c_str(), NULL);
    for (const char *name : {"CiZuFlat.igb", "pxcizudic.idx", "pycizudic.idx", "py2_3ZiCi1stZuMu.idx"})
        write_file(dir + "\\" + name, std::string("\x80 the user's ") + name);
}

TEST(Unattended, EachCommandLineEndsWithItsExitCodeAndLogsWhatItDid)
{
    const Row rows[] = {
        {"NSIS form, blanks in the folder", "/S /D=<dir>", nullptr, 0, AFTER_INSTALLED,
         "moved pykeys.dic into place"},
        {"Inno form quoted whole, and every choice",
         "-VERYSILENT \"/dir=<dir>\" /NODESKTOPICON /autostart /LANG=traditional /DISPLAYOK=yes "
         "/SUPPRESSMSGBOXES /NORESTART",
         nullptr, 0, AFTER_INSTALLED, "configuration: ForceLanguage=2"},
        {"an old word base is kept unless asked; a switch after the NSIS folder", "/D=<dir> /S",
         plant_word_base, 0, AFTER_WORD_BASE_KEPT, "kept CiZuFlat.igb"},
        {"an unknown switch", "/S /BOGUS /D=<dir>", nullptr, 87, AFTER_NOTHING, "malformed switch: /BOGUS"},
        {"a malformed value", "/VERYSILENT /LANG=klingon", nullptr, 87, AFTER_NOTHING,
         "switch: /LANG=klingon"},
        {"a folder the path rules refuse, NSIS form quoted whole", "/S \"/D=<dir>\\a|b\"", nullptr, 267,
         AFTER_NOTHING, "refused"},
        {"a folder of the user's", "/S /DIR=\"<dir>\"",
         [](const std::string &dir) {
             CreateDirectoryA(dir.c_str(), NULL);
             write_file(dir + "\\notes.txt", std::string("mine"));
         },
         267, AFTER_NOTHING, "it holds other files"},
    };
    const std::vector<std::string> word_base = {"CiZuFlat.igb", "pxcizudic.idx", "pycizudic.idx",
                                                "py2_3ZiCi1stZuMu.idx"};
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); i++) {
        const Row &r = rows[i];
        SCOPED_TRACE(r.what);
        remove_installer_shortcuts();
        std::string dir = fresh_dir("unattended-" + std::to_string(i)) + "\\Tavik Engine";
        if (r.plant)
            r.plant(dir);
        std::string log = fresh_dir("unattended-logs") + "\\setup.log", arguments = r.arguments;
        size_t at = arguments.find("<dir>");
        if (at != std::string::npos)
            arguments.replace(at, 5, dir);
        std::vector<std::string> windows;
        EXPECT_EQ(r.code, run_to_end(setup_exe_path(), "/LOG=\"" + log + "\" " + arguments, &windows));
        EXPECT_EQ(std::vector<std::string>{}, windows) << "a window under " << arguments;
        std::string text = text_of(log), last = "exit code " + std::to_string(r.code) + "\r\n";
        EXPECT_NE(std::string::npos, text.find(r.logged)) << text;
        EXPECT_EQ(text.size() - last.size(), text.rfind(last)) << "last line of\n" << text;
        if (r.files == AFTER_NOTHING)
            EXPECT_EQ(0, expect_present_files_whole(dir)) << dir;
        else
            expect_installed_files(dir,
                                   r.plant ? std::vector<std::string>{} : std::vector<std::string>{"doc"},
                                   r.files == AFTER_WORD_BASE_KEPT ? word_base : std::vector<std::string>{});
        if (i == 0) {
            expect_config(dir, '1', 0); // a code page that is not Chinese: the answer no
            expect_shortcuts(dir, english_names, true, false);
        } else if (i == 1) {
            expect_config(dir, '0', 2);
            expect_shortcuts(dir, english_names, false, true);
        } else if (i == 2) {
            EXPECT_EQ(std::string("\x80 the user's CiZuFlat.igb"), text_of(dir + "\\CiZuFlat.igb"));
        }
    }
}

// Causes the run meets on the way, each with its code: a required file in use, another setup running,
// a damaged copy of the installer; nothing is changed by any of them.
TEST(Unattended, RealCausesGiveTheirCodesAndChangeNothing)
{
    std::string media = fresh_dir("unattended-causes-media"), damaged = media + "\\TavikSetup.exe";
    ASSERT_TRUE(copy_with_damaged_stream(setup_exe_path(), damaged, 131));
    std::string dir = fresh_dir("unattended-causes") + "\\Tavik";
    CreateDirectoryA(dir.c_str(), NULL);
    ASSERT_TRUE(write_file(dir + "\\TVK.exe", std::string("an earlier install")));
    ASSERT_TRUE(write_file(dir + "\\Mereda.exe", std::string("the editor, running")));
    TreeSnapshot before = snapshot_tree(dir);
    std::vector<std::string> windows;
    FileHolder holder = hold_file(dir + "\\Mereda.exe");
    ASSERT_TRUE(holder.process);
    EXPECT_EQ(32u, run_to_end(setup_exe_path(), "/S /D=" + dir, &windows));
    release_file(holder);
    DeleteFileA((dir + "\\Mereda.exe.held").c_str());
    EXPECT_EQ(13u, run_to_end(damaged, "/S /D=" + dir, &windows));
    SetupProcess wizard = {};
    ASSERT_TRUE(start_setup(&wizard, "C:\\"));
    EXPECT_EQ(1618u, run_to_end(setup_exe_path(), "/VERYSILENT /D=" + dir, &windows));
    end_setup(&wizard);
    EXPECT_EQ(std::vector<std::string>{}, windows);
    EXPECT_EQ(std::vector<std::string>{}, tree_differences(before, snapshot_tree(dir)));
    expect_no_shortcuts();
}

// /SILENT shows the installing view alone, then ends; /? shows the usage in the message dialog.
TEST(Unattended, SilentShowsOnlyTheProgressAndHelpShowsTheUsage)
{
    remove_installer_shortcuts();
    std::string dir = fresh_dir("unattended-silent") + "\\Tavik";
    std::vector<std::string> windows;
    EXPECT_EQ(0u, run_to_end(setup_exe_path(), "/SILENT /D=" + dir, &windows));
    EXPECT_EQ(1, std::count(windows.begin(), windows.end(), std::string(WIZARD_CAPTION)));
    for (const std::string &title : windows) // a system's own hidden windows (its input method's) aside
        EXPECT_TRUE(title == WIZARD_CAPTION || title.rfind("(hidden) ", 0) == 0) << title;
    expect_installed_files(dir, {"doc"});

    SetupProcess help = {};
    ASSERT_TRUE(start_process(&help, setup_exe_path(), "/?", "C:\\"));
    MessageSeen usage;
    ASSERT_TRUE(wait_message(&help, 30000, &usage));
    take_screenshot("unattended-usage", usage.window);
    EXPECT_NE(std::string::npos, usage.chinese.find("退出码：0 安装成功")) << usage.chinese;
    EXPECT_NE(std::string::npos, usage.english.find("1618 another setup running")) << usage.english;
    EXPECT_TRUE(usage.ok && !usage.yes);
    ASSERT_TRUE(answer_message(usage.window, IDC_MSG_OK));
    DWORD code = 99;
    EXPECT_TRUE(wait_exit(&help, 20000, &code));
    EXPECT_EQ(0u, code);
    end_setup(&help);
}

// TVKUnInstall.exe /S: no question and no window; the process the caller started waits for the copy
// in the temporary folder and ends with its code, after which the install and its links are gone.
TEST(Unattended, UninstallerWithoutAPersonEndsWithTheCopysCode)
{
    remove_installer_shortcuts();
    std::string dir = fresh_dir("unattended-uninstall") + "\\Tavik  exit 5"; // no word of the copy
    std::vector<std::string> windows;
    ASSERT_EQ(0u, run_to_end(setup_exe_path(), "/S /AUTOSTART /D=" + dir, &windows));
    std::string uninstaller = dir + "\\TVKUnInstall.exe";
    std::string kept = fresh_dir("unattended-uninstall-kept");
    ASSERT_TRUE(CopyFileA(uninstaller.c_str(), (kept + "\\TVKUnInstall.exe").c_str(), FALSE));
    EXPECT_EQ(1605u, run_to_end(kept + "\\TVKUnInstall.exe", "/S", &windows)) << "no install beside it";
    EXPECT_EQ(87u, run_to_end(uninstaller, "/S /DIR=C:\\", &windows));

    std::string log = fresh_dir("unattended-uninstall-log") + "\\removal.log";
    EXPECT_EQ(0u, run_to_end(uninstaller, "/VERYSILENT /LOG=\"" + log + "\"", &windows));
    EXPECT_EQ(std::vector<std::string>{}, windows);
    std::string text = text_of(log);
    EXPECT_NE(std::string::npos, text.find("removed " + dir + "\\pykeys.dic")) << text;
    EXPECT_EQ(text.size() - 13, text.rfind("exit code 0\r\n")) << text;
    for (int i = 0; i < 100 && file_exists(dir); i++)
        Sleep(100); // the copy takes the program and the folder once the first process has ended
    EXPECT_FALSE(file_exists(dir));
    expect_no_shortcuts();
}
