// Shortcut names in each script, special folders, and the Start-menu, desktop and start-up links on disk.
#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>

#include "install/install.h"
#include "install/profiles.h"
#include "base/base.h"
#include "support/install_support.h"
#include "support/tavik_test.h"

typedef std::vector<std::pair<int, std::string>> Notices;
static const Notices START_MENU_FAILED = {{NOTICE_START_MENU_FAILED, ""}};

// The names a user sees in each script: the Start-menu group, its two links, the editor's
// desktop link (the engine's desktop and start-up links take its link name).
struct ScriptNames {
    UINT code_page; // what that script's systems name files in
    const wchar_t *group, *engine, *uninstall, *editor;
};
static const ScriptNames script_names[] = {
    {1252, L"Tavik Chinese Input Engine", L"Tavik Chinese Input Engine", L"Tavik UnInstall", L"Mereda"},
    {936, L"Tavik中文输入引擎", L"Tavik中文输入引擎", L"Tavik输入引擎卸载", L"Tavik文本编辑"},
    {950, L"Tavik中文輸入引擎", L"Tavik中文輸入引擎", L"Tavik輸入引擎卸載", L"Tavik文本編輯"},
};

// A name as the bytes a system of that code page stores; "" when it has no such form.
static std::string in_code_page(UINT code_page, const wchar_t *name)
{
    char bytes[MAX_PATH];
    BOOL lost = FALSE;
    int n = WideCharToMultiByte(code_page, 0, name, -1, bytes, sizeof(bytes), NULL, &lost);
    return n > 0 && !lost ? std::string(bytes) : std::string();
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

TEST_F(Shortcuts, TargetWithoutBackslashGetsNoWorkingFolderOneInARootWorksInTheRoot)
{
    std::string link = dir + "\\bare.lnk";
    EXPECT_EQ(1, create_shell_link("TVK.exe", link.c_str(), "bare"));
    LinkInfo info = read_link(link);
    ASSERT_TRUE(info.loaded);
    EXPECT_EQ("", info.working_dir);
    EXPECT_EQ("bare", info.description);
    EXPECT_EQ(1, create_shell_link("C:\\TVK.exe", link.c_str(), "root"));
    info = read_link(link);
    ASSERT_TRUE(info.loaded);
    EXPECT_EQ("C:\\", info.working_dir);
}

TEST_F(Shortcuts, UnsavableLinkFails)
{
    std::string link = dir + "\\no such folder\\x.lnk";
    EXPECT_EQ(0, create_shell_link((dir + "\\TVK.exe").c_str(), link.c_str(), "x"));
    EXPECT_FALSE(file_exists(link));
}

TEST_F(Shortcuts, EachScriptNamesTheMenuGroupAndEveryLinkOnDisk)
{
    // The script follows the system's Chinese, clamped to the three forms.
    struct {
        int script;
        int form;
    } cases[] = {{0, 0}, {-1, 0}, {1, 1}, {2, 2}, {3, 2}};
    request.want_desktop_icon = 1;
    request.want_auto_start = 1;
    for (const auto &c : cases) {
        SCOPED_TRACE(::testing::Message() << "script " << c.script);
        const ScriptNames &names = script_names[c.form];
        std::string group = in_code_page(names.code_page, names.group),
                    engine = in_code_page(names.code_page, names.engine),
                    uninstall = in_code_page(names.code_page, names.uninstall),
                    editor = in_code_page(names.code_page, names.editor);
        ASSERT_FALSE(group.empty() || engine.empty() || uninstall.empty() || editor.empty());
        std::string folder = programs + "\\" + group;
        std::vector<std::string> desktop_links = {desktop + "\\" + editor + ".lnk",
                                                  desktop + "\\" + engine + ".lnk"};
        std::string start_link = startup + "\\" + engine + ".lnk";
        remove_tree(folder);
        for (const std::string &f : desktop_links)
            DeleteFileA(f.c_str());
        DeleteFileA(start_link.c_str());

        request.script = c.script;
        create_menu_group(&request);
        create_chosen_shortcuts(&request);
        EXPECT_EQ(Notices(), notices());
        std::vector<std::string> entries = folder_entries(folder);
        std::sort(entries.begin(), entries.end());
        std::vector<std::string> wanted = {engine + ".lnk", uninstall + ".lnk"};
        std::sort(wanted.begin(), wanted.end());
        EXPECT_EQ(wanted, entries);
        expect_link(folder + "\\" + engine + ".lnk", "TVK.exe", engine.c_str());
        expect_link(folder + "\\" + uninstall + ".lnk", "TVKUnInstall.exe", uninstall.c_str());
        expect_link(desktop_links[0], "Mereda.exe", editor.c_str());
        expect_link(desktop_links[1], "TVK.exe", engine.c_str());
        expect_link(start_link, "TVK.exe", engine.c_str());

        remove_tree(folder);
        for (const std::string &f : desktop_links)
            DeleteFileA(f.c_str());
        DeleteFileA(start_link.c_str());
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
