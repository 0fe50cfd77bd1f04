// Product profiles, special folders and the Start-menu, desktop and start-up shortcuts.
#include <gtest/gtest.h>
#include <shlobj.h>

#include "install/install.h"
#include "install/profiles.h"
#include "base/base.h"
#include "support/install_support.h"
#include "support/tavik_test.h"

// Big5 bytes, written out so that this GBK-compiled file can hold them.
#define B5_EDITOR "Tavik\xa4\xe5\xa5\xbb\xbd\x73\xbf\xe8"
#define B5_UNINSTALL "\xa8\xf8\xb8\xfc"
#define B5_ENGINE "Tavik\xa4\xa4\xa4\xe5\xbf\xe9\xa4\x4a\xa4\xde\xc0\xba"
#define B5_SMART "Tavik\xa5\xa9\xa4\xe5\xae\xd1"
#define B5_KEYLA "TavikKeyla\xbf\xe9\xa4\x4a\xaa\x6b"

typedef std::vector<std::pair<int, std::string>> Notices;
static const Notices START_MENU_FAILED = {{NOTICE_START_MENU_FAILED, ""}};

TEST(Profiles, AllFourRowsAndElevenFields)
{
    struct {
        const char *names[9];
        const char *program, *uninstaller;
    } expected[] = {
        {{"Mereda", "Tavik文本编辑", B5_EDITOR, "Mereda", "Tavik文本编辑", B5_EDITOR, "Mereda UnInstall",
          "Tavik文本编辑卸载", B5_EDITOR B5_UNINSTALL},
         "Mereda.exe",
         "MdUnInstall.exe"},
        {{"Tavik Chinese Input Engine", "Tavik中文输入引擎", B5_ENGINE, "Tavik Chinese Input Engine",
          "Tavik中文输入引擎", B5_ENGINE, "Tavik UnInstall", "Tavik输入引擎卸载",
          "Tavik\xbf\xe9\xa4\x4a\xa4\xde\xc0\xba" B5_UNINSTALL},
         "TVK.exe",
         "TVKUnInstall.exe"},
        {{"Tavik Smart Editor", "Tavik巧文书", B5_SMART, "Tavik Smart Editor", "Tavik巧文书", B5_SMART,
          "Tavik Smart Editor UnInstall", "Tavik巧文书卸载", B5_SMART B5_UNINSTALL},
         "TVKEdit.exe",
         "TVKEditUnInstall.exe"},
        {{"Mereda-Keyla", "TavikKeyla输入法", B5_KEYLA, "Mereda-Keyla", "TavikKeyla输入法", B5_KEYLA,
          "UnInstall", "卸载", B5_UNINSTALL},
         "KL.exe",
         "KLUnInstall.exe"},
    };
    ASSERT_EQ(4, PRODUCT_COUNT);
    for (int row = 0; row < PRODUCT_COUNT; row++) {
        const ProductProfile &p = product_profiles[row];
        for (int form = 0; form < 3; form++) {
            EXPECT_STREQ(expected[row].names[form], p.folder_name[form]) << row << " folder " << form;
            EXPECT_STREQ(expected[row].names[3 + form], p.shortcut_name[form]) << row << " shortcut " << form;
            EXPECT_STREQ(expected[row].names[6 + form], p.uninstall_shortcut_name[form])
                << row << " uninstall " << form;
        }
        EXPECT_STREQ(expected[row].program, p.program_file) << row;
        EXPECT_STREQ(expected[row].uninstaller, p.uninstaller_file) << row;
    }
}

TEST(Profiles, ScriptFormFollowsSystemChineseClamped)
{
    int cases[][2] = {{-5, 0}, {-1, 0}, {0, 0}, {1, 1}, {2, 2}, {3, 2}, {99, 2}};
    for (auto &c : cases)
        EXPECT_EQ(c[1], script_form(c[0])) << c[0];
}

static std::string user_name(void)
{
    char name[256];
    DWORD size = sizeof(name);
    return GetUserNameA(name, &size) ? name : "";
}

TEST(SpecialFolders, LegacyPathsFromTheWindowsFolder)
{
    std::string win = windows_folder(), user = user_name();
    ASSERT_FALSE(user.empty());
    struct {
        int is_nt, code;
        std::string expected;
    } cases[] = {
        {0, 0, win + "Desktop"},
        {0, 2, win + "start menu\\programs"},
        {0, 7, win},
        {0, 5, win},
        {1, 0, win + "profiles\\" + user + "\\Desktop"},
        {1, 2, win + "profiles\\" + user + "\\start menu\\programs"},
        {1, 7, win + "profiles\\" + user + "\\"},
    };
    for (const auto &c : cases) {
        char path[PATH_SIZE] = "untouched";
        EXPECT_EQ(1, legacy_folder_path(path, c.code, c.is_nt)) << c.is_nt << " " << c.code;
        EXPECT_EQ(c.expected, path) << c.is_nt << " " << c.code;
    }
}

TEST(SpecialFolders, ShellPathsAndTheVersionSwitch)
{
    int csidls[] = {CSIDL_DESKTOP, CSIDL_PROGRAMS, CSIDL_STARTUP};
    InstallRequest request = {};
    for (int csidl : csidls) {
        char shell[PATH_SIZE] = "", legacy[PATH_SIZE] = "", special[PATH_SIZE] = "";
        ASSERT_EQ(1, shell_folder_path(shell, csidl)) << csidl;
        EXPECT_EQ(shell_folder(csidl), shell) << csidl;
        request.os_major_is_3 = 0;
        EXPECT_EQ(1, special_folder_path(&request, special, csidl));
        EXPECT_STREQ(shell, special) << csidl;
        request.os_major_is_3 = 1;
        ASSERT_EQ(1, legacy_folder_path(legacy, csidl, request.is_nt));
        EXPECT_EQ(1, special_folder_path(&request, special, csidl));
        EXPECT_STREQ(legacy, special) << csidl;
        EXPECT_STRNE(shell, special) << csidl;
    }
    char path[PATH_SIZE] = "";
    EXPECT_EQ(0, shell_folder_path(path, 0x7e)); // no such folder
}

class Shortcuts : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        dir = fresh_dir(std::string("links-") +
                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
        for (const char *name : {"TVK.exe", "TVKUnInstall.exe", "Mereda.exe"})
            write_file(dir + "\\" + name, "MZ");
        request = {};
        request.folder = dir.c_str();
        record = {};
        record_install(&request, &record);
        programs = shell_folder(CSIDL_PROGRAMS);
        desktop = shell_folder(CSIDL_DESKTOP);
        startup = shell_folder(CSIDL_STARTUP);
        ASSERT_FALSE(programs.empty());
        ASSERT_FALSE(desktop.empty());
        ASSERT_FALSE(startup.empty());
    }
    // The notices since the last call.
    Notices notices(void)
    {
        Notices taken = record.notices;
        record.notices.clear();
        return taken;
    }
    // Checks one link made by the installer: target in the folder, its folder, its name.
    void expect_link(const std::string &link, const char *program, const char *name)
    {
        LinkInfo info = read_link(link);
        ASSERT_TRUE(info.loaded) << link;
        EXPECT_EQ(dir + "\\" + program, info.target) << link;
        EXPECT_EQ(dir, info.working_dir) << link;
        EXPECT_EQ(name, info.description) << link;
        EXPECT_EQ(dir + "\\" + program, info.icon_file) << link;
        EXPECT_EQ(0, info.icon_index) << link;
        EXPECT_EQ("", info.arguments) << link;
    }
    std::string dir, programs, desktop, startup;
    InstallRequest request;
    InstallRecord record;
};

TEST_F(Shortcuts, ShellLinkCarriesTargetFolderDescriptionAndIcon)
{
    std::string link = dir + "\\one.lnk";
    std::string target = dir + "\\TVK.exe";
    EXPECT_EQ(1, create_shell_link(target.c_str(), link.c_str(), "Tavik Chinese Input Engine"));
    expect_link(link, "TVK.exe", "Tavik Chinese Input Engine");
    // Saved again over the same file.
    EXPECT_EQ(1, create_shell_link((dir + "\\Mereda.exe").c_str(), link.c_str(), "Mereda"));
    expect_link(link, "Mereda.exe", "Mereda");
}

TEST_F(Shortcuts, TargetWithoutBackslashGetsNoWorkingFolder)
{
    std::string link = dir + "\\bare.lnk";
    EXPECT_EQ(1, create_shell_link("TVK.exe", link.c_str(), "bare"));
    LinkInfo info = read_link(link);
    ASSERT_TRUE(info.loaded);
    EXPECT_EQ("", info.working_dir);
    EXPECT_EQ("bare", info.description);
}

TEST_F(Shortcuts, UnsavableLinkFails)
{
    std::string link = dir + "\\no such folder\\x.lnk";
    EXPECT_EQ(0, create_shell_link((dir + "\\TVK.exe").c_str(), link.c_str(), "x"));
    EXPECT_FALSE(file_exists(link));
}

TEST_F(Shortcuts, MenuGroupInEachScript)
{
    struct {
        int script;
        const char *folder, *program_link, *uninstall_link;
    } cases[] = {
        {0, "Tavik Chinese Input Engine", "Tavik Chinese Input Engine", "Tavik UnInstall"},
        {-1, "Tavik Chinese Input Engine", "Tavik Chinese Input Engine", "Tavik UnInstall"},
        {1, "Tavik中文输入引擎", "Tavik中文输入引擎", "Tavik输入引擎卸载"},
        {2, B5_ENGINE, B5_ENGINE, "Tavik\xbf\xe9\xa4\x4a\xa4\xde\xc0\xba" B5_UNINSTALL},
        {3, B5_ENGINE, B5_ENGINE, "Tavik\xbf\xe9\xa4\x4a\xa4\xde\xc0\xba" B5_UNINSTALL},
    };
    for (const auto &c : cases) {
        std::string group = programs + "\\" + c.folder;
        remove_tree(group);
        request.script = c.script;
        create_menu_group(&request);
        EXPECT_EQ(Notices(), notices()) << c.script;
        EXPECT_EQ(2u, folder_entries(group).size()) << c.script;
        expect_link(group + "\\" + c.program_link + ".lnk", "TVK.exe", c.program_link);
        expect_link(group + "\\" + c.uninstall_link + ".lnk", "TVKUnInstall.exe", c.uninstall_link);
        remove_tree(group);
    }
}

TEST_F(Shortcuts, ExistingFolderIsReusedAndLinksReplaced)
{
    std::string group = programs + "\\Tavik Chinese Input Engine";
    remove_tree(group);
    ASSERT_TRUE(CreateDirectoryA(group.c_str(), NULL));
    ASSERT_TRUE(write_file(group + "\\keep.txt", "mine"));
    ASSERT_EQ(1,
              create_shell_link("C:\\elsewhere\\old.exe", (group + "\\Tavik UnInstall.lnk").c_str(), "old"));
    create_menu_group(&request);
    EXPECT_EQ(Notices(), notices());
    expect_link(group + "\\Tavik UnInstall.lnk", "TVKUnInstall.exe", "Tavik UnInstall");
    expect_link(group + "\\Tavik Chinese Input Engine.lnk", "TVK.exe", "Tavik Chinese Input Engine");
    EXPECT_TRUE(file_exists(group + "\\keep.txt"));
    remove_tree(group);
}

TEST_F(Shortcuts, OnlyTheLastShortcutDecides)
{
    std::string group = programs + "\\Tavik Test Group";
    remove_tree(group);
    ShortcutEntry first_fails[] = {{"no folder\\first", "TVK.exe"}, {"last", "TVK.exe"}, {NULL, NULL}};
    EXPECT_EQ(1, create_menu_entries(&request, "Tavik Test Group", first_fails, CSIDL_PROGRAMS));
    EXPECT_EQ(Notices(), notices());
    expect_link(group + "\\last.lnk", "TVK.exe", "last");

    ShortcutEntry last_fails[] = {{"first", "TVK.exe"}, {"no folder\\last", "TVK.exe"}, {NULL, NULL}};
    EXPECT_EQ(0, create_menu_entries(&request, "Tavik Test Group", last_fails, CSIDL_PROGRAMS));
    EXPECT_EQ(START_MENU_FAILED, notices());
    expect_link(group + "\\first.lnk", "TVK.exe", "first");
    remove_tree(group);
}

TEST_F(Shortcuts, EmptyListCreatesTheFolderAndSucceeds)
{
    std::string group = programs + "\\Tavik Empty Group";
    remove_tree(group);
    ShortcutEntry none[] = {{NULL, NULL}};
    EXPECT_EQ(1, create_menu_entries(&request, "Tavik Empty Group", none, CSIDL_PROGRAMS));
    EXPECT_EQ(Notices(), notices());
    EXPECT_TRUE(attributes_of(group) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_TRUE(folder_entries(group).empty());
    remove_tree(group);
}

TEST_F(Shortcuts, FolderThatCannotBeMadeIsReportedAndNoLinkTried)
{
    // Only the last level is created: a missing parent stops it.
    ShortcutEntry one[] = {{"one", "TVK.exe"}, {NULL, NULL}};
    EXPECT_EQ(0, create_menu_entries(&request, "Tavik Missing\\Group", one, CSIDL_PROGRAMS));
    EXPECT_EQ(Notices({{NOTICE_SHORTCUT_FOLDER_FAILED, programs + "\\Tavik Missing\\Group"}}), notices());
    EXPECT_FALSE(file_exists(programs + "\\Tavik Missing"));
}

TEST_F(Shortcuts, MissingSpecialFolderIsReported)
{
    ShortcutEntry one[] = {{"one", "TVK.exe"}, {NULL, NULL}};
    EXPECT_EQ(0, create_menu_entries(&request, "Tavik", one, 0x7e));
    EXPECT_EQ(START_MENU_FAILED, notices());
}

TEST_F(Shortcuts, TooLongPathsFailCleanly)
{
    ShortcutEntry one[] = {{"one", "TVK.exe"}, {NULL, NULL}};
    // A folder name that cannot fit behind the Programs folder: reported whole, for the
    // front end to cut to its message.
    std::string long_folder(300, 'f');
    EXPECT_EQ(0, create_menu_entries(&request, long_folder.c_str(), one, CSIDL_PROGRAMS));
    EXPECT_EQ(Notices({{NOTICE_SHORTCUT_FOLDER_FAILED, programs + "\\" + long_folder}}), notices());

    // A shortcut name too long for the link path: the Start-menu notice, no file.
    std::string group = programs + "\\Tavik Long";
    remove_tree(group);
    std::string long_name(259 - group.size() - 4, 'n'); // one byte over with ".lnk"
    ShortcutEntry too_long[] = {{long_name.c_str(), "TVK.exe"}, {NULL, NULL}};
    EXPECT_EQ(0, create_menu_entries(&request, "Tavik Long", too_long, CSIDL_PROGRAMS));
    EXPECT_EQ(START_MENU_FAILED, notices());
    EXPECT_TRUE(folder_entries(group).empty());
    remove_tree(group);

    // Desktop: "\name.lnk" must fit in 100 bytes; a longer one is skipped silently.
    std::string name_95(95, 'd'), name_94(94, 'e');
    create_desktop_shortcut(&request, "TVK.exe", name_95.c_str());
    create_desktop_shortcut(&request, "TVK.exe", name_94.c_str());
    EXPECT_EQ(Notices(), notices());
    EXPECT_FALSE(file_exists(desktop + "\\" + name_95 + ".lnk"));
    expect_link(desktop + "\\" + name_94 + ".lnk", "TVK.exe", name_94.c_str());
    DeleteFileA((desktop + "\\" + name_94 + ".lnk").c_str());
}

TEST_F(Shortcuts, ChosenDesktopAndStartUpShortcuts)
{
    std::string editor = desktop + "\\Mereda.lnk", engine = desktop + "\\Tavik Chinese Input Engine.lnk",
                auto_start = startup + "\\Tavik Chinese Input Engine.lnk";
    for (const std::string &f : {editor, engine, auto_start})
        DeleteFileA(f.c_str());
    create_chosen_shortcuts(&request); // neither box ticked: nothing
    EXPECT_FALSE(file_exists(editor));
    EXPECT_FALSE(file_exists(engine));
    EXPECT_FALSE(file_exists(auto_start));

    request.want_desktop_icon = 1;
    create_chosen_shortcuts(&request);
    expect_link(editor, "Mereda.exe", "Mereda");
    expect_link(engine, "TVK.exe", "Tavik Chinese Input Engine");
    EXPECT_FALSE(file_exists(auto_start));

    request.want_desktop_icon = 0;
    request.want_auto_start = 1;
    create_chosen_shortcuts(&request);
    expect_link(auto_start, "TVK.exe", "Tavik Chinese Input Engine");
    EXPECT_EQ(Notices(), notices());
    for (const std::string &f : {editor, engine, auto_start})
        DeleteFileA(f.c_str());
}

TEST_F(Shortcuts, LegacyFoldersWhenTheMajorVersionIsThree)
{
    request.os_major_is_3 = 1;
    std::string win = windows_folder();
    std::string legacy_programs = win + "start menu\\programs";
    CreateDirectoryA((win + "start menu").c_str(), NULL);
    CreateDirectoryA(legacy_programs.c_str(), NULL);
    CreateDirectoryA((win + "Desktop").c_str(), NULL);

    create_menu_group(&request);
    request.want_desktop_icon = 1;
    request.want_auto_start = 1;
    create_chosen_shortcuts(&request);
    EXPECT_EQ(Notices(), notices());
    std::string group = legacy_programs + "\\Tavik Chinese Input Engine";
    expect_link(group + "\\Tavik Chinese Input Engine.lnk", "TVK.exe", "Tavik Chinese Input Engine");
    expect_link(group + "\\Tavik UnInstall.lnk", "TVKUnInstall.exe", "Tavik UnInstall");
    expect_link(win + "Desktop\\Mereda.lnk", "Mereda.exe", "Mereda");
    // The start-up folder code yields the Windows folder itself.
    expect_link(win + "Tavik Chinese Input Engine.lnk", "TVK.exe", "Tavik Chinese Input Engine");
    DeleteFileA((win + "Tavik Chinese Input Engine.lnk").c_str());
    remove_tree(win + "start menu");
    remove_tree(win + "Desktop");

    // On NT the user's profile folder: missing here, so the group folder cannot be made.
    request.is_nt = 1;
    create_menu_group(&request);
    EXPECT_EQ(
        Notices({{NOTICE_SHORTCUT_FOLDER_FAILED,
                  win + "profiles\\" + user_name() + "\\start menu\\programs\\Tavik Chinese Input Engine"}}),
        notices());
}
