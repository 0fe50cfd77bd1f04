// The real TavikSetup.exe on an English system against bad paths, a damaged exe, a kill, and what it writes.
#include <windows.h>

#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>

#include "install/manifest.h"
#include "resources/ids.h"
#include "support/e2e_driver.h"
#include "support/e2e_faults.h"
#include "support/tavik_test.h"

static const char *const NO_FOLDER_CN =
    "无法建目录。请检查所列目录是否合法（注意：子目录只能在已存在的目录下建）。";
static const char *const NO_FOLDER_EN = "Cannot create folder! Please check folder path.";
// "kl_bihua1_dups_prefered_codes.bin", the longest installed name.
static const size_t LONGEST_NAME = 33;

class Faults : public ::testing::Test
{
  protected:
    SetupProcess setup = {};
    void SetUp() override { remove_installer_shortcuts(); }
    void TearDown() override { end_setup(&setup); }

    void start(const std::string &exe = "")
    {
        ASSERT_TRUE(start_setup(&setup, "C:\\", exe)) << "no visible wizard \"" WIZARD_CAPTION "\"";
        ASSERT_TRUE(wait_page(setup.wizard, 0, 10000)) << page_mismatch(setup.wizard, 0);
    }

    // Forward on page 3 with a folder that must be refused: the folder message, then page 3 again.
    void expect_folder_refused(const std::string &what)
    {
        post_command(setup.wizard, IDC_NEXT);
        MessageSeen m;
        ASSERT_TRUE(wait_message(&setup, 20000, &m)) << what << ": no message";
        EXPECT_EQ(std::string(NO_FOLDER_CN), m.chinese) << what;
        EXPECT_EQ(std::string(NO_FOLDER_EN), m.english) << what;
        EXPECT_TRUE(m.ok && !m.yes && !m.no) << what;
        EXPECT_EQ(setup.wizard, m.owner) << what;
        ASSERT_TRUE(answer_message(m.window, IDC_MSG_OK)) << what;
        ASSERT_TRUE(sync_wizard(setup.wizard));
        EXPECT_EQ(3, current_page(setup.wizard)) << what << ":" << page_mismatch(setup.wizard, 3);
        EXPECT_TRUE(IsWindowEnabled(setup.wizard)) << what;
        EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(setup.process, 0)) << what << ": the installer ended";
    }

    void back_to_first_page()
    {
        for (int page = current_page(setup.wizard) - 1; page >= 0; page--) {
            post_command(setup.wizard, IDC_BACK);
            ASSERT_TRUE(wait_page(setup.wizard, page, 10000)) << page_mismatch(setup.wizard, page);
        }
    }
};

// <base>\ and one name, length bytes in all.
static std::string folder_of_length(const std::string &base, size_t length)
{
    return base + "\\" + std::string(length - base.size() - 1, 'p');
}

// Typed folders that are no place to install: each gives the folder message and leaves the wizard
// on page 3 with nothing created. Then the longest folder that fits, typed untidily, installs.
TEST_F(Faults, TypedFoldersThatCannotTakeTheFilesAreRefusedTheLongestThatFitsInstalls)
{
    std::string base = fresh_dir("faults-paths");
    std::string a_file = base + "\\a file.txt";
    ASSERT_TRUE(write_file(a_file, std::string("the user's own file")));
    struct {
        const char *what;
        std::string typed;
    } rows[] = {
        {"empty", ""},
        {"blanks only", "   "},
        {"installed paths of 260 bytes", folder_of_length(base, 260 - 1 - LONGEST_NAME)},
        {"installed paths of 261 bytes", folder_of_length(base, 261 - 1 - LONGEST_NAME)},
        {"a path naming an existing file", a_file},
        {"the same with a trailing backslash", a_file + "\\"},
        {"a folder whose parent is missing", base + "\\no parent\\Tavik"},
        {"a drive that does not exist", "Q:\\Tavik"},
        {"a wildcard in the name", base + "\\what?"},
        {"a pipe in the name", base + "\\a|b"},
        {"a device name", base + "\\NUL"},
        {"a device name with an extension", base + "\\con.txt"},
        {"a device as an inner folder", base + "\\NUL\\"},
        {"a device with an extension and a dot", base + "\\con.txt\\."},
        {"a device with a blank before its extension", base + "\\con .txt\\"},
        {"the device namespace", "\\\\?\\" + base + "\\x"},
        {"the object namespace", "\\??\\" + base + "\\x"},
        {"forward slashes into the namespace", "//./" + base + "/x"},
    };
    ASSERT_NO_FATAL_FAILURE(start());
    for (const auto &r : rows) {
        ASSERT_NO_FATAL_FAILURE(back_to_first_page());
        ASSERT_TRUE(walk_with_path(&setup, r.typed, true, true))
            << r.what << ":" << page_mismatch(setup.wizard, 3);
        ASSERT_NO_FATAL_FAILURE(expect_folder_refused(r.what));
        EXPECT_EQ(std::vector<std::string>{"a file.txt"}, sorted_entries(base)) << r.what;
        expect_no_shortcuts();
    }
    std::vector<unsigned char> mine = read_file(a_file);
    EXPECT_EQ("the user's own file", std::string(mine.begin(), mine.end()));

    // 225 bytes of folder: with "\" and the longest name, 259 bytes and the terminator.
    std::string longest = folder_of_length(base, 259 - 1 - LONGEST_NAME);
    ASSERT_EQ(225u, longest.size());
    ASSERT_NO_FATAL_FAILURE(back_to_first_page());
    ASSERT_TRUE(walk_with_path(&setup, "  " + longest + "\\ ", true, false));
    StepOutcome out = install_to_end(&setup, IDC_MSG_YES, "faults-longest");
    ASSERT_TRUE(out.final_seen) << "no final message";
    EXPECT_TRUE(is_success(out.final_message)) << out.final_message.english;
    EXPECT_FALSE(out.question);
    EXPECT_TRUE(out.exited && out.exit_code == 0);
    std::string leaf = longest.substr(base.size() + 1);
    EXPECT_EQ((std::vector<std::string>{"a file.txt", leaf}), sorted_entries(base));
    ASSERT_TRUE(file_exists(longest + "\\kl_bihua1_dups_prefered_codes.bin"));
    expect_installed_files(longest, {"doc"});
    expect_config(longest, '0', 0);
    expect_shortcuts(longest, english_names, true, false);
}

// A folder the user may not write into: the run fails at its first file and says so.
TEST_F(Faults, ReadOnlyFolderEndsWithTheFailureMessageAndNothingInstalled)
{
    std::string dir = fresh_dir("faults-locked");
    ASSERT_TRUE(set_folder_locked(dir, true)) << "the folder still takes new files";
    ASSERT_NO_FATAL_FAILURE(start());
    ASSERT_TRUE(walk_with_path(&setup, dir, true, true)) << page_mismatch(setup.wizard, 3);
    StepOutcome out = install_to_end(&setup, IDC_MSG_YES, "faults-locked");
    EXPECT_TRUE(set_folder_locked(dir, false));
    ASSERT_TRUE(out.final_seen) << "no final message";
    EXPECT_TRUE(is_failure(out.final_message)) << out.final_message.english;
    EXPECT_GE(out.elapsed_ms, 5000u);
    EXPECT_TRUE(out.exited) << "still running after the final message";
    EXPECT_EQ(0u, out.exit_code);
    EXPECT_EQ(std::vector<std::string>(), sorted_entries(dir));
    expect_no_shortcuts();
}

// A copy of the installer with one payload stream damaged in its middle: a damaged download,
// whichever file it strikes. The failure message, and nothing installed: the folder the wizard
// made for the run is gone again.
TEST_F(Faults, DamagedStreamOfARequiredOrOptionalFileEndsWithNothingInstalled)
{
    struct {
        int id;
        const char *name;
    } rows[] = {{131, "gbkflat.dic"}, {203, "tips.txt"}};
    for (const auto &r : rows) {
        SCOPED_TRACE(r.name);
        remove_installer_shortcuts();
        std::string media = fresh_dir(std::string("faults-damaged-") + r.name);
        std::string exe = media + "\\TavikSetup.exe";
        ASSERT_TRUE(copy_with_damaged_stream(setup_exe_path(), exe, r.id));
        // The damage is real: the stream no longer inflates, the original still does.
        HMODULE copy =
            LoadLibraryExA(exe.c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_TRUE(copy);
        std::vector<unsigned char> bytes;
        EXPECT_FALSE(inflate_resource(copy, r.id, &bytes));
        EXPECT_TRUE(inflate_resource(copy, 106, &bytes));
        FreeLibrary(copy);
        ASSERT_FALSE(setup_payload(r.id).empty());

        std::string dir = fresh_target(std::string("damaged-") + r.name, "Tavik");
        std::string parent = dir.substr(0, dir.rfind('\\'));
        ASSERT_NO_FATAL_FAILURE(start(exe));
        ASSERT_TRUE(walk_with_path(&setup, dir, true, true)) << page_mismatch(setup.wizard, 3);
        StepOutcome out = install_to_end(&setup, IDC_MSG_YES, std::string("faults-damaged-") + r.name);
        end_setup(&setup);
        ASSERT_TRUE(out.final_seen) << "no final message";
        EXPECT_TRUE(is_failure(out.final_message)) << out.final_message.english;
        EXPECT_TRUE(out.exited && out.exit_code == 0);
        EXPECT_EQ(std::vector<std::string>(), sorted_entries(parent)) << "the new folder is left behind";
        expect_no_shortcuts();
        EXPECT_EQ(std::vector<std::string>{"TavikSetup.exe"}, sorted_entries(media));
    }
}

// A copy cut short, as by a broken download: it must never report success. Cut inside its
// sections the loader refuses it; cut in its last section (the relocations) Wine still starts it.
TEST_F(Faults, TruncatedInstallerNeverClaimsSuccess)
{
    std::string media = fresh_dir("faults-truncated");
    DWORD whole = (DWORD)read_file(setup_exe_path()).size();
    ASSERT_GT(whole, 1000000u);
    struct {
        const char *what;
        DWORD size;
    } rows[] = {{"inside the headers", 0x200},
                {"half", whole / 2},
                {"into the relocations", whole - 200},
                {"one byte short", whole - 1}};
    for (const auto &r : rows) {
        SCOPED_TRACE(r.what);
        remove_installer_shortcuts();
        std::string exe = media + "\\TavikSetup-" + std::to_string(r.size) + ".exe";
        ASSERT_TRUE(truncated_copy(setup_exe_path(), exe, r.size));
        std::string dir = fresh_target("truncated", "Tavik");
        bool started = start_setup(&setup, media, exe);
        DWORD error = GetLastError();
        if (!started && !setup.process) {
            // The loader refuses it outright.
            EXPECT_EQ((DWORD)ERROR_BAD_EXE_FORMAT, error);
        } else if (!started) {
            // It ran but showed no wizard: it must end, and not with the 0 of a finished wizard.
            DWORD code = 0;
            EXPECT_TRUE(wait_exit(&setup, 30000, &code));
            EXPECT_NE(0u, code);
        } else {
            ASSERT_TRUE(walk_with_path(&setup, dir, true, true)) << page_mismatch(setup.wizard, 3);
            StepOutcome out = install_to_end(&setup, IDC_MSG_YES);
            ASSERT_TRUE(out.final_seen) << "no final message";
            EXPECT_TRUE(is_failure(out.final_message)) << out.final_message.english;
            EXPECT_TRUE(out.exited && out.exit_code == 0);
        }
        end_setup(&setup);
        EXPECT_EQ(0, expect_present_files_whole(dir)) << "files installed from a damaged copy";
        expect_no_shortcuts();
    }
    EXPECT_EQ(4u, sorted_entries(media).size()) << "the copies only";
    EXPECT_FALSE(file_exists("C:\\Tavik"));
}

// Names a run left in a folder that are no installed file's: its temporary files and its marker.
static std::vector<std::string> run_leftovers(const std::string &dir)
{
    std::vector<std::string> left;
    for (const std::string &name : sorted_entries(dir))
        if (name.size() > 4 && lstrcmpiA(name.substr(0, 4).c_str(), "~tvk") == 0)
            left.push_back(name);
    return left;
}

// The installer killed while its bar stands between 20 and 90, then run again into the same folder.
// Killed while it stages, it leaves no file under a real name, only temporary files, and no
// word base that the next run could offer to keep; that run clears them and ends whole.
TEST_F(Faults, InstallKilledMidRunLeavesNoCutShortFileAndIsCompletedByTheNextRun)
{
    struct {
        const char *what;
        int from; // kill at the first reading from this position up to 89
    } rows[] = {{"early", 20}, {"late", 70}};
    for (const auto &r : rows) {
        SCOPED_TRACE(r.what);
        remove_installer_shortcuts();
        std::string dir = fresh_target(std::string("killed-") + r.what, "Tavik");
        ASSERT_NO_FATAL_FAILURE(start());
        ASSERT_TRUE(walk_with_path(&setup, dir, true, true)) << page_mismatch(setup.wizard, 3);
        post_command(setup.wizard, IDC_NEXT);
        int killed_at = -1, last = -1;
        ULONGLONG end = GetTickCount64() + 120000;
        while (killed_at < 0 && GetTickCount64() < end) {
            int position = progress_on_screen(setup.wizard);
            if (position >= r.from && position < 90) {
                TerminateProcess(setup.process, 255);
                killed_at = position;
            } else if (position >= 90 || WaitForSingleObject(setup.process, 0) == WAIT_OBJECT_0 ||
                       find_window(setup.pid, DIALOG_CLASS, MESSAGE_CAPTION)) {
                break;
            }
            last = std::max(last, position);
        }
        ASSERT_GE(killed_at, 0) << "the bar was never seen between " << r.from << " and 90; last " << last;
        DWORD code = 0;
        ASSERT_TRUE(wait_exit(&setup, 10000, &code));
        EXPECT_EQ(255u, code);
        end_setup(&setup);
        // Broken off while staging: files under temporary names only, none cut short under its own.
        EXPECT_TRUE(file_exists(dir + "\\doc"));
        EXPECT_EQ(0, expect_present_files_whole(dir)) << "killed at " << killed_at;
        std::vector<std::string> left = run_leftovers(dir);
        EXPECT_FALSE(left.empty()) << "killed at " << killed_at << ": nothing staged";
        EXPECT_EQ(left.size() + 1, sorted_entries(dir).size()) << "more than \"doc\" and temporary files";

        ASSERT_NO_FATAL_FAILURE(start());
        ASSERT_TRUE(walk_with_path(&setup, dir, true, true)) << page_mismatch(setup.wizard, 3);
        StepOutcome out = install_to_end(&setup, IDC_MSG_YES, "");
        ASSERT_TRUE(out.final_seen) << "no final message";
        EXPECT_FALSE(out.question) << "killed at " << killed_at;
        EXPECT_TRUE(is_success(out.final_message)) << out.final_message.english;
        EXPECT_TRUE(out.exited && out.exit_code == 0);
        expect_installed_files(dir, {"doc"});
        expect_config(dir, '0', 0);
        expect_shortcuts(dir, english_names, true, true);
    }
}

// A run cut short while it moved its files over theirs leaves its marker. Only one that says the run
// was replacing the word base means the base may be half old, half new, and is replaced unasked;
// one that says the base was kept, or one planted, decides nothing: the user is asked, and No keeps
// the base. A file of the base that is missing is laid down all the same.
TEST_F(Faults, OnlyAMarkerOfARunThatReplacedTheWordBaseReplacesItUnasked)
{
    const std::vector<std::string> base = {"CiZuFlat.igb", "pxcizudic.idx", "pycizudic.idx"};
    struct {
        const char *what;
        const char *marker;
        bool asked;
    } rows[] = {
        {"replacing", "Tavik install marker 1\r\nword base replaced\r\n", false},
        {"keeping", "Tavik install marker 1\r\nword base kept\r\n", true},
        {"planted", "", true},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.what);
        remove_installer_shortcuts();
        std::string dir = fresh_dir(std::string("faults-marker-") + r.what);
        for (const std::string &name : base) // the index marked: one to keep; one file missing
            ASSERT_TRUE(write_file(dir + "\\" + name, "\x80 earlier " + name));
        ASSERT_TRUE(write_file(dir + "\\~tvkinstall.mark", std::string(r.marker)));
        ASSERT_TRUE(write_file(dir + "\\~tvk40.tmp", "cut sh"));
        ASSERT_NO_FATAL_FAILURE(start());
        ASSERT_TRUE(walk_with_path(&setup, dir, true, false)) << page_mismatch(setup.wizard, 3);
        StepOutcome out = install_to_end(&setup, IDC_MSG_NO, std::string("faults-marker-") + r.what);
        ASSERT_TRUE(out.final_seen) << "no final message";
        EXPECT_EQ(r.asked, out.question);
        EXPECT_TRUE(is_success(out.final_message)) << out.final_message.english;
        EXPECT_TRUE(out.exited && out.exit_code == 0);
        // The folder existed: no "doc"; the marker and the temporary file are gone.
        expect_installed_files(dir, {}, r.asked ? base : std::vector<std::string>{});
        for (const std::string &name : r.asked ? base : std::vector<std::string>{}) {
            std::vector<unsigned char> kept = read_file(dir + "\\" + name);
            EXPECT_EQ("\x80 earlier " + name, std::string(kept.begin(), kept.end()));
        }
        expect_config(dir, '0', 0);
        expect_shortcuts(dir, english_names, true, false);
    }
}

static const char *const HOLDS_FILES_CN = "所选目录里已有别的文件，同名文件将被替换。仍然安装到这个目录吗？";
static const char *const HOLDS_FILES_EN =
    "The folder already holds other files; those with the names of Tavik's "
    "files would be replaced. Install into it anyway?";

// A folder with the user's files and no sign of Tavik: the user is asked first. No goes back to page 3
// with nothing changed; Yes installs, and the user's file of an installed name is then the run's.
TEST_F(Faults, AFolderOfTheUsersIsInstalledIntoOnlyWhenTheUserSaysYes)
{
    std::string dir = fresh_dir("faults-users-folder");
    ASSERT_TRUE(write_file(dir + "\\tips.txt", std::string("the user's tips")));
    ASSERT_TRUE(write_file(dir + "\\notes.txt", std::string("the user's notes")));
    TreeSnapshot before = snapshot_tree(dir);
    ASSERT_NO_FATAL_FAILURE(start());
    ASSERT_TRUE(walk_with_path(&setup, dir, true, false)) << page_mismatch(setup.wizard, 3);
    post_command(setup.wizard, IDC_NEXT);
    MessageSeen m;
    ASSERT_TRUE(wait_message(&setup, 20000, &m)) << "no question";
    EXPECT_EQ(std::string(HOLDS_FILES_CN), m.chinese);
    EXPECT_EQ(std::string(HOLDS_FILES_EN), m.english);
    EXPECT_TRUE(m.yes && m.no && !m.ok && !m.cancel);
    EXPECT_EQ(setup.wizard, m.owner);
    EXPECT_EQ(GetDlgItem(m.window, IDC_MSG_NO), focused_window(&setup)) << "No is not the answer at hand";
    take_screenshot("faults-users-folder-question", m.window);
    ASSERT_TRUE(answer_message(m.window, IDC_MSG_NO));
    ASSERT_TRUE(sync_wizard(setup.wizard));
    EXPECT_EQ(3, current_page(setup.wizard)) << page_mismatch(setup.wizard, 3);
    EXPECT_EQ(std::vector<std::string>{}, tree_differences(before, snapshot_tree(dir)));
    expect_no_shortcuts();

    StepOutcome out = install_to_end(&setup, IDC_MSG_YES);
    ASSERT_TRUE(out.final_seen && is_success(out.final_message)) << out.final_message.english;
    EXPECT_TRUE(out.question);
    expect_installed_files(dir, {"notes.txt"});
}

// A second setup or uninstaller started while one runs says so and ends, changing nothing.
TEST_F(Faults, ASecondSetupWhileOneRunsSaysSoAndChangesNothing)
{
    std::string folder = fresh_dir("faults-second");
    std::vector<unsigned char> engine = setup_payload(160), uninstaller = setup_payload(171);
    ASSERT_TRUE(write_file(folder + "\\TVK.exe", engine.data(), engine.size()));
    ASSERT_TRUE(write_file(folder + "\\TVKUnInstall.exe", uninstaller.data(), uninstaller.size()));
    ASSERT_NO_FATAL_FAILURE(start());
    TreeSnapshot before = snapshot_tree("C:\\");
    struct {
        std::string exe;
        const char *caption;
    } rows[] = {{setup_exe_path(), MESSAGE_CAPTION},
                {folder + "\\TVKUnInstall.exe", "Tavik Chinese Input Engine Uninstaller"}};
    for (const auto &r : rows) {
        SCOPED_TRACE(r.exe);
        SetupProcess second = {};
        ASSERT_TRUE(start_process(&second, r.exe, "", "C:\\"));
        MessageSeen m;
        bool seen = wait_message(&second, 30000, &m, r.caption);
        EXPECT_EQ(std::string("另一个 Tavik 安装或卸载程序正在运行。请等它结束后再试。"), m.chinese);
        EXPECT_EQ(
            std::string("Another Tavik setup or uninstaller is running. Let it finish, then try again."),
            m.english);
        EXPECT_FALSE(find_window(second.pid, DIALOG_CLASS, WIZARD_CAPTION));
        if (seen)
            answer_message(m.window, IDC_MSG_OK);
        DWORD code = 99;
        EXPECT_TRUE(wait_exit(&second, 20000, &code));
        EXPECT_EQ(r.exe == setup_exe_path() ? 0u : 1u, code);
        end_setup(&second);
        ASSERT_TRUE(seen);
    }
    EXPECT_EQ(std::vector<std::string>{}, tree_differences(before, snapshot_tree("C:\\")));
    EXPECT_EQ(0, current_page(setup.wizard));
}

// An existing folder others may write into is given the installer's own access list before anything
// goes into it (Wine keeps it as the host's permission bits: no more writing for others); one owned by
// someone else is refused with the folder message.
TEST_F(Faults, AFolderOthersMayWriteIsMadePrivateOneOfAnothersIsRefused)
{
    std::string open = fresh_dir("faults-access-open"), foreign = fresh_dir("faults-access-foreign");
    ASSERT_TRUE(
        run_on_host("chmod 777 '" + host_path(open) + "' && chown nobody '" + host_path(foreign) + "'"));
    ASSERT_NO_FATAL_FAILURE(start());
    ASSERT_TRUE(walk_with_path(&setup, foreign, true, false)) << page_mismatch(setup.wizard, 3);
    ASSERT_NO_FATAL_FAILURE(expect_folder_refused("a folder of another user"));
    EXPECT_EQ(std::vector<std::string>{}, sorted_entries(foreign));
    ASSERT_NO_FATAL_FAILURE(back_to_first_page());
    ASSERT_TRUE(walk_with_path(&setup, open, true, false)) << page_mismatch(setup.wizard, 3);
    StepOutcome out = install_to_end(&setup, IDC_MSG_YES);
    ASSERT_TRUE(out.final_seen && is_success(out.final_message)) << out.final_message.english;
    EXPECT_FALSE(out.question);
    EXPECT_TRUE(run_on_host("test $(( 0$(stat -c %a '" + host_path(open) + "') & 2 )) -eq 0"))
        << "others still write";
    expect_installed_files(open, {});
}

// Nothing the installer writes or removes goes through a link: a link at a shortcut's name, at a
// stale user dictionary's and at a leftover temporary file's is replaced or removed itself, and
// what each points at keeps its bytes.
TEST_F(Faults, NothingIsWrittenOrRemovedThroughALink)
{
    std::string dir = fresh_dir("faults-links"), outside = fresh_dir("faults-links-outside");
    ASSERT_TRUE(write_file(dir + "\\TVK.exe", std::string("an earlier install"))); // no question
    std::string desktop_link = shell_folder(CSIDL_DESKTOPDIRECTORY) + "\\Mereda.lnk";
    const std::vector<std::string> links = {desktop_link, dir + "\\pykeys.dic0001", dir + "\\~tvk7.tmp"};
    for (size_t i = 0; i < links.size(); i++) {
        std::string target = outside + "\\target" + std::to_string(i);
        ASSERT_TRUE(write_file(target, "outside " + std::to_string(i)));
        ASSERT_TRUE(make_host_link(links[i], target)) << links[i];
    }
    ASSERT_NO_FATAL_FAILURE(start());
    ASSERT_TRUE(walk_with_path(&setup, dir, true, false)) << page_mismatch(setup.wizard, 3);
    StepOutcome out = install_to_end(&setup, IDC_MSG_YES);
    ASSERT_TRUE(out.final_seen && is_success(out.final_message)) << out.final_message.english;
    for (size_t i = 0; i < links.size(); i++) {
        std::vector<unsigned char> kept = read_file(outside + "\\target" + std::to_string(i));
        EXPECT_EQ("outside " + std::to_string(i), std::string(kept.begin(), kept.end())) << links[i];
    }
    EXPECT_TRUE(run_on_host("test -f '" + host_path(desktop_link) + "' && test ! -L '" +
                            host_path(desktop_link) + "'"));
    expect_installed_files(dir, {});
    expect_shortcuts(dir, english_names, true, false);
}

// Nothing is written outside the destination, the three shortcut folders and the settings file
// the Windows folder receives. The whole C: drive of the prefix is compared, nothing skipped.
TEST_F(Faults, WritesNothingOutsideItsFolders)
{
    std::string settings;
    std::string exe = installer_copy_with_settings("faults-surface-media", &settings);
    ASSERT_FALSE(exe.empty());
    std::string dir = fresh_target("surface", "Tavik");
    std::string group = shell_folder(CSIDL_PROGRAMS) + "\\" + english_names.group;
    std::string desktop = shell_folder(CSIDL_DESKTOPDIRECTORY);
    std::string startup = shell_folder(CSIDL_STARTUP);

    TreeSnapshot before = snapshot_tree("C:\\");
    ASSERT_GT(before.size(), 500u);
    ASSERT_NO_FATAL_FAILURE(start(exe));
    ASSERT_TRUE(walk_with_path(&setup, dir, true, true)) << page_mismatch(setup.wizard, 3);
    StepOutcome out = install_to_end(&setup, IDC_MSG_YES);
    ASSERT_TRUE(out.final_seen && is_success(out.final_message)) << out.final_message.english;
    ASSERT_TRUE(out.exited && out.exit_code == 0);
    TreeSnapshot after = snapshot_tree("C:\\");

    int in_dir = 0, in_group = 0, on_desktop = 0, at_startup = 0, in_windows = 0;
    for (const std::string &line : tree_differences(before, after)) {
        std::string path = difference_path(line);
        if (path_within(path, dir))
            in_dir++;
        else if (path_within(path, group))
            in_group++;
        else if (path_within(path, desktop))
            on_desktop++;
        else if (path_within(path, startup))
            at_startup++;
        else if (lstrcmpiA(path.c_str(), settings.c_str()) == 0)
            in_windows++;
        else
            ADD_FAILURE() << "written outside the installer's places: " << line;
        EXPECT_EQ(0u, line.rfind("added ", 0)) << "an existing file was touched: " << line;
    }
    // The destination with "doc", 121 files and the record; the group and its two links; two desktop
    // links; one start-up link; the settings file.
    EXPECT_EQ(124, in_dir);
    EXPECT_EQ(3, in_group);
    EXPECT_EQ(2, on_desktop);
    EXPECT_EQ(1, at_startup);
    EXPECT_EQ(1, in_windows);
    std::vector<unsigned char> copied = read_file(settings);
    EXPECT_EQ("settings beside the installer", std::string(copied.begin(), copied.end()));
    expect_installed_files(dir, {"doc"});
    expect_shortcuts(dir, english_names, true, true);
}
