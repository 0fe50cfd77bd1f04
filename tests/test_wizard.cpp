// The wizard dialog from template 113: pages, navigation, licence loading, the install step.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <aclapi.h>
#include <sddl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "resources/ids.h"
#include "base/base.h"
#include "wizard/wizard_rules.h"
#include "wizard/wizard.h"
#include "support/e2e_driver.h"
#include "support/e2e_faults.h"
#include "support/tavik_test.h"
#include "support/text_canvas.h"
#include "ui/ui.h"

// ---- pure rules -------------------------------------------------------------

TEST(WizardRules, TrailingBackslashIsFoundCharacterByCharacter)
{
    struct {
        const char *path;
        int ends;
    } rows[] = {
        {"C:\\", 1},
        {"C:\\Tavik", 0},
        {"C:\\Tavik\\", 1},
        {"", 0},
        {"\\", 1},
        {"C:\\Tavik\\\\", 1},
        {"C:", 0},
        // Code page 1252 has no lead bytes: 0x81 is a character and 0x5C after it a backslash
        // (the double-byte reading is checked under code page 936).
        {"C:\\\x81\x5c", 1},
        {"C:\\\x81\x5c\\", 1},
        {"C:\\\xd6\xd0\\", 1},
        {"C:\\\xd6", 0},
    };
    for (const auto &r : rows)
        EXPECT_EQ(r.ends, ends_in_backslash(r.path)) << r.path;
}

TEST(WizardRules, OneTrailingBackslashIsDroppedAndOneAdded)
{
    struct {
        const char *in;
        const char *dropped;
        const char *added;
    } rows[] = {
        {"C:\\", "C:", "C:\\"},
        {"C:\\Apps", "C:\\Apps", "C:\\Apps\\"},
        {"C:\\Apps\\\\", "C:\\Apps\\", "C:\\Apps\\\\"},
        {"C:\\\x81\x5c", "C:\\\x81", "C:\\\x81\x5c"},
        {"", "", "\\"},
    };
    for (const auto &r : rows) {
        char path[PATH_SIZE];
        copy_text(path, sizeof(path), r.in);
        drop_trailing_backslash(path);
        EXPECT_STREQ(r.dropped, path) << r.in;
        copy_text(path, sizeof(path), r.in);
        EXPECT_EQ(1, add_trailing_backslash(path, sizeof(path)));
        EXPECT_STREQ(r.added, path) << r.in;
    }
    char full[4] = "C:x";
    EXPECT_EQ(0, add_trailing_backslash(full, sizeof(full)));
    EXPECT_STREQ("C:x", full);
}

TEST(WizardRules, PathsFormedFromFolderAndFamilyName)
{
    char out[PATH_SIZE];
    EXPECT_TRUE(default_install_path(out, sizeof(out), "D:\\WINNT\\", "Tavik"));
    EXPECT_STREQ("D:\\Tavik", out);
    EXPECT_TRUE(default_install_path(out, sizeof(out), "c:\\windows\\", "Tavik"));
    EXPECT_STREQ("c:\\Tavik", out);

    struct {
        const char *folder;
        const char *browsed;
        const char *doc;
    } rows[] = {
        {"C:", "C:\\Tavik", "C:\\doc"},
        {"D:\\Apps", "D:\\Apps\\Tavik", "D:\\Apps\\doc"},
        {"D:\\Apps\\", "D:\\Apps\\\\Tavik", "D:\\Apps\\doc"},
        {"D:\\\x81\x5c", "D:\\\x81\x5c\\Tavik", "D:\\\x81\\doc"},
    };
    for (const auto &r : rows) {
        EXPECT_TRUE(browse_result_path(out, sizeof(out), r.folder, "Tavik"));
        EXPECT_STREQ(r.browsed, out);
        EXPECT_TRUE(doc_folder_path(out, sizeof(out), r.folder));
        EXPECT_STREQ(r.doc, out);
    }
}

TEST(WizardRules, PathsThatDoNotFitFailCleanly)
{
    std::string folder(PATH_SIZE - 6, 'a'); // 254 bytes: "\Tavik" makes 260 with the terminator
    char out[PATH_SIZE];
    memset(out, 'x', sizeof(out));
    EXPECT_FALSE(browse_result_path(out, sizeof(out), folder.c_str(), "Tavik"));
    EXPECT_STREQ("", out);
    folder.pop_back();
    EXPECT_TRUE(browse_result_path(out, sizeof(out), folder.c_str(), "Tavik"));
    EXPECT_EQ((size_t)PATH_SIZE - 1, strlen(out));
    std::string deep(PATH_SIZE - 4, 'b');
    EXPECT_FALSE(doc_folder_path(out, sizeof(out), deep.c_str()));
    EXPECT_STREQ("", out);
}

TEST(WizardRules, TidyingDropsBlanksDotsAndBackslashesFromTheEnd)
{
    struct {
        const char *in;
        const char *tidied;
    } rows[] = {
        {"  C:\\Tavik\\ \t", "C:\\Tavik"},
        {"C:\\", "C:"},
        {"C:\\Tavik.", "C:\\Tavik"},
        {"C:\\Tavik. .\\", "C:\\Tavik"},
        {"C:\\Tavik\\.", "C:\\Tavik"},
        {"C:\\...", "C:"},
        {"C:\\a.b", "C:\\a.b"},
        {"C:\\ .a", "C:\\ .a"},
        {"\\\\server\\share\\", "\\\\server\\share"},
        {" \t", ""},
        {"C:\\\x81\x5c.", "C:\\\x81"}, // code page 1252: the 0x5C is a backslash
    };
    for (const auto &r : rows) {
        char path[PATH_SIZE];
        copy_text(path, sizeof(path), r.in);
        tidy_typed_path(path);
        EXPECT_STREQ(r.tidied, path) << r.in;
    }
}

TEST(WizardRules, TypedPathIsTrimmedABareDriveIsItsRootNamespacesAreRefused)
{
    struct {
        const char *typed;
        const char *resolvable; // "" when refused
    } rows[] = {
        {"C:", "C:\\"},
        {"  c: \t", "c:\\"},
        {"C:\\", "C:\\"},
        {"C:x", "C:x"},
        {"1:", "1:"},
        {" C:\\Tavik\\ ", "C:\\Tavik\\"},
        {"relative", "relative"},
        {"\\\\server\\share", "\\\\server\\share"},
        {"", ""},
        {" \t ", ""},
        {"\\\\?\\C:\\x", ""},
        {"\\\\.\\C:\\x", ""},
        {"//?/C:/x", ""},
        {"//./C:/x", ""},
        {"\\/?\\C:\\x", ""},
        {"\\??\\C:\\x", ""},
        {"/?"
         "?/C:/x",
         ""}, // split: "??/" would be a trigraph
        {"  \\\\?\\C:\\x", ""},
        {"\\\\.\\nul", ""},
    };
    for (const auto &r : rows) {
        char out[PATH_SIZE];
        memset(out, 'x', sizeof(out));
        EXPECT_EQ(r.resolvable[0] != 0, path_to_resolve(out, sizeof(out), r.typed)) << r.typed;
        EXPECT_STREQ(r.resolvable, out) << r.typed;
    }
    char small[3] = "zz";
    EXPECT_EQ(0, path_to_resolve(small, sizeof(small), "C:")); // "C:\" needs 4 bytes
    EXPECT_STREQ("", small);
    char fits[4];
    EXPECT_EQ(1, path_to_resolve(fits, sizeof(fits), " C: "));
    EXPECT_STREQ("C:\\", fits);
}

TEST(WizardRules, DevicesAreFoundInEveryComponentWhateverTheirSpelling)
{
    struct {
        const char *path;
        int device;
    } rows[] = {
        {"C:\\x\\NUL", 1},
        {"C:\\x\\NUL\\", 1},
        {"C:\\x\\nul\\y", 1},
        {"C:\\x\\con.txt", 1},
        {"C:\\x\\con.txt\\.", 1},
        {"C:\\x\\nul.", 1},
        {"C:\\x\\nul. . ", 1},
        {"C:\\x\\con .txt", 1},
        {"C:\\x\\Aux", 1},
        {"C:\\x\\pRn.a.b", 1},
        {"C:\\x\\nul.\xd6\xd0", 1},
        {"C:\\x\\con:", 1},
        {"C:\\x\\com1", 1},
        {"C:\\x\\COM9.log", 1},
        {"C:\\x\\com0", 1},
        {"C:\\x\\lpt1", 1},
        {"C:\\x\\LPT9 .", 1},
        {"C:\\x\\com\xb9", 1},
        {"C:\\x\\lpt\xb3.txt", 1},
        {"C:\\x\\conin$", 1},
        {"C:\\x\\CONOUT$.txt", 1},
        {"C:/x/nul/y", 1},
        {"nul", 1},
        {"\\\\server\\share\\aux\\x", 1},
        {"C:\\x\\\x81\\nul", 1}, // code page 1252: 0x81 is a character of its own
        {"\\\\.\\nul", 1},
        {"\\\\?\\C:\\x", 1},
        {"//./C:/x", 1},
        {"\\??\\C:\\x", 1},
        {"C:\\Tavik", 0},
        {"C:\\x\\nullity", 0},
        {"C:\\x\\com10", 0},
        {"C:\\x\\comA", 0},
        {"C:\\x\\com", 0},
        {"C:\\x\\lpt", 0},
        {"C:\\x\\conx.txt", 0},
        {"C:\\x\\xcon", 0},
        {"C:\\x\\a.con", 0},
        {"C:\\x\\.nul", 0},
        {"C:\\x\\con\x81", 0},
        {"C:\\x\\conin", 0},
        {"C:", 0},
        {"", 0},
        {"\\\\server\\share", 0},
        {"\\\\?", 0},
    };
    for (const auto &r : rows)
        EXPECT_EQ(r.device, names_a_device(r.path)) << r.path;
}

TEST(WizardRules, OnlyPlainDriveOrSharePathsAreUsableFolders)
{
    struct {
        const char *path;
        int usable;
    } rows[] = {
        {"C:", 1},
        {"C:\\Tavik", 1},
        {"c:\\Apps\\Tavik 2\\x.y", 1},
        {"C:\\a b\\.c", 1},
        {"\\\\server\\share", 1},
        {"\\\\server\\share\\Tavik", 1},
        {"C:\\\xd6\xd0", 1},
        {"", 0},
        {"Tavik", 0},
        {"C:Tavik", 0},
        {"1:\\x", 0},
        {"\\Tavik", 0},
        {"C:\\", 0},
        {"C:\\Tavik\\", 0},
        {"C:\\a\\\\b", 0},
        {"C:\\Tavik.", 0},
        {"C:\\Tavik ", 0},
        {"C:\\a.\\b", 0},
        {"C:\\a \\b", 0},
        {"C:\\.\\b", 0},
        {"C:\\..\\b", 0},
        {"C:\\x\\NUL", 0},
        {"C:\\x\\con.txt\\y", 0},
        {"C:\\a:b", 0},
        {"C:\\a*b", 0},
        {"C:\\a?b", 0},
        {"C:\\a\"b", 0},
        {"C:\\a<b", 0},
        {"C:\\a>b", 0},
        {"C:\\a|b", 0},
        {"C:\\a/b", 0},
        {"C:\\a\tb", 0},
        {"\\\\server", 0},
        {"\\\\server\\", 0},
        {"\\\\?\\C:\\x", 0},
        {"\\\\.\\C:\\x", 0},
        {"\\\\server\\share\\nul", 0},
    };
    for (const auto &r : rows)
        EXPECT_EQ(r.usable, usable_folder_path(r.path)) << r.path;
}

TEST(WizardRules, ABareDriveIsSpeltAsItsRootForSystemCalls)
{
    struct {
        const char *folder;
        const char *for_calls;
    } rows[] = {{"C:", "C:\\"}, {"z:", "z:\\"}, {"C:\\Tavik", "C:\\Tavik"},
                {"C:x", "C:x"}, {"1:", "1:"},   {"", ""}};
    for (const auto &r : rows) {
        char out[PATH_SIZE];
        EXPECT_EQ(1, folder_for_calls(out, sizeof(out), r.folder)) << r.folder;
        EXPECT_STREQ(r.for_calls, out) << r.folder;
    }
    char small[3] = "zz";
    EXPECT_EQ(0, folder_for_calls(small, sizeof(small), "C:"));
    EXPECT_STREQ("", small);
}

TEST(WizardRules, ChosenLanguageGoesOnTopOthersInValueOrder)
{
    struct {
        int force;
        int order[3];
    } rows[] = {{0, {0, 1, 2}}, {1, {1, 0, 2}}, {2, {2, 0, 1}}, {7, {0, 1, 2}}, {-1, {0, 1, 2}}};
    for (const auto &r : rows) {
        int order[3] = {-9, -9, -9};
        language_order(r.force, order);
        for (int i = 0; i < 3; i++)
            EXPECT_EQ(r.order[i], order[i]) << "force " << r.force << " slot " << i;
    }
}

TEST(WizardRules, LanguageWithoutValidSelectionIsEnglish)
{
    struct {
        long long selection, data;
        int language;
    } rows[] = {{0, 0, 0}, {1, 2, 2}, {2, 1, 1}, {-1, 2, 0}, {0, -1, 0}, {0, 3, 0}, {0, 0x100000001LL, 0}};
    for (const auto &r : rows)
        EXPECT_EQ(r.language, language_from_selection(r.selection, r.data)) << r.selection << " " << r.data;
}

TEST(WizardRules, WaitLeftIsRoundedUpAndNeverCutShort)
{
    struct {
        long long start, now, frequency;
        unsigned long minimum, left;
    } rows[] = {
        {0, 0, 1000, 5000, 5000},
        {1000, 5999, 1000, 5000, 1},
        {1000, 6000, 1000, 5000, 0},
        {1000, 9000, 1000, 5000, 0},
        {0, 49999999, 10000000, 5000, 1}, // 4999.9999 ms passed: one more millisecond
        {0, 50000000, 10000000, 5000, 0},
        {0, 40000000, 10000000, 5000, 1000},
        {0, 3, 3, 5000, 4000},
        {500, 100, 1000, 5000, 5000}, // a counter that went back counts as no time passed
        {0, 1, 0, 5000, 0},
    };
    for (const auto &r : rows)
        EXPECT_EQ(r.left, wait_left_ms(r.start, r.now, r.frequency, r.minimum))
            << r.start << " " << r.now << " " << r.frequency;
    // Counters of a machine that has run for years.
    long long start = 3LL * 365 * 24 * 3600 * 10000000LL;
    EXPECT_EQ(5000ul, wait_left_ms(start, start, 10000000, 5000));
    EXPECT_EQ(1ul, wait_left_ms(start, start + 49999999, 10000000, 5000));
}

// ---- the dialog ---------------------------------------------------------------

struct SeenMessage {
    std::string chinese;
    std::string english;
    double seconds; // after the answerer started
};

static double seconds_since(const LARGE_INTEGER &start)
{
    LARGE_INTEGER now, rate;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&rate);
    return (double)(now.QuadPart - start.QuadPart) / (double)rate.QuadPart;
}

// Answers every "Mereda Install Message" dialog this thread shows, noting its texts. A thread
// timer does it: the dialog's own modal loop runs it, so there is no second thread, no
// polling loop, and a dialog is closed even when the test has already failed.
static struct {
    std::vector<SeenMessage> seen;
    LARGE_INTEGER started;
    HWND last;
} answering;

static VOID CALLBACK answer_message(HWND, UINT, UINT_PTR, DWORD)
{
    HWND box = FindWindowA("#32770", "Mereda Install Message");
    if (!box || !IsWindowVisible(box) || GetWindowThreadProcessId(box, NULL) != GetCurrentThreadId()) {
        answering.last = NULL;
        return;
    }
    if (box == answering.last) // answered, not closed yet
        return;
    answering.last = box;
    answering.seen.push_back({control_text(box, IDC_MSG_CHINESE), control_text(box, IDC_MSG_ENGLISH),
                              seconds_since(answering.started)});
    PostMessageA(box, WM_COMMAND, IDC_MSG_OK, 0);
}

struct MessageAnswerer {
    UINT_PTR timer;
    MessageAnswerer()
    {
        answering.seen.clear();
        answering.last = NULL;
        QueryPerformanceCounter(&answering.started);
        timer = SetTimer(NULL, 0, 10, answer_message);
    }
    ~MessageAnswerer() { finish(); }
    std::vector<SeenMessage> finish()
    {
        if (timer)
            KillTimer(NULL, timer);
        timer = 0;
        return answering.seen;
    }
};

static const char *const choose_text_cn = "请您回答提问.";
static const char *const choose_text_en = "Please select a choice.";
static const char *const folder_text_cn =
    "无法建目录。请检查所列目录是否合法（注意：子目录只能在已存在的目录下建）。";
static const char *const folder_text_en = "Cannot create folder! Please check folder path.";

class Wizard : public ::testing::Test
{
  protected:
    HWND dialog = NULL;

    static void SetUpTestSuite()
    {
        INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_PROGRESS_CLASS};
        InitCommonControlsEx(&controls);
    }

    void SetUp() override
    {
        g_state = InstallerState{};
        g_state.default_command = IDC_NEXT;
        use_setup_resources();
        ASSERT_TRUE(g_state.instance) << setup_exe_path();
        copy_text(g_state.default_folder_name, sizeof(g_state.default_folder_name), "Tavik");
        g_state.app_icon = LoadIconA(NULL, (LPCSTR)IDI_APPLICATION);
    }

    void create()
    {
        g_state.wizard_page = 0;
        dialog = CreateDialogParamA(g_state.instance, MAKEINTRESOURCEA(IDD_WIZARD), NULL, wizard_proc, 0);
        ASSERT_TRUE(dialog);
        g_state.wizard_window = dialog;
    }

    void TearDown() override
    {
        if (dialog)
            DestroyWindow(dialog);
        g_state.wizard_window = NULL;
        SetCurrentDirectoryA("C:\\");
    }

    HWND item(int id) { return GetDlgItem(dialog, id); }
    int ticked(int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }
    void send(int id) { SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)item(id)); }
    void click(int id) { SendMessageA(item(id), BM_CLICK, 0, 0); }
    std::string path_text()
    {
        char text[PATH_SIZE * 2] = "";
        GetDlgItemTextA(dialog, IDC_PATH, text, sizeof(text));
        return text;
    }
    // Page 3 reached the ordinary way, with the display test answered.
    void go_to_page3(int answer)
    {
        send(IDC_NEXT);
        click(answer);
        send(IDC_NEXT);
        send(IDC_NEXT);
        ASSERT_EQ(3, g_state.wizard_page);
    }
    // Sends the command while answering any message dialog it raises.
    std::vector<SeenMessage> send_answering(int id)
    {
        MessageAnswerer answerer;
        send(id);
        return answerer.finish();
    }
};

TEST_F(Wizard, InitialisationFillsTheFirstPage)
{
    create();
    EXPECT_EQ((LRESULT)g_state.app_icon, SendMessageA(dialog, WM_GETICON, ICON_BIG, 0));
    EXPECT_EQ((LRESULT)g_state.app_icon, SendMessageA(dialog, WM_GETICON, ICON_SMALL, 0));

    char windows[PATH_SIZE];
    UINT n = GetWindowsDirectoryA(windows, sizeof(windows));
    ASSERT_GT(n, 2u);
    EXPECT_EQ(0, strncmp(windows, g_state.windows_dir, n));
    EXPECT_STREQ("\\", g_state.windows_dir + n);
    EXPECT_EQ(std::string(1, windows[0]) + ":\\Tavik", path_text());

    EXPECT_TRUE(ticked(IDC_DESKTOP_ICON));
    EXPECT_FALSE(ticked(IDC_AUTO_START));
    EXPECT_FALSE(IsWindowVisible(item(IDC_BACK)));
    EXPECT_FALSE(IsWindowEnabled(item(IDC_BACK)));
    EXPECT_EQ(0, g_state.wizard_page);

    // The dialog manager puts the focus on the first tab stop, the path.
    EXPECT_EQ(item(IDC_PATH), GetFocus());
}

TEST_F(Wizard, LanguageListPutsTheCurrentChoiceOnTopAndSelectsIt)
{
    static const char *const names[3] = {"English 英文", "Chinese(Simplified)  中文简体",
                                         "Chinese(Traditional) 中文繁体"};
    struct {
        int force;
        int order[3];
    } rows[] = {{0, {0, 1, 2}}, {2, {2, 0, 1}}, {1, {1, 0, 2}}};
    for (const auto &r : rows) {
        g_state.force_language = r.force;
        create();
        HWND combo = item(IDC_LANGUAGE);
        ASSERT_EQ(3, SendMessageA(combo, CB_GETCOUNT, 0, 0));
        EXPECT_EQ(0, SendMessageA(combo, CB_GETCURSEL, 0, 0));
        for (int i = 0; i < 3; i++) {
            char text[64] = "";
            SendMessageA(combo, CB_GETLBTEXT, i, (LPARAM)text);
            EXPECT_STREQ(names[r.order[i]], text) << "force " << r.force << " item " << i;
            EXPECT_EQ(r.order[i], SendMessageA(combo, CB_GETITEMDATA, i, 0));
        }
        DestroyWindow(dialog);
        dialog = NULL;
    }
}

TEST_F(Wizard, FourCheckBoxesAreSubclassedAndStillWork)
{
    create();
    ASSERT_TRUE(g_drawing.checkbox_base_proc);
    for (int id : {IDC_DESKTOP_ICON, IDC_AUTO_START, IDC_DISPLAY_OK, IDC_DISPLAY_NO})
        EXPECT_EQ((LONG_PTR)check_box_proc, GetWindowLongPtrA(item(id), GWLP_WNDPROC)) << id;
    // The licence-language box keeps the standard procedure the others hand on to.
    EXPECT_EQ((LONG_PTR)g_drawing.checkbox_base_proc,
              GetWindowLongPtrA(item(IDC_LICENCE_ENGLISH), GWLP_WNDPROC));
    click(IDC_AUTO_START);
    EXPECT_TRUE(ticked(IDC_AUTO_START));
    click(IDC_DESKTOP_ICON);
    EXPECT_FALSE(ticked(IDC_DESKTOP_ICON));
}

// Which controls each page shows: the page table, with the licence list or text by 1010.
TEST_F(Wizard, ShowPageShowsOnlyThatPagesControls)
{
    create();
    const std::vector<std::vector<int>> pages = {
        {IDC_DESKTOP_ICON, IDC_AUTO_START, IDC_PATH, IDC_PATH_LABEL, IDC_BROWSE},
        {IDC_SAMPLE_FRAME, IDC_DISPLAY_QUESTION, IDC_SAMPLE_LINE, IDC_DISPLAY_OK, IDC_DISPLAY_NO},
        {IDC_LICENCE_ENGLISH, IDC_LICENCE_CN_LIST, IDC_LICENCE_EN_TEXT},
        {IDC_LANGUAGE_LABEL, IDC_LANGUAGE},
    };
    struct {
        int page;
        int english;
        int back;
    } rows[] = {{1, 0, 1}, {2, 0, 1}, {2, 1, 1}, {3, 0, 1}, {0, 0, 0}, {3, 1, 1}};
    for (const auto &r : rows) {
        CheckDlgButton(dialog, IDC_LICENCE_ENGLISH, r.english ? BST_CHECKED : BST_UNCHECKED);
        g_state.wizard_page = r.page;
        show_page(dialog, r.page);
        for (int page = 0; page < 4; page++)
            for (int id : pages[page]) {
                int expected = page == r.page;
                if (page == 2 && r.page == 2 && id == IDC_LICENCE_CN_LIST)
                    expected = !r.english;
                if (page == 2 && r.page == 2 && id == IDC_LICENCE_EN_TEXT)
                    expected = r.english;
                EXPECT_EQ(expected, IsWindowVisible(item(id)) != 0) << "page " << r.page << " control " << id;
            }
        EXPECT_EQ(r.back, IsWindowVisible(item(IDC_BACK)) != 0) << r.page;
        EXPECT_EQ(r.back, IsWindowEnabled(item(IDC_BACK)) != 0) << r.page;
        EXPECT_TRUE(IsWindowVisible(item(IDC_NEXT)));
        EXPECT_TRUE(IsWindowVisible(item(IDC_CANCEL)));
    }
    // During the install step and after it, Back is left as it is.
    for (int state : {99, -1}) {
        g_state.wizard_page = state;
        show_page(dialog, 0);
        EXPECT_TRUE(IsWindowVisible(item(IDC_BACK))) << state;
        EXPECT_TRUE(IsWindowEnabled(item(IDC_BACK))) << state;
    }
}

TEST_F(Wizard, ForwardAndBackWalkThePagesKeepingOrClearingAnswers)
{
    create();
    send(IDC_NEXT);
    EXPECT_EQ(1, g_state.wizard_page);
    EXPECT_TRUE(IsWindowVisible(item(IDC_DISPLAY_OK)));
    EXPECT_TRUE(IsWindowVisible(item(IDC_BACK)));

    click(IDC_DISPLAY_OK);
    EXPECT_TRUE(ticked(IDC_DISPLAY_OK));
    click(IDC_DISPLAY_NO); // the pair acts like two radio buttons
    EXPECT_TRUE(ticked(IDC_DISPLAY_NO));
    EXPECT_FALSE(ticked(IDC_DISPLAY_OK));

    send(IDC_NEXT);
    EXPECT_EQ(2, g_state.wizard_page);
    EXPECT_EQ(0, g_state.display_ok);
    EXPECT_TRUE(ticked(IDC_LICENCE_ENGLISH));
    EXPECT_TRUE(IsWindowVisible(item(IDC_LICENCE_EN_TEXT)));
    EXPECT_FALSE(IsWindowVisible(item(IDC_LICENCE_CN_LIST)));

    send(IDC_BACK);
    EXPECT_EQ(1, g_state.wizard_page);
    EXPECT_TRUE(ticked(IDC_DISPLAY_NO)); // back from page 2 keeps the answers
    click(IDC_DISPLAY_OK);
    EXPECT_FALSE(ticked(IDC_DISPLAY_NO));
    send(IDC_BACK);
    EXPECT_EQ(0, g_state.wizard_page);
    EXPECT_FALSE(IsWindowVisible(item(IDC_BACK)));
    send(IDC_BACK); // nothing before page 0
    EXPECT_EQ(0, g_state.wizard_page);

    send(IDC_NEXT); // from page 0 the answers start cleared
    EXPECT_EQ(1, g_state.wizard_page);
    EXPECT_FALSE(ticked(IDC_DISPLAY_OK));
    EXPECT_FALSE(ticked(IDC_DISPLAY_NO));
    click(IDC_DISPLAY_OK);
    CheckDlgButton(dialog, IDC_LICENCE_ENGLISH, BST_UNCHECKED);
    send(IDC_NEXT);
    EXPECT_EQ(2, g_state.wizard_page);
    EXPECT_EQ(1, g_state.display_ok);
    EXPECT_TRUE(ticked(IDC_LICENCE_ENGLISH)); // entered from page 1: always English first

    send(IDC_NEXT);
    EXPECT_EQ(3, g_state.wizard_page);
    EXPECT_TRUE(IsWindowVisible(item(IDC_LANGUAGE)));
    send(IDC_CANCEL);
    EXPECT_EQ(-1, g_state.wizard_page);
}

TEST_F(Wizard, LicenceLanguageBoxSwitchesTheShownText)
{
    create();
    g_state.wizard_page = 2;
    show_page(dialog, 2);
    click(IDC_LICENCE_ENGLISH);
    EXPECT_EQ(2, g_state.wizard_page);
    EXPECT_TRUE(IsWindowVisible(item(IDC_LICENCE_EN_TEXT)));
    EXPECT_FALSE(IsWindowVisible(item(IDC_LICENCE_CN_LIST)));
    click(IDC_LICENCE_ENGLISH);
    EXPECT_FALSE(IsWindowVisible(item(IDC_LICENCE_EN_TEXT)));
    EXPECT_TRUE(IsWindowVisible(item(IDC_LICENCE_CN_LIST)));
    EXPECT_EQ(2, g_state.wizard_page);
}

TEST_F(Wizard, CommandsQueuedDuringTheInstallStepDoNotMoveThePages)
{
    create();
    g_state.wizard_page = 99;
    send(IDC_BACK);
    EXPECT_EQ(99, g_state.wizard_page);
    send(IDC_LICENCE_ENGLISH);
    EXPECT_TRUE(IsWindowVisible(item(IDC_PATH)));
    EXPECT_FALSE(IsWindowVisible(item(IDC_LICENCE_CN_LIST)));
    send(IDC_NEXT);
    EXPECT_EQ(99, g_state.wizard_page);
    send(IDC_CANCEL); // ending half-way through would leave a half-made install
    EXPECT_EQ(99, g_state.wizard_page);
}

TEST_F(Wizard, ToggledCheckBoxesAreRepainted)
{
    create();
    for (int id : {IDC_DISPLAY_OK, IDC_DISPLAY_NO})
        ShowWindow(item(id), SW_SHOW);
    UpdateWindow(dialog);
    struct {
        int command;
        std::vector<int> repainted;
    } rows[] = {
        {IDC_DESKTOP_ICON, {IDC_DESKTOP_ICON}},
        {IDC_AUTO_START, {IDC_AUTO_START}},
        {IDC_DISPLAY_OK, {IDC_DISPLAY_OK, IDC_DISPLAY_NO}},
        {IDC_DISPLAY_NO, {IDC_DISPLAY_OK, IDC_DISPLAY_NO}},
    };
    for (const auto &r : rows) {
        for (int id : {IDC_DESKTOP_ICON, IDC_AUTO_START, IDC_DISPLAY_OK, IDC_DISPLAY_NO})
            ValidateRect(item(id), NULL);
        send(r.command);
        for (int id : {IDC_DESKTOP_ICON, IDC_AUTO_START, IDC_DISPLAY_OK, IDC_DISPLAY_NO}) {
            int expected = std::find(r.repainted.begin(), r.repainted.end(), id) != r.repainted.end();
            RECT update;
            EXPECT_EQ(expected, GetUpdateRect(item(id), &update, FALSE) != 0) << r.command << " -> " << id;
        }
    }
}

TEST_F(Wizard, DisplayTestWithoutAnswerAsksAndStays)
{
    create();
    send(IDC_NEXT);
    ASSERT_EQ(1, g_state.wizard_page);
    std::vector<SeenMessage> seen = send_answering(IDC_NEXT);
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ(choose_text_cn, seen[0].chinese);
    EXPECT_EQ(choose_text_en, seen[0].english);
    EXPECT_EQ(1, g_state.wizard_page);
    // Ticking and unticking leaves no answer either.
    click(IDC_DISPLAY_NO);
    click(IDC_DISPLAY_NO);
    seen = send_answering(IDC_NEXT);
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ(choose_text_en, seen[0].english);
    EXPECT_EQ(1, g_state.wizard_page);
    click(IDC_DISPLAY_NO);
    seen = send_answering(IDC_NEXT);
    EXPECT_EQ(0u, seen.size());
    EXPECT_EQ(2, g_state.wizard_page);
}

TEST_F(Wizard, ListItemsAreMeasuredByTheListPainterOthersAreNot)
{
    create();
    for (int id : {IDC_LICENCE_CN_LIST, IDC_LANGUAGE}) {
        MEASUREITEMSTRUCT m = {};
        m.CtlType = id == IDC_LANGUAGE ? ODT_COMBOBOX : ODT_LISTBOX;
        m.CtlID = id;
        EXPECT_EQ(TRUE, wizard_proc(dialog, WM_MEASUREITEM, id, (LPARAM)&m)) << id;
        EXPECT_EQ(23u, m.itemHeight) << id;
        EXPECT_EQ(1024u, m.itemWidth) << id;
    }
    MEASUREITEMSTRUCT other = {};
    other.CtlType = ODT_BUTTON;
    other.CtlID = IDC_BROWSE;
    EXPECT_EQ(FALSE, wizard_proc(dialog, WM_MEASUREITEM, IDC_BROWSE, (LPARAM)&other));
    EXPECT_EQ(0u, other.itemHeight);
}

TEST_F(Wizard, DrawRequestsGoToTheListOrTheButtonPainter)
{
    create();
    const COLORREF sentinel = RGB(1, 2, 3);
    struct {
        int id;
        UINT type;
        UINT state;
        int x, y;        // a point outside caption and frame
        COLORREF colour; // what the painter leaves there
    } rows[] = {
        {IDC_LANGUAGE, ODT_COMBOBOX, ODS_SELECTED, 1, 1, GetSysColor(COLOR_HIGHLIGHT)},
        {IDC_LANGUAGE, ODT_COMBOBOX, 0, 1, 1, GetSysColor(COLOR_WINDOW)},
        {IDC_LICENCE_CN_LIST, ODT_LISTBOX, 0, 1, 1, GetSysColor(COLOR_WINDOW)},
        {IDC_BROWSE, ODT_BUTTON, 0, 4, 4, GetSysColor(COLOR_BTNFACE)},
        {IDC_PATH_LABEL, ODT_BUTTON, 0, 4, 4, GetSysColor(COLOR_BTNFACE)},
        {IDC_BANNER_BLANK, ODT_BUTTON, 0, 4, 4, sentinel}, // painted by nobody
    };
    for (const auto &r : rows) {
        Canvas canvas = make_canvas(200, 40, sentinel);
        DRAWITEMSTRUCT d = {};
        d.CtlType = r.type;
        d.CtlID = r.id;
        d.itemID = 0;
        d.itemAction = ODA_DRAWENTIRE;
        d.itemState = r.state;
        d.hwndItem = item(r.id);
        d.hDC = canvas.dc;
        d.rcItem = {0, 0, 200, 40};
        EXPECT_EQ(TRUE, wizard_proc(dialog, WM_DRAWITEM, r.id, (LPARAM)&d)) << r.id;
        EXPECT_EQ(r.colour, canvas_pixel(canvas, r.x, r.y)) << r.id << " state " << r.state;
        free_canvas(&canvas);
    }
}

// ---- licence loading --------------------------------------------------------------

static std::vector<unsigned char> bytes_of(const std::string &text)
{
    return std::vector<unsigned char>(text.begin(), text.end());
}

static HMODULE licence_module(const std::string &name, const std::string &chinese, const std::string &english)
{
    return crafted_module(name, {{IDR_LICENCE_CN, zlib_pack(bytes_of(chinese))},
                                 {IDR_LICENCE_EN, zlib_pack(bytes_of(english))}});
}

class Licence : public Wizard
{
  protected:
    std::vector<std::string> list_items()
    {
        std::vector<std::string> out;
        HWND list = item(IDC_LICENCE_CN_LIST);
        LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; i++) {
            std::string text(SendMessageA(list, LB_GETTEXTLEN, i, 0) + 1, '\0');
            SendMessageA(list, LB_GETTEXT, i, (LPARAM)text.data());
            text.resize(strlen(text.c_str()));
            out.push_back(text);
        }
        return out;
    }
    std::string english_text()
    {
        HWND edit = item(IDC_LICENCE_EN_TEXT);
        std::string text(GetWindowTextLengthA(edit) + 1, '\0');
        GetWindowTextA(edit, text.data(), text.size());
        text.resize(strlen(text.c_str()));
        return text;
    }
    // Shows page 2 with the licence resources of module.
    void show_licence(HMODULE module)
    {
        ASSERT_TRUE(module);
        g_state.instance = module;
        g_state.wizard_page = 2;
        show_page(dialog, 2);
        g_state.instance = setup_module();
    }
};

TEST_F(Licence, ShippedTextsFillListAndEdit)
{
    create();
    show_licence(setup_module());
    std::vector<std::string> lines = list_items();
    EXPECT_GT(lines.size(), 5u);
    EXPECT_LE(lines.size(), 500u);
    for (const auto &line : lines) {
        EXPECT_EQ(std::string::npos, line.find('\r'));
        EXPECT_LT(line.size(), 260u);
    }
    EXPECT_GT(english_text().size(), 100u);
}

TEST_F(Licence, ChineseLinesEndAtCarriageReturnsEnglishIsWhole)
{
    create();
    std::string english = "Licence.\r\nSecond paragraph.";
    show_licence(licence_module("lines", "第一行\r\n第二行 two\rthird\r\ntail without end", english));
    EXPECT_EQ((std::vector<std::string>{"第一行", "第二行 two", "third"}), list_items());
    EXPECT_EQ(english, english_text());
}

TEST_F(Licence, AtMost500LinesAndEachLineFitsTheListPainter)
{
    create();
    std::string chinese;
    for (int i = 0; i < 600; i++)
        chinese += "行" + std::to_string(i) + "\r\n";
    std::string wide_line(300, 'w');
    std::string odd_line = std::string(258, 'o') + "中文"; // a pair may not be split at 259 bytes
    show_licence(licence_module("cap", wide_line + "\r\n" + odd_line + "\r\n" + chinese, "e"));
    std::vector<std::string> lines = list_items();
    ASSERT_EQ(500u, lines.size());
    EXPECT_EQ(std::string(259, 'w'), lines[0]);
    EXPECT_EQ(std::string(258, 'o'), lines[1]);
    EXPECT_EQ("行497", lines[499]);
}

TEST_F(Licence, TextsOfAFullBufferAreTakenLongerOnesRefused)
{
    create();
    // Short lines keep the edit control's wrapping cheap.
    std::string exact;
    while (exact.size() < LICENCE_TEXT_SIZE)
        exact += std::string(62, 'x') + "\r\n";
    exact.resize(LICENCE_TEXT_SIZE);
    exact[0] = 'A';
    exact[LICENCE_TEXT_SIZE - 1] = 'Z';
    std::string chinese = "一\r\n";
    show_licence(licence_module("toolong", chinese, exact + "more"));
    EXPECT_EQ(1u, list_items().size());
    EXPECT_EQ("", english_text()); // refused, nothing overrun
    show_licence(licence_module("exact", chinese, exact));
    std::string shown = english_text();
    EXPECT_EQ(exact.size(), shown.size());
    EXPECT_EQ(exact, shown);
    EXPECT_EQ(1u, list_items().size()); // the retry did not add the lines again
}

TEST_F(Licence, AFailedLoadIsRetriedOnTheNextVisitAndASuccessfulOneIsNot)
{
    create();
    // The Chinese text does not inflate: the English one is not even tried.
    HMODULE broken = crafted_module("broken", {{IDR_LICENCE_CN, bytes_of("not a zlib stream")},
                                               {IDR_LICENCE_EN, zlib_pack(bytes_of("English"))}});
    show_licence(broken);
    EXPECT_TRUE(list_items().empty());
    EXPECT_EQ("", english_text());
    EXPECT_TRUE(IsWindowVisible(item(IDC_LICENCE_CN_LIST)));

    // Missing resources fail the same way.
    show_licence(crafted_module("missing", {}));
    EXPECT_TRUE(list_items().empty());

    show_licence(licence_module("good", "甲\r\n乙\r\n", "English"));
    EXPECT_EQ((std::vector<std::string>{"甲", "乙"}), list_items());
    EXPECT_EQ("English", english_text());

    show_licence(licence_module("other", "丙\r\n", "Other"));
    EXPECT_EQ((std::vector<std::string>{"甲", "乙"}), list_items());
    EXPECT_EQ("English", english_text());

    // Only page 2 loads.
    DestroyWindow(dialog);
    create();
    g_state.instance = licence_module("page3", "丁\r\n", "x");
    show_page(dialog, 3);
    g_state.instance = setup_module();
    EXPECT_TRUE(list_items().empty());
}

// ---- the install step ------------------------------------------------------------

static std::string current_dir()
{
    char dir[PATH_SIZE] = "";
    GetCurrentDirectoryA(sizeof(dir), dir);
    return dir;
}

static bool is_dir(const std::string &path)
{
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

TEST_F(Wizard, ExistingFolderIsUsedAsItIsNewOneGetsDoc)
{
    create();
    std::string root = fresh_dir("wizard-folders");
    struct {
        std::string typed;
        std::string folder;
        bool existed;
    } rows[] = {
        {root, root, true},
        {root + "\\\\", root, true},
        {root + "\\new", root + "\\new", false},
        // Blanks around the path and trailing backslashes are not part of the folder.
        {root + "\\slash\\", root + "\\slash", false},
        {"  " + root + "\\blank \t ", root + "\\blank", false},
        {root + "\\new\\..\\dots", root + "\\dots", false},
        // Windows makes a folder without its trailing dots and blanks: the state names that one.
        {root + "\\dot.", root + "\\dot", false},
        {root + "\\tail. \\", root + "\\tail", false},
        {root + "\\trail .\\", root + "\\trail", false},
    };
    for (const auto &r : rows) {
        SetDlgItemTextA(dialog, IDC_PATH, r.typed.c_str());
        MessageAnswerer answerer;
        EXPECT_EQ(1, prepare_install_dir(dialog)) << r.typed;
        EXPECT_TRUE(answerer.finish().empty());
        EXPECT_EQ(r.folder, g_state.install_dir) << r.typed;
        EXPECT_TRUE(is_dir(r.folder));
        EXPECT_EQ(!r.existed, is_dir(r.folder + "\\doc")) << r.typed;
        if (r.existed) {
            EXPECT_EQ(r.folder, current_dir());
        }
        SetCurrentDirectoryA("C:\\");
    }
    // A relative path is taken from the current folder, not left relative.
    SetCurrentDirectoryA(root.c_str());
    SetDlgItemTextA(dialog, IDC_PATH, "relative");
    MessageAnswerer answerer;
    EXPECT_EQ(1, prepare_install_dir(dialog));
    EXPECT_TRUE(answerer.finish().empty());
    EXPECT_EQ(root + "\\relative", g_state.install_dir);
    EXPECT_TRUE(is_dir(root + "\\relative\\doc"));

    // A bare drive is its root, not the folder the process happens to be in on that drive. The
    // root holds files of others: the question comes, and no (the answer given) changes nothing.
    SetDlgItemTextA(dialog, IDC_PATH, " C: ");
    MessageAnswerer root_answerer;
    EXPECT_EQ(0, prepare_install_dir(dialog));
    std::vector<SeenMessage> seen = root_answerer.finish();
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ("所选目录里已有别的文件，同名文件将被替换。仍然安装到这个目录吗？", seen[0].chinese);
    EXPECT_STREQ("C:", g_state.install_dir);
    EXPECT_EQ(0, g_state.created_install_dir);
    EXPECT_EQ(root, current_dir());
    EXPECT_FALSE(is_dir(root + "\\doc"));
    SetCurrentDirectoryA("C:\\");
}

TEST_F(Wizard, FolderThatCannotBeCreatedGivesTheFolderMessage)
{
    create();
    std::string root = fresh_dir("wizard-missing");
    std::string too_long = "C:\\" + std::string(300, 'l');
    // "kl_bihua1_dups_prefered_codes.bin" (33 bytes) must fit under the folder.
    std::string no_room = root + "\\" + std::string(259 - root.size() - 1 - 1 - 33 + 1, 'r');
    std::string just_room = no_room.substr(0, no_room.size() - 1);
    ASSERT_TRUE(CreateDirectoryA((root + "\\sp").c_str(), NULL));
    struct {
        std::string typed;
        std::string install_dir; // what the state holds afterwards
    } rows[] = {
        {root + "\\no\\such", root + "\\no\\such"},
        {"", ""},
        {"   ", ""},
        {too_long, "kept"}, // not cut to 259 bytes and tried
        {no_room, no_room},
        // Devices are judged on the tidied path, in every component.
        {root + "\\NUL\\", root + "\\NUL"},
        {root + "\\con.txt\\.", root + "\\con.txt"},
        {root + "\\con .txt\\", root + "\\con .txt"},
        {root + "\\Lpt1.log\\sub", root + "\\Lpt1.log\\sub"},
        {root + "\\x\\nul.", "\\\\.\\nul"},
        // The device and object namespaces, whatever the slashes.
        {"\\\\?\\" + root + "\\q", ""},
        {"\\\\.\\" + root + "\\q", ""},
        {"//?/" + root + "\\q", ""},
        {" \\??\\" + root + "\\q", ""},
        // Names Windows would make under another name, or not at all.
        {root + "\\sp \\inner", root + "\\sp \\inner"},
        {root + "\\a:b", root + "\\a:b"},
    };
    for (const auto &r : rows) {
        copy_text(g_state.install_dir, sizeof(g_state.install_dir), "kept");
        SetDlgItemTextA(dialog, IDC_PATH, r.typed.c_str());
        MessageAnswerer answerer;
        EXPECT_EQ(0, prepare_install_dir(dialog)) << r.typed;
        std::vector<SeenMessage> seen = answerer.finish();
        ASSERT_EQ(1u, seen.size()) << r.typed;
        EXPECT_EQ(folder_text_cn, seen[0].chinese);
        EXPECT_EQ(folder_text_en, seen[0].english);
        EXPECT_EQ(r.install_dir, g_state.install_dir);
    }
    EXPECT_EQ(std::vector<std::string>{"sp"}, sorted_entries(root));
    EXPECT_EQ(std::vector<std::string>{}, sorted_entries(root + "\\sp"));
    SetDlgItemTextA(dialog, IDC_PATH, just_room.c_str());
    MessageAnswerer answerer;
    EXPECT_EQ(1, prepare_install_dir(dialog));
    EXPECT_TRUE(answerer.finish().empty());
    EXPECT_TRUE(is_dir(just_room));
    SetCurrentDirectoryA("C:\\");
}

TEST_F(Wizard, ForwardOnPage3WithABadFolderStaysOnPage3)
{
    create();
    std::string root = fresh_dir("wizard-stay");
    go_to_page3(IDC_DISPLAY_OK);
    for (const std::string &typed : {root + "\\a\\b", root + "\\NUL\\", "\\\\?\\" + root + "\\x"}) {
        SetDlgItemTextA(dialog, IDC_PATH, typed.c_str());
        std::vector<SeenMessage> seen = send_answering(IDC_NEXT);
        ASSERT_EQ(1u, seen.size()) << typed;
        EXPECT_EQ(folder_text_en, seen[0].english) << typed;
        EXPECT_EQ(3, g_state.wizard_page) << typed;
        EXPECT_TRUE(IsWindowVisible(item(IDC_NEXT)));
        EXPECT_TRUE(IsWindowVisible(item(IDC_BACK)));
        EXPECT_TRUE(IsWindowEnabled(item(IDC_BACK)));
        EXPECT_TRUE(IsWindowVisible(item(IDC_CANCEL)));
        EXPECT_TRUE(IsWindowVisible(item(IDC_LANGUAGE)));
    }
    EXPECT_EQ(std::vector<std::string>{}, sorted_entries(root));
    send(IDC_BACK);
    EXPECT_EQ(2, g_state.wizard_page);
}

// Runs a shell command on the host, where links can be made (Wine's own link calls pretend to
// succeed and make none); true once it has finished. marker is a Windows path the command
// creates last.
static bool run_on_host(const std::string &command, const std::string &marker)
{
    std::string host_marker = host_path(marker);
    if (host_marker.empty() || host_marker.find('\'') != std::string::npos)
        return false;
    DeleteFileA(marker.c_str());
    std::string line = "/bin/sh -c \"" + command + " && : > '" + host_marker + "'\"";
    std::vector<char> text(line.begin(), line.end());
    text.push_back(0);
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA("Z:\\bin\\sh", text.data(), NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi))
        return false;
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    // Wine gives no handle that ends with a host program: wait for its mark instead.
    for (int i = 0; i < 200 && !file_exists(marker); i++)
        Sleep(50);
    return DeleteFileA(marker.c_str()) != 0;
}

TEST_F(Wizard, ADestinationThatIsALinkIsRefusedWithTheFolderMessage)
{
    create();
    std::string root = fresh_dir("wizard-link");
    std::string host = host_path(root);
    ASSERT_FALSE(host.empty());
    ASSERT_TRUE(CreateDirectoryA((root + "\\elsewhere").c_str(), NULL));
    ASSERT_TRUE(write_file(root + "\\elsewhere\\mine.txt", std::string("the user's own")));
    ASSERT_TRUE(run_on_host("ln -s '" + host + "/elsewhere' '" + host + "/link' && ln -s '" + host +
                                "/missing' '" + host + "/dangling'",
                            root + "\\made"));
    ASSERT_EQ((DWORD)(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT),
              GetFileAttributesA((root + "\\link").c_str()));
    for (const std::string &typed : {root + "\\link", root + "\\link\\", root + "\\dangling"}) {
        SetCurrentDirectoryA("C:\\");
        SetDlgItemTextA(dialog, IDC_PATH, typed.c_str());
        MessageAnswerer answerer;
        EXPECT_EQ(0, prepare_install_dir(dialog)) << typed;
        std::vector<SeenMessage> seen = answerer.finish();
        ASSERT_EQ(1u, seen.size()) << typed;
        EXPECT_EQ(folder_text_cn, seen[0].chinese);
        EXPECT_EQ(folder_text_en, seen[0].english);
        EXPECT_EQ(0, g_state.created_install_dir) << typed;
        EXPECT_EQ("C:\\", current_dir()) << typed;
    }
    EXPECT_EQ((std::vector<std::string>{"mine.txt"}), sorted_entries(root + "\\elsewhere"));
    EXPECT_FALSE(file_exists(root + "\\missing"));
    EXPECT_TRUE(run_on_host("rm '" + host + "/link' '" + host + "/dangling'", root + "\\made"));
}

// ---- the access list of a new folder ---------------------------------------------

static std::string sid_text(PSID sid)
{
    char *text = NULL;
    if (!ConvertSidToStringSidA(sid, &text))
        return "?";
    std::string out = text;
    LocalFree(text);
    return out;
}

static std::string token_user_sid()
{
    HANDLE token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return "";
    std::vector<BYTE> space(1024);
    DWORD got = 0;
    BOOL ok = GetTokenInformation(token, TokenUser, space.data(), (DWORD)space.size(), &got);
    CloseHandle(token);
    return ok ? sid_text(((TOKEN_USER *)space.data())->User.Sid) : "";
}

struct AceSeen {
    std::string sid;
    BYTE type, flags;
    DWORD mask;
    bool operator<(const AceSeen &o) const { return sid < o.sid; }
    bool operator==(const AceSeen &o) const
    {
        return sid == o.sid && type == o.type && flags == o.flags && mask == o.mask;
    }
};

static std::ostream &operator<<(std::ostream &out, const AceSeen &a)
{
    return out << a.sid << " type " << (int)a.type << " flags " << (int)a.flags << " mask " << std::hex
               << a.mask << std::dec;
}

static std::vector<AceSeen> aces_of(ACL *acl)
{
    std::vector<AceSeen> out;
    for (DWORD i = 0; acl && i < acl->AceCount; i++) {
        ACE_HEADER *header;
        if (!GetAce(acl, i, (void **)&header))
            break;
        AceSeen a = {"", header->AceType, header->AceFlags, 0};
        if (header->AceType == ACCESS_ALLOWED_ACE_TYPE || header->AceType == ACCESS_DENIED_ACE_TYPE) {
            ACCESS_ALLOWED_ACE *ace = (ACCESS_ALLOWED_ACE *)header;
            a.sid = sid_text(&ace->SidStart);
            a.mask = ace->Mask;
        }
        out.push_back(a);
    }
    std::sort(out.begin(), out.end());
    return out;
}

TEST(FolderSecurity, UserSystemAndAdministratorsControlUsersReadNothingIsInherited)
{
    SECURITY_DESCRIPTOR sd;
    DWORD acl_space[128];
    ASSERT_EQ(1, build_folder_security(&sd, (ACL *)acl_space, sizeof(acl_space)));
    EXPECT_TRUE(IsValidSecurityDescriptor(&sd));
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ASSERT_TRUE(GetSecurityDescriptorControl(&sd, &control, &revision));
    EXPECT_EQ(SE_DACL_PRESENT | SE_DACL_PROTECTED,
              control & (SE_DACL_PRESENT | SE_DACL_PROTECTED | SE_DACL_DEFAULTED));
    BOOL present = FALSE, defaulted = TRUE;
    ACL *acl = NULL;
    ASSERT_TRUE(GetSecurityDescriptorDacl(&sd, &present, &acl, &defaulted));
    EXPECT_TRUE(present);
    EXPECT_FALSE(defaulted);
    ASSERT_EQ((ACL *)acl_space, acl);
    EXPECT_TRUE(IsValidAcl(acl));
    std::string user = token_user_sid();
    ASSERT_NE("", user);
    // FILE_ALL_ACCESS is 0x1F01FF; read and execute (FILE_GENERIC_READ | FILE_GENERIC_EXECUTE)
    // 0x1200A9; 3 passes each entry on to files and folders made inside.
    std::vector<AceSeen> expected = {
        {user, ACCESS_ALLOWED_ACE_TYPE, 3, 0x1F01FF},
        {"S-1-5-18", ACCESS_ALLOWED_ACE_TYPE, 3, 0x1F01FF},
        {"S-1-5-32-544", ACCESS_ALLOWED_ACE_TYPE, 3, 0x1F01FF},
        {"S-1-5-32-545", ACCESS_ALLOWED_ACE_TYPE, 3, 0x1200A9},
    };
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, aces_of(acl));

    // A space too small for the four entries is refused, not overrun.
    std::vector<DWORD> small(24 + 8, 0x5a5a5a5a); // 96 bytes used, 32 guard bytes
    EXPECT_EQ(0, build_folder_security(&sd, (ACL *)small.data(), 96));
    for (size_t i = 24; i < small.size(); i++)
        EXPECT_EQ(0x5a5a5a5au, small[i]) << i;
}

// Wine keeps no access lists: what it reads back is made up from the host's permission bits,
// so only what those bits can carry is checked here (see the report on the issue).
TEST_F(Wizard, ANewFolderAndItsDocReadBackWithoutAccessForEveryone)
{
    create();
    std::string root = fresh_dir("wizard-access");
    std::string user = token_user_sid();
    ASSERT_NE("", user);
    auto read_back = [](const std::string &path, std::vector<AceSeen> *aces) {
        ACL *acl = NULL;
        PSECURITY_DESCRIPTOR sd = NULL;
        DWORD error = GetNamedSecurityInfoA(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, NULL,
                                            NULL, &acl, NULL, &sd);
        ASSERT_EQ((DWORD)ERROR_SUCCESS, error) << path;
        ASSERT_TRUE(acl) << path;
        *aces = aces_of(acl);
        LocalFree(sd);
    };
    // A folder made without a list here shows everyone reading it: the read-back can tell.
    std::string plain = root + "\\plain";
    ASSERT_TRUE(CreateDirectoryA(plain.c_str(), NULL));
    std::vector<AceSeen> aces;
    ASSERT_NO_FATAL_FAILURE(read_back(plain, &aces));
    ASSERT_TRUE(std::any_of(aces.begin(), aces.end(), [](const AceSeen &a) { return a.sid == "S-1-1-0"; }))
        << "this system shows no difference to look for";

    std::string folder = root + "\\Tavik";
    SetDlgItemTextA(dialog, IDC_PATH, folder.c_str());
    MessageAnswerer answerer;
    ASSERT_EQ(1, prepare_install_dir(dialog));
    EXPECT_TRUE(answerer.finish().empty());
    ASSERT_EQ(1, g_state.created_install_dir);
    const DWORD write_rights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | FILE_DELETE_CHILD |
                               FILE_WRITE_ATTRIBUTES | DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE |
                               GENERIC_ALL;
    for (const std::string &path : {folder, folder + "\\doc"}) {
        ASSERT_NO_FATAL_FAILURE(read_back(path, &aces));
        bool user_controls = false, system_controls = false;
        for (const AceSeen &a : aces) {
            SCOPED_TRACE(::testing::PrintToString(a));
            EXPECT_NE("S-1-1-0", a.sid) << path;
            if (a.type != ACCESS_ALLOWED_ACE_TYPE)
                continue;
            user_controls |= a.sid == user && (a.mask & 0x1F01FF) == 0x1F01FF;
            system_controls |= a.sid == "S-1-5-18" && (a.mask & 0x1F01FF) == 0x1F01FF;
            if (a.sid != user && a.sid != "S-1-5-18" && a.sid != "S-1-5-32-544") {
                EXPECT_EQ(0u, a.mask & write_rights) << path;
            }
        }
        EXPECT_TRUE(user_controls) << path;
        EXPECT_TRUE(system_controls) << path;
    }
    SetCurrentDirectoryA("C:\\");
}

TEST_F(Wizard, PointerOutsideTheWizardIsMovedToItsCentre)
{
    create();
    RECT window;
    GetWindowRect(dialog, &window);
    POINT centre = {window.left + (window.right - window.left) / 2,
                    window.top + (window.bottom - window.top) / 2};
    SetCursorPos(window.right + 5, window.bottom + 5);
    POINT at;
    GetCursorPos(&at);
    ASSERT_FALSE(PtInRect(&window, at)) << "the pointer cannot be placed outside the wizard here";
    park_pointer(dialog);
    GetCursorPos(&at);
    EXPECT_EQ(centre.x, at.x);
    EXPECT_EQ(centre.y, at.y);
    // Inside it stays where it is.
    SetCursorPos(window.left + 3, window.top + 3);
    park_pointer(dialog);
    GetCursorPos(&at);
    EXPECT_EQ(window.left + 3, at.x);
    EXPECT_EQ(window.top + 3, at.y);
}

// A whole install step whose run stops at its first file: a folder is in the way.
TEST_F(Wizard, InstallStepRecordsChoicesWaitsAndEndsWithTheOutcome)
{
    create();
    std::string folder = fresh_dir("wizard-step");
    ASSERT_TRUE(CreateDirectoryA((folder + "\\pykeys.dic").c_str(), NULL));
    ASSERT_TRUE(write_file(folder + "\\TVK.exe", std::string("an earlier install"))); // no question
    click(IDC_DESKTOP_ICON);                                                          // untick
    click(IDC_AUTO_START);
    go_to_page3(IDC_DISPLAY_NO);
    SendMessageA(item(IDC_LANGUAGE), CB_SETCURSEL, 2, 0);
    SetDlgItemTextA(dialog, IDC_PATH, folder.c_str());
    SetCursorPos(0, 0);

    MessageAnswerer answerer;
    send(IDC_NEXT);
    std::vector<SeenMessage> seen = answerer.finish();

    ASSERT_FALSE(seen.empty());
    const SeenMessage &last = seen.back();
    EXPECT_EQ("安装失败！请检查一下系统后，再重新安装。谢谢！", last.chinese);
    EXPECT_EQ("Installation failed. Please check your system (quit all Tavik applications) and try again.",
              last.english);
    EXPECT_GE(last.seconds, 5.0); // never sooner than 5 seconds after the click
    EXPECT_EQ(-1, g_state.wizard_page);
    EXPECT_EQ(0, g_state.want_desktop_icon);
    EXPECT_EQ(1, g_state.want_auto_start);
    EXPECT_EQ(2, g_state.force_language);
    EXPECT_EQ(0, g_state.display_ok);
    EXPECT_EQ(folder, g_state.install_dir);
    EXPECT_FALSE(is_dir(folder + "\\doc")); // the folder existed
    for (int id : {IDC_NEXT, IDC_BACK, IDC_CANCEL})
        EXPECT_FALSE(IsWindowVisible(item(id))) << id;
    EXPECT_TRUE(IsWindowVisible(item(IDC_LANGUAGE)));
    RECT window;
    GetWindowRect(dialog, &window);
    POINT at;
    GetCursorPos(&at);
    EXPECT_TRUE(PtInRect(&window, at));
}

// The shipped payload into a new folder: the step ends with the success message.
TEST_F(Wizard, InstallStepIntoANewFolderEndsWithSuccess)
{
    create();
    std::string folder = fresh_dir("wizard-success") + "\\Tavik";
    go_to_page3(IDC_DISPLAY_OK);
    SetDlgItemTextA(dialog, IDC_PATH, folder.c_str());

    MessageAnswerer answerer;
    send(IDC_NEXT);
    std::vector<SeenMessage> seen = answerer.finish();

    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ("祝贺您：安装顺利完成！", seen[0].chinese);
    EXPECT_EQ("Congratulations! Installation Success!", seen[0].english);
    EXPECT_GE(seen[0].seconds, 5.0);
    EXPECT_EQ(-1, g_state.wizard_page);
    EXPECT_EQ(1, g_state.want_desktop_icon);
    EXPECT_EQ(0, g_state.want_auto_start);
    EXPECT_EQ(0, g_state.force_language);
    EXPECT_EQ(1, g_state.display_ok);
    EXPECT_TRUE(is_dir(folder + "\\doc"));
    EXPECT_TRUE(file_exists(folder + "\\pykeys.dic"));
    EXPECT_TRUE(IsWindowVisible(item(IDC_PROGRESS)));
}
