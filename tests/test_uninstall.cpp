// The uninstall engine on real files and links: what goes, what stays, and no link is followed.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>
#include <functional>

#include "support/e2e_driver.h"
#include "support/e2e_faults.h"
#include "support/install_support.h"
#include "support/tavik_test.h"
#include "uninstall/uninstall.h"

typedef std::vector<std::pair<int, std::string>> Notices;

static void record_notice(void *context, int notice, const char *path)
{
    // What was removed is seen on disk.
    if (notice != UNINSTALL_REMOVED)
        ((Notices *)context)->push_back({notice, path});
}

static int uninstall(const std::string &dir, Notices *notices)
{
    UninstallRequest request = {dir.c_str(), 1, 0, {notices, record_notice}, 0};
    return run_uninstall(&request);
}

// Every installed file (its own name as content, its recorded bits), "doc", the marker and a
// temporary file of a run cut short.
static std::string lay_out_install(const std::string &scenario)
{
    std::string dir = fresh_dir("uninstall-" + scenario) + "\\Tavik";
    EXPECT_TRUE(CreateDirectoryA(dir.c_str(), NULL));
    EXPECT_TRUE(CreateDirectoryA((dir + "\\doc").c_str(), NULL));
    EXPECT_EQ(121u, installed_files().size());
    for (const InstalledFile &f : installed_files()) {
        EXPECT_TRUE(write_file(dir + "\\" + f.name, f.name));
        protect_file(dir + "\\" + f.name, f.read_only, f.hidden);
    }
    EXPECT_TRUE(write_file(dir + "\\~tvkinstall.mark", std::string("")));
    EXPECT_TRUE(write_file(dir + "\\~tvk17.tmp", std::string("staged")));
    protect_file(dir + "\\~tvk17.tmp", true, true);
    return dir;
}

static std::string outside_dir(const std::string &dir)
{
    std::string outside = dir.substr(0, dir.rfind('\\')) + "\\outside";
    CreateDirectoryA(outside.c_str(), NULL);
    return outside;
}

// Swaps an entry of the folder for a host link to target.
static void link_entry(const std::string &dir, const char *name, const std::string &target)
{
    std::string path = dir + "\\" + name;
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path.c_str());
    RemoveDirectoryA(path.c_str());
    ASSERT_TRUE(make_host_link(path, target)) << path;
}

struct FolderCase {
    const char *name;
    std::function<void(const std::string &dir, const std::string &outside)> plant;
    int result;
    std::vector<std::string> left;                    // entries left in the folder; none: the folder is gone
    std::vector<std::pair<int, std::string>> notices; // notice and name inside the folder
    std::vector<std::string> outside_files;           // outside, each with its own name as content, untouched
};

static const FolderCase folder_cases[] = {
    {"plain", nullptr, UNINSTALL_ALL_GONE, {}, {}, {}},
    {"user-file",
     [](const std::string &dir, const std::string &) { write_file(dir + "\\my notes.txt", "my notes.txt"); },
     UNINSTALL_FOLDER_KEPT,
     {"my notes.txt"},
     {{UNINSTALL_ENTRY_KEPT, "my notes.txt"}},
     {}},
    {"user-file-in-doc",
     [](const std::string &dir, const std::string &) { write_file(dir + "\\doc\\mine.txt", "mine.txt"); },
     UNINSTALL_FOLDER_KEPT,
     {"doc"},
     {{UNINSTALL_ENTRY_KEPT, "doc"}},
     {}},
    {"link-at-a-name",
     [](const std::string &dir, const std::string &outside) {
         write_file(outside + "\\secret.txt", "secret.txt");
         link_entry(dir, "tips.txt", outside + "\\secret.txt");
     },
     UNINSTALL_ALL_GONE,
     {},
     {},
     {"secret.txt"}},
    {"link-to-a-protected-file",
     [](const std::string &dir, const std::string &outside) {
         write_file(outside + "\\protected.txt", "protected.txt");
         protect_file(outside + "\\protected.txt", true, true);
         link_entry(dir, "tips.txt", outside + "\\protected.txt");
     },
     UNINSTALL_ALL_GONE,
     {},
     {},
     {"protected.txt"}},
    // A second name of one file: its bits are the other name's too.
    {"hard-link-at-a-name",
     [](const std::string &dir, const std::string &outside) {
         std::string path = dir + "\\ZiDef.dic", shared = outside + "\\shared.dic";
         write_file(shared, "shared.dic");
         protect_file(shared, true, true);
         SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
         DeleteFileA(path.c_str());
         ASSERT_TRUE(run_on_host("ln '" + host_path(shared) + "' '" + host_path(path) + "'"));
         ASSERT_EQ(attributes_of(shared), attributes_of(path));
     },
     UNINSTALL_ALL_GONE,
     {},
     {},
     {"shared.dic"}},
    // Wine's RemoveDirectoryA on a link to an empty folder removes that folder.
    {"doc-links-to-an-empty-folder",
     [](const std::string &dir, const std::string &outside) {
         CreateDirectoryA((outside + "\\empty").c_str(), NULL);
         link_entry(dir, "doc", outside + "\\empty");
     },
     UNINSTALL_FOLDER_KEPT,
     {"doc"},
     {{UNINSTALL_ENTRY_KEPT, "doc"}},
     {}},
    {"folder-at-a-name",
     [](const std::string &dir, const std::string &) {
         std::string path = dir + "\\sort.dic";
         SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
         DeleteFileA(path.c_str());
         CreateDirectoryA(path.c_str(), NULL);
         write_file(path + "\\inside.txt", "inside.txt");
     },
     UNINSTALL_FOLDER_KEPT,
     {"sort.dic"},
     {{UNINSTALL_ENTRY_KEPT, "sort.dic"}},
     {}},
};

static std::vector<std::string> names_of(const Notices &notices, const std::string &dir)
{
    std::vector<std::string> out;
    for (const auto &n : notices)
        out.push_back(std::to_string(n.first) + " " +
                      (n.second.rfind(dir + "\\", 0) == 0 ? n.second.substr(dir.size() + 1) : n.second));
    std::sort(out.begin(), out.end());
    return out;
}

TEST(Uninstall, RemovesOnlyTheSetupsNamesInTheFolderAndNeverFollowsALink)
{
    for (const FolderCase &c : folder_cases) {
        SCOPED_TRACE(c.name);
        std::string dir = lay_out_install(c.name), outside = outside_dir(dir);
        if (c.plant) {
            ASSERT_NO_FATAL_FAILURE(c.plant(dir, outside));
        }
        TreeSnapshot outside_before = snapshot_tree(outside);
        Notices notices;
        EXPECT_EQ(c.result, uninstall(dir, &notices));
        if (c.left.empty())
            EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(dir.c_str())) << "the folder stays";
        else
            EXPECT_EQ(c.left, sorted_entries(dir));
        Notices expected_notices;
        for (const auto &n : c.notices)
            expected_notices.push_back({n.first, dir + "\\" + n.second});
        EXPECT_EQ(names_of(expected_notices, dir), names_of(notices, dir));
        EXPECT_EQ(std::vector<std::string>{}, tree_differences(outside_before, snapshot_tree(outside)));
        for (const std::string &name : c.outside_files) {
            std::vector<unsigned char> content = read_file(outside + "\\" + name);
            EXPECT_EQ(name, std::string(content.begin(), content.end()));
        }
    }
    // What the user made stays as made.
    std::vector<unsigned char> notes = read_file("C:\\tavik-tests\\uninstall-user-file\\Tavik\\my notes.txt");
    EXPECT_EQ("my notes.txt", std::string(notes.begin(), notes.end()));
    EXPECT_TRUE(file_exists("C:\\tavik-tests\\uninstall-folder-at-a-name\\Tavik\\sort.dic\\inside.txt"));
}

// A running program of the folder (a file-holding helper installed as "KeylaShow.exe") holds
// "keyhook.dll" open: neither goes, each keeps its read-only and hidden bits, both are reported.
TEST(Uninstall, FilesInUseAreReportedAndKeepTheirBits)
{
    const DWORD protect = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN;
    std::string dir = lay_out_install("in-use");
    std::string program = dir + "\\KeylaShow.exe", held = dir + "\\keyhook.dll";
    SetFileAttributesA(program.c_str(), FILE_ATTRIBUTE_NORMAL);
    ASSERT_TRUE(CopyFileA(test_program("file_holder.exe").c_str(), program.c_str(), FALSE));
    protect_file(program, true, true);
    DWORD program_bits = attributes_of(program), held_bits = attributes_of(held);
    ASSERT_EQ(protect, program_bits & protect);
    ASSERT_EQ(protect, held_bits & protect);
    std::string command = "\"" + program + "\" \"" + held + "\"";
    std::vector<char> line(command.begin(), command.end());
    line.push_back(0);
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(CreateProcessA(program.c_str(), line.data(), NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi));
    CloseHandle(pi.hThread);
    for (int i = 0; i < 200 && !file_exists(held + ".held"); i++)
        Sleep(25);
    Notices notices;
    int result = uninstall(dir, &notices);
    TerminateProcess(pi.hProcess, 0);
    WaitForSingleObject(pi.hProcess, 5000);
    CloseHandle(pi.hProcess);

    EXPECT_EQ(UNINSTALL_SOME_NOT_GONE, result);
    // The uninstaller stays with them, so that the user can run it again.
    EXPECT_EQ(
        (std::vector<std::string>{"KeylaShow.exe", "TVKUnInstall.exe", "keyhook.dll", "keyhook.dll.held"}),
        sorted_entries(dir));
    EXPECT_EQ(program_bits, attributes_of(program));
    EXPECT_EQ(held_bits, attributes_of(held));
    Notices not_removed;
    for (const auto &n : notices)
        if (n.first == UNINSTALL_NOT_REMOVED)
            not_removed.push_back(n);
    EXPECT_EQ((Notices{{UNINSTALL_NOT_REMOVED, program}, {UNINSTALL_NOT_REMOVED, held}}), not_removed);
}

TEST(Uninstall, AFolderThatIsNoInstallIsLeftAsItIs)
{
    struct {
        const char *name;
        std::function<std::string(const std::string &dir)> folder; // what the request names
    } rows[] = {
        {"no-program",
         [](const std::string &dir) {
             SetFileAttributesA((dir + "\\TVK.exe").c_str(), FILE_ATTRIBUTE_NORMAL);
             DeleteFileA((dir + "\\TVK.exe").c_str());
             return dir;
         }},
        {"no-uninstaller",
         [](const std::string &dir) {
             SetFileAttributesA((dir + "\\TVKUnInstall.exe").c_str(), FILE_ATTRIBUTE_NORMAL);
             DeleteFileA((dir + "\\TVKUnInstall.exe").c_str());
             return dir;
         }},
        {"folder-is-a-link",
         [](const std::string &dir) {
             std::string link = dir + "-link";
             EXPECT_TRUE(make_host_link(link, dir));
             return link;
         }},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        std::string dir = lay_out_install(row.name);
        std::string folder = row.folder(dir);
        std::string root = dir.substr(0, dir.rfind('\\'));
        TreeSnapshot before = snapshot_tree(root);
        EXPECT_EQ(0, looks_like_install(folder.c_str()));
        Notices notices;
        EXPECT_EQ(UNINSTALL_NOT_AN_INSTALL, uninstall(folder, &notices));
        EXPECT_EQ(std::vector<std::string>{}, tree_differences(before, snapshot_tree(root)));
        EXPECT_TRUE(notices.empty());
    }
}

// The names of the shortcuts in one script form, written here apart from the product's table.
struct FormNames {
    const char *form;
    const char *group, *engine, *uninstall, *editor;
};
static const FormNames forms[] = {
    {"English", "Tavik Chinese Input Engine", "Tavik Chinese Input Engine", "Tavik UnInstall", "Mereda"},
    {"GBK", "Tavik中文输入引擎", "Tavik中文输入引擎", "Tavik输入引擎卸载", "Tavik文本编辑"},
    {"Big5", "Tavik\xA4\xA4\xA4\xE5\xBF\xE9\xA4\x4A\xA4\xDE\xC0\xBA",
     "Tavik\xA4\xA4\xA4\xE5\xBF\xE9\xA4\x4A\xA4\xDE\xC0\xBA",
     "Tavik\xBF\xE9\xA4\x4A\xA4\xDE\xC0\xBA\xA8\xF8\xB8\xFC", "Tavik\xA4\xE5\xA5\xBB\xBD\x73\xBF\xE8"},
};

TEST(Uninstall, FindsTheLinksOfEveryScriptFormAndKeepsThoseThatPointElsewhere)
{
    std::string programs = shell_folder(CSIDL_PROGRAMS), desktop = shell_folder(CSIDL_DESKTOPDIRECTORY),
                startup = shell_folder(CSIDL_STARTUP);
    ASSERT_FALSE(programs.empty() || desktop.empty() || startup.empty());
    for (const FormNames &names : forms) {
        SCOPED_TRACE(names.form);
        std::string dir = lay_out_install(std::string("links-") + names.form);
        std::string elsewhere = outside_dir(dir) + "\\TVK.exe";
        std::string group = programs + "\\" + names.group;
        ASSERT_TRUE(CreateDirectoryA(group.c_str(), NULL));
        std::vector<std::pair<std::string, std::string>> ours = {
            {group + "\\" + names.engine + ".lnk", dir + "\\TVK.exe"},
            {group + "\\" + names.uninstall + ".lnk", dir + "\\TVKUnInstall.exe"},
            {desktop + "\\" + names.editor + ".lnk", dir + "\\Mereda.exe"},
            {desktop + "\\" + names.engine + ".lnk", dir + "\\TVK.exe"},
        };
        // A link of the setup's name that starts another copy of the program is not this install's.
        std::string foreign = startup + "\\" + names.engine + ".lnk";
        for (const auto &link : ours)
            ASSERT_TRUE(create_shell_link(link.second.c_str(), link.first.c_str(), "x")) << link.first;
        ASSERT_TRUE(create_shell_link(elsewhere.c_str(), foreign.c_str(), "x"));
        ASSERT_TRUE(read_link(foreign).loaded);

        Notices notices;
        EXPECT_EQ(UNINSTALL_ALL_GONE, uninstall(dir, &notices));
        for (const auto &link : ours)
            EXPECT_FALSE(file_exists(link.first)) << link.first;
        EXPECT_FALSE(file_exists(group)) << "the emptied group stays";
        EXPECT_EQ(elsewhere, read_link(foreign).target);
        EXPECT_EQ((Notices{{UNINSTALL_LINK_KEPT, foreign}}), notices);
        DeleteFileA(foreign.c_str());
    }
}

TEST(Uninstall, AGroupWithTheUsersOwnLinkStays)
{
    std::string dir = lay_out_install("group-kept");
    std::string group = shell_folder(CSIDL_PROGRAMS) + "\\Tavik Chinese Input Engine";
    ASSERT_TRUE(CreateDirectoryA(group.c_str(), NULL));
    ASSERT_TRUE(
        create_shell_link((dir + "\\TVK.exe").c_str(), (group + "\\Tavik UnInstall.lnk").c_str(), "x"));
    ASSERT_TRUE(create_shell_link("C:\\windows\\notepad.exe", (group + "\\notes.lnk").c_str(), "x"));
    Notices notices;
    EXPECT_EQ(UNINSTALL_ALL_GONE, uninstall(dir, &notices));
    EXPECT_EQ(std::vector<std::string>{"notes.lnk"}, sorted_entries(group));
    remove_tree(group);
}

TEST(UninstallPlan, ALinkCountsOnlyWhenItsTargetLiesDirectlyInTheFolder)
{
    struct {
        const char *target;
        int in;
    } rows[] = {
        {"C:\\Apps\\Tavik\\TVK.exe", 1},  {"c:\\apps\\TAVIK\\tvk.EXE", 1},
        {"C:\\Apps\\Tavik2\\TVK.exe", 0}, {"C:\\Apps\\Tavik\\doc\\TVK.exe", 0},
        {"C:\\Apps\\TVK.exe", 0},         {"C:\\Apps\\Tavik\\", 0},
        {"C:\\Apps\\Tavik", 0},           {"TVK.exe", 0},
        {"D:\\Apps\\Tavik\\TVK.exe", 0},  {"", 0},
    };
    for (const auto &row : rows)
        EXPECT_EQ(row.in, path_in_folder(row.target, "C:\\Apps\\Tavik")) << row.target;
}
