// The shortcut step on a simplified-Chinese system: GBK-named folder and links on disk.
#include <gtest/gtest.h>
#include <shlobj.h>

#include "install/install.h"
#include "base/base.h"
#include "support/install_support.h"
#include "support/tavik_test.h"

static bool exists_wide(const std::wstring &path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

static std::wstring shell_folder_wide(int csidl)
{
    WCHAR path[MAX_PATH] = L"";
    SHGetFolderPathW(NULL, csidl, NULL, SHGFP_TYPE_CURRENT, path);
    return path;
}

TEST(ShortcutsZhcn, WholeShortcutStepUsesTheSimplifiedNames)
{
    ASSERT_EQ(936u, GetACP());
    std::string dir = fresh_dir("links-zhcn");
    for (const char *name : {"TVK.exe", "TVKUnInstall.exe", "Mereda.exe"})
        write_file(dir + "\\" + name, "MZ");
    InstallRequest request = {};
    request.folder = dir.c_str();
    request.script = 1;
    // The interface language the user picked does not matter for the names.
    request.force_language = 0;
    request.want_desktop_icon = 1;
    request.want_auto_start = 1;
    InstallRecord record = {};
    record_install(&request, &record);

    std::wstring programs = shell_folder_wide(CSIDL_PROGRAMS), desktop = shell_folder_wide(CSIDL_DESKTOP),
                 startup = shell_folder_wide(CSIDL_STARTUP);
    std::wstring group = programs + L"\\Tavik中文输入引擎";
    ASSERT_FALSE(exists_wide(group));

    create_menu_group(&request);
    create_chosen_shortcuts(&request);
    EXPECT_TRUE(record.notices.empty());

    // The names on disk are the Chinese characters themselves.
    EXPECT_TRUE(GetFileAttributesW(group.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_TRUE(exists_wide(group + L"\\Tavik中文输入引擎.lnk"));
    EXPECT_TRUE(exists_wide(group + L"\\Tavik输入引擎卸载.lnk"));
    EXPECT_TRUE(exists_wide(desktop + L"\\Tavik文本编辑.lnk"));
    EXPECT_TRUE(exists_wide(desktop + L"\\Tavik中文输入引擎.lnk"));
    EXPECT_TRUE(exists_wide(startup + L"\\Tavik中文输入引擎.lnk"));
    EXPECT_FALSE(exists_wide(programs + L"\\Tavik Chinese Input Engine"));
    EXPECT_FALSE(exists_wide(desktop + L"\\Mereda.lnk"));

    // Read back through the ANSI interface: GBK names, targets in the folder.
    std::string group_a = shell_folder(CSIDL_PROGRAMS) + "\\Tavik中文输入引擎";
    struct {
        std::string link, target, name;
    } links[] = {
        {group_a + "\\Tavik中文输入引擎.lnk", dir + "\\TVK.exe", "Tavik中文输入引擎"},
        {group_a + "\\Tavik输入引擎卸载.lnk", dir + "\\TVKUnInstall.exe", "Tavik输入引擎卸载"},
        {shell_folder(CSIDL_DESKTOP) + "\\Tavik文本编辑.lnk", dir + "\\Mereda.exe", "Tavik文本编辑"},
        {shell_folder(CSIDL_STARTUP) + "\\Tavik中文输入引擎.lnk", dir + "\\TVK.exe", "Tavik中文输入引擎"},
    };
    for (const auto &l : links) {
        LinkInfo info = read_link(l.link);
        ASSERT_TRUE(info.loaded) << l.link;
        EXPECT_EQ(l.target, info.target) << l.link;
        EXPECT_EQ(l.name, info.description) << l.link;
        EXPECT_EQ(dir, info.working_dir) << l.link;
    }
}

TEST(ShortcutsZhcn, FolderNoticeNamesTheGbkPath)
{
    InstallRequest request = {};
    request.folder = "C:\\tavik-tests";
    request.script = 1;
    InstallRecord record = {};
    record_install(&request, &record);
    ShortcutEntry one[] = {{"一", "TVK.exe"}, {NULL, NULL}};
    EXPECT_EQ(0, create_menu_entries(&request, "没有\\目录", one, CSIDL_PROGRAMS));
    std::vector<std::pair<int, std::string>> expected = {
        {NOTICE_SHORTCUT_FOLDER_FAILED, shell_folder(CSIDL_PROGRAMS) + "\\没有\\目录"}};
    EXPECT_EQ(expected, record.notices);
}
