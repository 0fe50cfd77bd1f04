// The real TavikSetup.exe driven from outside on an English system: pages, messages, files, shortcuts.
#include <windows.h>

#include <gtest/gtest.h>
#include <zlib.h>

#include <commctrl.h>
#include <shlobj.h>

#include "resources/ids.h"
#include "support/e2e_driver.h"
#include "support/screenshot.h"
#include "support/tavik_test.h"

static const char *const SUCCESS_CN = "祝贺您：安装顺利完成！";
static const char *const SUCCESS_EN = "Congratulations! Installation Success!";
static const char *const FAILURE_CN = "安装失败！请检查一下系统后，再重新安装。谢谢！";
static const char *const FAILURE_EN =
    "Installation failed. Please check your system (quit all Tavik applications) and try again.";
static const char *const NO_ANSWER_CN = "请您回答提问.";
static const char *const NO_ANSWER_EN = "Please select a choice.";
static const char *const NO_FOLDER_CN =
    "无法建目录。请检查所列目录是否合法（注意：子目录只能在已存在的目录下建）。";
static const char *const NO_FOLDER_EN = "Cannot create folder! Please check folder path.";
static const char *const OLD_BASE_CN = "安装目录有老词库。是否安装新词库(会冲掉老词库)?";
static const char *const OLD_BASE_EN = "Old CiKu (Word Base) is detected. Replace it with new CiKu?";

static const char *const OLD_WORD_BASE[] = {"CiZuFlat.igb", "pxcizudic.idx", "pycizudic.idx",
                                            "py2_3ZiCi1stZuMu.idx"};

class EndToEnd : public ::testing::Test
{
  protected:
    SetupProcess setup = {};
    void SetUp() override { remove_installer_shortcuts(); }
    void TearDown() override { end_setup(&setup); }

    // Starts the installer and checks the wizard is on its first page.
    void start(const std::string &cwd = "C:\\", const std::string &exe = "")
    {
        ASSERT_TRUE(start_setup(&setup, cwd, exe)) << "no visible wizard \"" WIZARD_CAPTION "\"";
        ASSERT_TRUE(wait_page(setup.wizard, 0, 10000)) << page_mismatch(setup.wizard, 0);
    }

    void forward_to(int page)
    {
        post_command(setup.wizard, IDC_NEXT);
        ASSERT_TRUE(wait_page(setup.wizard, page, 10000))
            << "page " << page << ":" << page_mismatch(setup.wizard, page);
    }

    void back_to(int page)
    {
        post_command(setup.wizard, IDC_BACK);
        ASSERT_TRUE(wait_page(setup.wizard, page, 10000))
            << "page " << page << ":" << page_mismatch(setup.wizard, page);
    }

    void expect_message(const MessageSeen &m, const char *chinese, const char *english)
    {
        EXPECT_EQ(std::string(chinese), m.chinese);
        EXPECT_EQ(std::string(english), m.english);
        EXPECT_TRUE(m.english_visible);
        EXPECT_EQ(setup.wizard, m.owner);
        EXPECT_FALSE(IsWindowEnabled(setup.wizard)) << "the message is modal to the wizard";
    }

    void expect_notice(const MessageSeen &m, const char *chinese, const char *english)
    {
        expect_message(m, chinese, english);
        EXPECT_TRUE(m.ok);
        EXPECT_FALSE(m.cancel || m.yes || m.no);
    }

    // Posts forward on page 1 without an answer and closes "Please select a choice.".
    void expect_no_answer_message(const std::string &shot)
    {
        post_command(setup.wizard, IDC_NEXT);
        MessageSeen m;
        ASSERT_TRUE(wait_message(&setup, 10000, &m)) << "no \"Please select a choice.\" message";
        expect_notice(m, NO_ANSWER_CN, NO_ANSWER_EN);
        if (!shot.empty())
            take_screenshot(shot, m.window);
        ASSERT_TRUE(answer_message(m.window, IDC_MSG_OK));
        EXPECT_TRUE(sync_wizard(setup.wizard));
        EXPECT_EQ(1, current_page(setup.wizard)) << page_mismatch(setup.wizard, 1);
        EXPECT_TRUE(IsWindowEnabled(setup.wizard));
    }

    // The install step from page 3 through the final message; the process must end with 0.
    void install(int question_answer, bool expect_question, const std::string &shots)
    {
        MessageSeen final_message;
        ULONGLONG elapsed = 0;
        bool question = false;
        ASSERT_TRUE(run_install_step(&setup, question_answer, &final_message, &elapsed, &question, shots))
            << "no final message";
        EXPECT_EQ(expect_question, question);
        EXPECT_GE(elapsed, 5000u) << "the final message came too soon";
        expect_notice(final_message, SUCCESS_CN, SUCCESS_EN);
        // During the step the navigation buttons are gone and the bar is full.
        EXPECT_FALSE(control_visible(setup.wizard, IDC_NEXT));
        EXPECT_FALSE(control_visible(setup.wizard, IDC_BACK));
        EXPECT_FALSE(control_visible(setup.wizard, IDC_CANCEL));
        EXPECT_TRUE(control_visible(setup.wizard, IDC_PROGRESS));
        EXPECT_EQ(100, SendMessageA(GetDlgItem(setup.wizard, IDC_PROGRESS), PBM_GETPOS, 0, 0));
        EXPECT_TRUE(control_visible(setup.wizard, IDC_LANGUAGE)) << "page 3 stays on screen";
        if (!shots.empty())
            take_screenshot(shots + "-final", final_message.window);
        ASSERT_TRUE(answer_message(final_message.window, IDC_MSG_OK));
        DWORD code = 99;
        ASSERT_TRUE(wait_exit(&setup, 20000, &code)) << "still running after the final message";
        EXPECT_EQ(0u, code);
    }

    int language_index(int value)
    {
        for (int i = 0; i < combo_count(setup.wizard, IDC_LANGUAGE); i++)
            if (combo_item_data(setup.wizard, IDC_LANGUAGE, i) == value)
                return i;
        return -1;
    }

    // A plain install: path, check boxes, display answer and language, from page 0 to the end.
    void quick_install(const std::string &dir, bool desktop, bool startup, int answer, int language,
                       int question_answer, bool expect_question)
    {
        ASSERT_TRUE(set_control_text(setup.wizard, IDC_PATH, dir));
        if ((check_state(setup.wizard, IDC_DESKTOP_ICON) == BST_CHECKED) != desktop)
            click_check(setup.wizard, IDC_DESKTOP_ICON);
        if ((check_state(setup.wizard, IDC_AUTO_START) == BST_CHECKED) != startup)
            click_check(setup.wizard, IDC_AUTO_START);
        ASSERT_TRUE(walk_to_page(&setup, 3, answer)) << page_mismatch(setup.wizard, 3);
        ASSERT_TRUE(select_combo_item(setup.wizard, IDC_LANGUAGE, language_index(language)));
        install(question_answer, expect_question, "");
    }
};

TEST(Screenshot, PngHoldsThePixelsWithValidChunks)
{
    const int w = 3, h = 2;
    std::vector<unsigned char> rgb = {255, 0, 0, 0, 255, 0, 0, 0, 255, 1, 2, 3, 200, 100, 50, 9, 8, 7};
    std::vector<unsigned char> png = encode_png_rgb(w, h, rgb);
    ASSERT_GT(png.size(), 8u + 25 + 12 + 12);
    EXPECT_EQ(0, memcmp(png.data(), "\x89PNG\r\n\x1a\n", 8));
    std::vector<unsigned char> idat;
    std::vector<std::string> kinds;
    size_t at = 8;
    while (at + 12 <= png.size()) {
        unsigned long n = (png[at] << 24) | (png[at + 1] << 16) | (png[at + 2] << 8) | png[at + 3];
        ASSERT_LE(at + 12 + n, png.size());
        std::string kind((const char *)&png[at + 4], 4);
        kinds.push_back(kind);
        unsigned long crc =
            (png[at + 8 + n] << 24) | (png[at + 9 + n] << 16) | (png[at + 10 + n] << 8) | png[at + 11 + n];
        EXPECT_EQ(crc32(0, &png[at + 4], 4 + n), crc) << kind;
        if (kind == "IHDR") {
            EXPECT_EQ(13u, n);
            EXPECT_EQ(w, png[at + 11]);
            EXPECT_EQ(h, png[at + 15]);
            EXPECT_EQ(8, png[at + 16]);
            EXPECT_EQ(2, png[at + 17]);
        }
        if (kind == "IDAT")
            idat.insert(idat.end(), &png[at + 8], &png[at + 8 + n]);
        at += 12 + n;
    }
    EXPECT_EQ(png.size(), at);
    EXPECT_EQ((std::vector<std::string>{"IHDR", "IDAT", "IEND"}), kinds);
    std::vector<unsigned char> raw(h * (w * 3 + 1));
    uLongf size = raw.size();
    ASSERT_EQ(Z_OK, uncompress(raw.data(), &size, idat.data(), idat.size()));
    ASSERT_EQ(raw.size(), size);
    for (int y = 0; y < h; y++) {
        EXPECT_EQ(0, raw[y * (w * 3 + 1)]);
        EXPECT_EQ(0, memcmp(&raw[y * (w * 3 + 1) + 1], &rgb[y * w * 3], w * 3)) << "row " << y;
    }
    EXPECT_TRUE(encode_png_rgb(2, 2, rgb).empty()) << "size mismatch must not encode";
}

TEST(Screenshot, CapturesTheWholeScreen)
{
    int w = 0, h = 0;
    std::vector<unsigned char> rgb;
    ASSERT_TRUE(capture_screen(&w, &h, &rgb));
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), w);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), h);
    EXPECT_EQ((size_t)w * h * 3, rgb.size());
}

// Every page, both messages of the walk, the licence toggle, Back, the choices, and what lands on disk.
TEST_F(EndToEnd, FullWalkOnEnglishSystemInstallsEverything)
{
    ASSERT_EQ(1252u, GetACP());
    ASSERT_EQ(0x0409, GetSystemDefaultLangID());
    ASSERT_NO_FATAL_FAILURE(start());
    HWND w = setup.wizard;
    take_screenshot("walk-1-page0", w);

    // Page 0: default path on the Windows drive, desktop icon ticked, auto-start not.
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, sizeof(windows));
    EXPECT_EQ(std::string(1, windows[0]) + ":\\Tavik", control_text(w, IDC_PATH));
    EXPECT_EQ(BST_CHECKED, check_state(w, IDC_DESKTOP_ICON));
    EXPECT_EQ(BST_UNCHECKED, check_state(w, IDC_AUTO_START));
    if (active_window(&setup) == w) { // unless a program beside this one took the activation
        EXPECT_EQ(GetDlgItem(w, IDC_PATH), focused_window(&setup)) << "the path edit starts with the focus";
    }
    ASSERT_EQ(3, combo_count(w, IDC_LANGUAGE));
    const char *languages[] = {"English 英文", "Chinese(Simplified)  中文简体",
                               "Chinese(Traditional) 中文繁体"};
    for (int i = 0; i < 3; i++) {
        EXPECT_EQ(std::string(languages[i]), combo_item_text(w, IDC_LANGUAGE, i));
        EXPECT_EQ(i, combo_item_data(w, IDC_LANGUAGE, i));
    }
    EXPECT_EQ(0, combo_selection(w, IDC_LANGUAGE));

    std::string dir = fresh_target("walk", "Tavik");
    ASSERT_TRUE(set_control_text(w, IDC_PATH, dir));
    click_check(w, IDC_AUTO_START);
    EXPECT_EQ(BST_CHECKED, check_state(w, IDC_AUTO_START));
    EXPECT_EQ(BST_CHECKED, check_state(w, IDC_DESKTOP_ICON));

    // Page 1: unanswered; forward without an answer is refused.
    ASSERT_NO_FATAL_FAILURE(forward_to(1));
    take_screenshot("walk-2-page1", w);
    EXPECT_EQ(BST_UNCHECKED, check_state(w, IDC_DISPLAY_OK));
    EXPECT_EQ(BST_UNCHECKED, check_state(w, IDC_DISPLAY_NO));
    ASSERT_NO_FATAL_FAILURE(expect_no_answer_message("walk-3-no-answer"));

    // The OK/NO pair excludes itself; unticking leaves no answer.
    struct {
        int click;
        int ok, no;
    } pair[] = {{IDC_DISPLAY_OK, 1, 0},
                {IDC_DISPLAY_NO, 0, 1},
                {IDC_DISPLAY_OK, 1, 0},
                {IDC_DISPLAY_OK, 0, 0},
                {IDC_DISPLAY_NO, 0, 1}};
    for (const auto &step : pair) {
        click_check(w, step.click);
        EXPECT_EQ(step.ok, check_state(w, IDC_DISPLAY_OK)) << "after clicking " << step.click;
        EXPECT_EQ(step.no, check_state(w, IDC_DISPLAY_NO)) << "after clicking " << step.click;
    }
    click_check(w, IDC_DISPLAY_NO);
    ASSERT_NO_FATAL_FAILURE(expect_no_answer_message(""));
    click_check(w, IDC_DISPLAY_NO);

    // Page 2: English licence first; the box switches to the Chinese lines and back.
    ASSERT_NO_FATAL_FAILURE(forward_to(2));
    EXPECT_EQ(BST_CHECKED, check_state(w, IDC_LICENCE_ENGLISH));
    EXPECT_TRUE(control_visible(w, IDC_LICENCE_EN_TEXT));
    std::vector<unsigned char> english = setup_payload(IDR_LICENCE_EN);
    EXPECT_EQ(std::string(english.begin(), english.end()), control_text(w, IDC_LICENCE_EN_TEXT));
    take_screenshot("walk-4-page2-english", w);
    click_check(w, IDC_LICENCE_ENGLISH);
    ASSERT_TRUE(sync_wizard(w));
    EXPECT_EQ(2, current_page(w)) << page_mismatch(w, 2);
    EXPECT_TRUE(control_visible(w, IDC_LICENCE_CN_LIST));
    EXPECT_FALSE(control_visible(w, IDC_LICENCE_EN_TEXT));
    std::vector<unsigned char> chinese = setup_payload(IDR_LICENCE_CN);
    std::vector<std::string> lines;
    std::string line;
    for (size_t i = 0; i < chinese.size(); i++) {
        if (chinese[i] == '\r') {
            lines.push_back(line);
            line.clear();
            if (i + 1 < chinese.size() && chinese[i + 1] == '\n')
                i++;
        } else {
            line += (char)chinese[i];
        }
    }
    ASSERT_EQ((int)lines.size(), list_count(w, IDC_LICENCE_CN_LIST));
    for (size_t i = 0; i < lines.size(); i++)
        EXPECT_EQ(lines[i], list_item_text(w, IDC_LICENCE_CN_LIST, (int)i)) << "line " << i;
    take_screenshot("walk-5-page2-chinese", w);
    click_check(w, IDC_LICENCE_ENGLISH);
    ASSERT_TRUE(sync_wizard(w));
    EXPECT_TRUE(control_visible(w, IDC_LICENCE_EN_TEXT));
    EXPECT_FALSE(control_visible(w, IDC_LICENCE_CN_LIST));
    click_check(w, IDC_LICENCE_ENGLISH); // leave it on Chinese: page 1 must reset it

    // Back keeps the answer on page 1 and the choices on page 0.
    ASSERT_NO_FATAL_FAILURE(back_to(1));
    EXPECT_EQ(BST_UNCHECKED, check_state(w, IDC_DISPLAY_OK));
    EXPECT_EQ(BST_CHECKED, check_state(w, IDC_DISPLAY_NO));
    ASSERT_NO_FATAL_FAILURE(back_to(0));
    EXPECT_EQ(dir, control_text(w, IDC_PATH));
    EXPECT_EQ(BST_CHECKED, check_state(w, IDC_DESKTOP_ICON));
    EXPECT_EQ(BST_CHECKED, check_state(w, IDC_AUTO_START));
    // Coming from page 0 the display test starts over.
    ASSERT_NO_FATAL_FAILURE(forward_to(1));
    EXPECT_EQ(BST_UNCHECKED, check_state(w, IDC_DISPLAY_OK));
    EXPECT_EQ(BST_UNCHECKED, check_state(w, IDC_DISPLAY_NO));
    click_check(w, IDC_DISPLAY_NO);
    ASSERT_NO_FATAL_FAILURE(forward_to(2));
    EXPECT_EQ(BST_CHECKED, check_state(w, IDC_LICENCE_ENGLISH))
        << "entered from page 1 the licence is English";
    EXPECT_TRUE(control_visible(w, IDC_LICENCE_EN_TEXT));

    // Page 3: Chinese (Traditional) for the products' interface.
    ASSERT_NO_FATAL_FAILURE(forward_to(3));
    int traditional = language_index(2);
    ASSERT_GE(traditional, 0);
    ASSERT_TRUE(select_combo_item(w, IDC_LANGUAGE, traditional));
    EXPECT_EQ(traditional, combo_selection(w, IDC_LANGUAGE));
    take_screenshot("walk-6-page3", w);
    EXPECT_FALSE(file_exists(dir)) << "nothing is created before the install step";

    ASSERT_NO_FATAL_FAILURE(install(IDC_MSG_YES, false, "walk-7"));

    // The new folder holds its "doc" folder and the 121 files, nothing else.
    EXPECT_TRUE(attributes_of(dir + "\\doc") & FILE_ATTRIBUTE_DIRECTORY);
    expect_installed_files(dir, {"doc"});
    expect_config(dir, '1', 2); // NO on the display test: bitmap font
    expect_shortcuts(dir, english_names, true, true);
    EXPECT_FALSE(file_exists(std::string(windows) + "\\SCtrlSet1.bin"))
        << "no settings file beside the installer: the Windows folder is not touched";
}

// Cancel, Escape, the close box and Enter on Cancel end the program with 0 and create nothing.
TEST_F(EndToEnd, CancelOnAnyPageEndsWithZeroAndCreatesNothing)
{
    enum { CANCEL_BUTTON, ESCAPE_KEY, CLOSE_BOX, ENTER_ON_CANCEL };
    struct {
        int page;
        int how;
        const char *name;
    } rows[] = {
        {0, CANCEL_BUTTON, "page0-cancel"},
        {1, ESCAPE_KEY, "page1-escape"},
        {2, CLOSE_BOX, "page2-close"},
        {3, CANCEL_BUTTON, "page3-cancel"},
        {3, ENTER_ON_CANCEL, "page3-enter-cancel"},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.name);
        ASSERT_NO_FATAL_FAILURE(start());
        std::string dir = fresh_target(std::string("cancel-") + r.name, "Tavik");
        ASSERT_TRUE(set_control_text(setup.wizard, IDC_PATH, dir));
        click_check(setup.wizard, IDC_AUTO_START);
        ASSERT_TRUE(walk_to_page(&setup, r.page, IDC_DISPLAY_OK)) << page_mismatch(setup.wizard, r.page);
        switch (r.how) {
        case CANCEL_BUTTON:
            post_command(setup.wizard, IDC_CANCEL);
            break;
        case ESCAPE_KEY:
            press_key(&setup, VK_ESCAPE);
            break;
        case CLOSE_BOX:
            PostMessageA(setup.wizard, WM_SYSCOMMAND, SC_CLOSE, 0);
            break;
        case ENTER_ON_CANCEL:
            ASSERT_TRUE(focus_control(&setup, setup.wizard, IDC_CANCEL));
            press_key(&setup, VK_RETURN);
            break;
        }
        DWORD code = 99;
        ASSERT_TRUE(wait_exit(&setup, 10000, &code)) << "still running";
        EXPECT_EQ(0u, code);
        EXPECT_FALSE(find_window(setup.pid, DIALOG_CLASS, MESSAGE_CAPTION)) << "no confirmation is asked";
        EXPECT_FALSE(file_exists(dir));
        expect_no_shortcuts();
        end_setup(&setup);
    }
}

// A folder whose parent is missing, and an empty path: the message, and the wizard stays on page 3.
TEST_F(EndToEnd, UncreatableFolderKeepsTheWizardOnPage3)
{
    ASSERT_NO_FATAL_FAILURE(start());
    HWND w = setup.wizard;
    std::string parent = fresh_target("no-folder", "missing");
    struct {
        std::string path;
        const char *shot;
    } rows[] = {{parent + "\\Tavik", "no-folder-1-message"}, {"", "no-folder-2-empty-path"}};
    for (const auto &r : rows) {
        SCOPED_TRACE("path \"" + r.path + "\"");
        ASSERT_TRUE(set_control_text(w, IDC_PATH, r.path));
        ASSERT_TRUE(walk_to_page(&setup, 3, IDC_DISPLAY_OK)) << page_mismatch(w, 3);
        int simplified = language_index(1);
        ASSERT_TRUE(select_combo_item(w, IDC_LANGUAGE, simplified));
        post_command(w, IDC_NEXT);
        MessageSeen m;
        ASSERT_TRUE(wait_message(&setup, 10000, &m)) << "no folder message";
        expect_notice(m, NO_FOLDER_CN, NO_FOLDER_EN);
        take_screenshot(r.shot, m.window);
        ASSERT_TRUE(answer_message(m.window, IDC_MSG_OK));
        ASSERT_TRUE(sync_wizard(w));
        // Still page 3, navigation available, nothing else changed.
        EXPECT_EQ(3, current_page(w)) << page_mismatch(w, 3);
        EXPECT_TRUE(control_visible(w, IDC_NEXT) && control_enabled(w, IDC_NEXT));
        EXPECT_TRUE(control_visible(w, IDC_BACK) && control_enabled(w, IDC_BACK));
        EXPECT_TRUE(control_visible(w, IDC_CANCEL) && control_enabled(w, IDC_CANCEL));
        EXPECT_FALSE(control_visible(w, IDC_PROGRESS));
        EXPECT_EQ(simplified, combo_selection(w, IDC_LANGUAGE));
        EXPECT_EQ(r.path, control_text(w, IDC_PATH));
        EXPECT_TRUE(IsWindowEnabled(w));
        EXPECT_FALSE(file_exists(parent));
        expect_no_shortcuts();
        ASSERT_NO_FATAL_FAILURE(back_to(2));
        ASSERT_NO_FATAL_FAILURE(back_to(1));
        ASSERT_NO_FATAL_FAILURE(back_to(0));
    }
    post_command(w, IDC_CANCEL);
    DWORD code = 99;
    ASSERT_TRUE(wait_exit(&setup, 10000, &code));
    EXPECT_EQ(0u, code);
}

// The install step keeps the wizard answering, painting and movable by its caption, while clicks,
// keys, Cancel and the close box change nothing; the final message still comes after 5 seconds.
TEST_F(EndToEnd, InstallStepKeepsAnsweringAndIgnoresInput)
{
    ASSERT_NO_FATAL_FAILURE(start());
    HWND w = setup.wizard;
    std::string dir = fresh_target("responding", "Tavik");
    ASSERT_TRUE(set_control_text(w, IDC_PATH, dir));
    ASSERT_TRUE(walk_to_page(&setup, 3, IDC_DISPLAY_OK)) << page_mismatch(w, 3);
    POINT caption, close_box;
    ASSERT_TRUE(find_hit_point(w, HTCAPTION, &caption)) << "no caption";
    ASSERT_TRUE(find_hit_point(w, HTCLOSE, &close_box)) << "no close box";
    HWND combo = GetDlgItem(w, IDC_LANGUAGE);
    int language = combo_selection(w, IDC_LANGUAGE);
    RECT banner, before;
    GetWindowRect(GetDlgItem(w, IDC_BANNER_ENGINE), &banner);
    GetWindowRect(w, &before);
    std::vector<unsigned char> painted = screen_pixels(banner);
    ASSERT_FALSE(painted.empty());
    ASSERT_NE(std::vector<unsigned char>(painted.size(), painted[0]), painted) << "the banner has no text";
    // The pointer over the page shows the arrow; the X server moves it as a mouse does.
    POINT middle = window_centre(w);
    auto move_pointer = [&](int dx) {
        char move[80];
        snprintf(move, sizeof(move), "mousemove %ld %ld sleep 0.1 mousemove %ld %ld", middle.x + dx, middle.y,
                 middle.x + dx + 5, middle.y + 5);
        return xdotool(move);
    };
    ASSERT_TRUE(move_pointer(0));
    Sleep(200);
    HCURSOR arrow = shown_cursor();

    // Every call is answered within a second, whether the engine is at work or the step waits.
    // A position below 100 read from the bar shows the thread answering while the engine works.
    int answered = 0, during_run = 0;
    auto expect_answer = [&](const char *when) {
        DWORD_PTR position = 100;
        SendMessageTimeoutA(GetDlgItem(w, IDC_PROGRESS), PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, 1000, &position);
        ULONGLONG took = 0;
        EXPECT_TRUE(answers_within(w, 1000, &took)) << when << ": no answer after " << took << " ms";
        answered++;
        during_run += position < 100;
    };
    auto expect_page3 = [&](const char *when) {
        EXPECT_TRUE(control_visible(w, IDC_LANGUAGE) && control_visible(w, IDC_PROGRESS)) << when;
        for (int id : {IDC_PATH, IDC_DISPLAY_OK, IDC_LICENCE_ENGLISH, IDC_NEXT, IDC_BACK, IDC_CANCEL})
            EXPECT_FALSE(control_visible(w, id)) << when << ": " << id << " shown";
        EXPECT_EQ(language, combo_selection(w, IDC_LANGUAGE)) << when << ": a key reached the language list";
    };

    ULONGLONG clicked = GetTickCount64();
    post_command(w, IDC_NEXT);
    ASSERT_TRUE(wait_shown(w, IDC_PROGRESS, 60000)) << "the install step did not start";
    expect_answer("at the start");
    HCURSOR waiting = shown_cursor();
    EXPECT_NE(arrow, waiting) << "the step shows no wait pointer";

    // Keys, clicks and commands posted to the wizard and its controls, and a real click on the
    // close box.
    PostMessageA(combo, WM_KEYDOWN, VK_DOWN, 1);
    press_key(&setup, VK_RETURN);
    press_key(&setup, VK_ESCAPE);
    PostMessageA(w, WM_SYSCOMMAND, SC_CLOSE, 0);
    post_command(w, IDC_CANCEL);
    post_command(w, IDC_BACK);
    post_command(w, IDC_NEXT);
    post_click(w, IDC_CANCEL);
    post_click(w, IDC_BACK);
    post_click(w, IDC_LANGUAGE); // last: a key after it would close the list again
    ASSERT_TRUE(sync_wizard(w));
    EXPECT_EQ(0, SendMessageA(combo, CB_GETDROPPEDSTATE, 0, 0)) << "a click opened the language list";
    char click[80];
    snprintf(click, sizeof(click), "mousemove %ld %ld click 1", close_box.x, close_box.y);
    ASSERT_TRUE(xdotool(click)) << "xdotool " << click;
    // The wait pointer stays only while the wizard is in its install step: a command that
    // ended the step would bring the arrow back.
    ASSERT_TRUE(move_pointer(20));
    expect_answer("after the input");
    EXPECT_EQ(waiting, shown_cursor()) << "the arrow came back";
    EXPECT_FALSE(find_window(setup.pid, DIALOG_CLASS, MESSAGE_CAPTION)) << "the step ended too soon";
    expect_page3("after the input");

    // Dragged by its caption, and painted where it lands.
    const int dx = 40, dy = 30;
    char drag[200];
    snprintf(
        drag, sizeof(drag),
        "mousemove %ld %ld mousedown 1 sleep 0.1 mousemove %ld %ld sleep 0.1 mousemove %ld %ld sleep 0.1 "
        "mouseup 1",
        caption.x, caption.y, caption.x + dx / 2, caption.y + dy / 2, caption.x + dx, caption.y + dy);
    ASSERT_TRUE(xdotool(drag)) << "xdotool " << drag;
    RECT moved = {};
    ULONGLONG end = GetTickCount64() + 5000;
    while (GetWindowRect(w, &moved) && moved.left != before.left + dx && GetTickCount64() < end)
        Sleep(20);
    EXPECT_EQ(before.left + dx, moved.left) << "not moved by its caption";
    EXPECT_EQ(before.top + dy, moved.top) << "not moved by its caption";
    OffsetRect(&banner, moved.left - before.left, moved.top - before.top);
    expect_answer("after the drag");
    Sleep(300);
    EXPECT_TRUE(screen_pixels(banner) == painted) << "not repainted after the move";
    save_screen("responding-1-moved");

    // Uncovered, it paints itself again.
    ASSERT_TRUE(cover_rect(moved, RGB(255, 0, 255), 400)) << "the cover never showed";
    expect_answer("after uncovering");
    Sleep(300);
    EXPECT_TRUE(screen_pixels(banner) == painted) << "not repainted after being uncovered";
    save_screen("responding-2-uncovered");

    MessageSeen final_message = {};
    while (!find_window(setup.pid, DIALOG_CLASS, MESSAGE_CAPTION)) {
        ASSERT_LT(GetTickCount64() - clicked, 180000u) << "no final message";
        ASSERT_NE(WAIT_OBJECT_0, WaitForSingleObject(setup.process, 0))
            << "the installer ended during the step";
        expect_answer("while waiting");
        Sleep(200);
    }
    ASSERT_TRUE(wait_message(&setup, 5000, &final_message));
    EXPECT_GE(final_message.seen_at - clicked, 5000u) << "the final message came too soon";
    expect_notice(final_message, SUCCESS_CN, SUCCESS_EN);
    EXPECT_GE(answered, 10);
    EXPECT_GE(during_run, 1) << "no answer while the engine was at work";
    expect_page3("at the final message");
    ASSERT_TRUE(answer_message(final_message.window, IDC_MSG_OK));
    DWORD code = 99;
    ASSERT_TRUE(wait_exit(&setup, 20000, &code));
    EXPECT_EQ(0u, code);
    expect_installed_files(dir, {"doc"});
}

// Enter clicks a focused push button and the forward button everywhere else.
TEST_F(EndToEnd, EnterKeyClicksFocusedPushButtonElseForward)
{
    ASSERT_NO_FATAL_FAILURE(start());
    HWND w = setup.wizard;
    ASSERT_TRUE(set_control_text(w, IDC_PATH, fresh_target("enter", "Tavik")));
    // In the path edit: forward.
    ASSERT_TRUE(focus_control(&setup, w, IDC_PATH));
    press_key(&setup, VK_RETURN);
    ASSERT_TRUE(wait_page(w, 1, 10000)) << page_mismatch(w, 1);
    // On an unticked answer box: forward, which asks for an answer; the box stays as it was.
    ASSERT_TRUE(focus_control(&setup, w, IDC_DISPLAY_OK));
    press_key(&setup, VK_RETURN);
    MessageSeen m;
    ASSERT_TRUE(wait_message(&setup, 10000, &m));
    expect_notice(m, NO_ANSWER_CN, NO_ANSWER_EN);
    ASSERT_TRUE(answer_message(m.window, IDC_MSG_OK));
    EXPECT_EQ(BST_UNCHECKED, check_state(w, IDC_DISPLAY_OK));
    // On a ticked answer box: forward to the licence, tick kept.
    click_check(w, IDC_DISPLAY_OK);
    ASSERT_TRUE(focus_control(&setup, w, IDC_DISPLAY_OK));
    press_key(&setup, VK_RETURN);
    ASSERT_TRUE(wait_page(w, 2, 10000)) << page_mismatch(w, 2);
    EXPECT_EQ(BST_CHECKED, check_state(w, IDC_DISPLAY_OK));
    // Enter held on the forward button: one page, however often the key repeats.
    ASSERT_TRUE(focus_control(&setup, w, IDC_NEXT));
    hold_key(&setup, VK_RETURN, 5);
    ASSERT_TRUE(wait_page(w, 3, 10000)) << page_mismatch(w, 3);
    Sleep(500);
    ASSERT_TRUE(sync_wizard(w));
    EXPECT_EQ(3, current_page(w)) << "a held Enter moved on: " << page_mismatch(w, 3);
    EXPECT_FALSE(find_window(setup.pid, DIALOG_CLASS, MESSAGE_CAPTION));
    ASSERT_NO_FATAL_FAILURE(back_to(2));
    // On the licence language box: forward.
    ASSERT_TRUE(focus_control(&setup, w, IDC_LICENCE_ENGLISH));
    press_key(&setup, VK_RETURN);
    ASSERT_TRUE(wait_page(w, 3, 10000)) << page_mismatch(w, 3);
    EXPECT_EQ(BST_CHECKED, check_state(w, IDC_LICENCE_ENGLISH));
    // On Back: exactly one page back each time, never forward as well.
    for (int page = 2; page >= 0; page--) {
        ASSERT_TRUE(focus_control(&setup, w, IDC_BACK));
        press_key(&setup, VK_RETURN);
        ASSERT_TRUE(wait_page(w, page, 10000)) << page_mismatch(w, page);
        ASSERT_TRUE(sync_wizard(w));
        EXPECT_EQ(page, current_page(w)) << "Enter on Back did more than go back";
    }
    // On Browse: the chooser, not the next page.
    ASSERT_TRUE(focus_control(&setup, w, IDC_BROWSE));
    press_key(&setup, VK_RETURN);
    HWND chooser = wait_window(setup.pid, DIALOG_CLASS, CHOOSER_CAPTION, 10000);
    ASSERT_TRUE(chooser) << "Enter on Browse opened no chooser";
    EXPECT_EQ(0, current_page(w)) << page_mismatch(w, 0);
    PostMessageA(GetDlgItem(chooser, IDCANCEL), BM_CLICK, 0, 0);
    ASSERT_TRUE(wait_gone(chooser, 10000));
    ASSERT_TRUE(sync_wizard(w));
    EXPECT_EQ(0, current_page(w)) << page_mismatch(w, 0);
    // On the auto-start box of page 0: forward, the box not ticked by the key.
    ASSERT_TRUE(focus_control(&setup, w, IDC_AUTO_START));
    press_key(&setup, VK_RETURN);
    ASSERT_TRUE(wait_page(w, 1, 10000)) << page_mismatch(w, 1);
    EXPECT_EQ(BST_UNCHECKED, check_state(w, IDC_AUTO_START));
    post_command(w, IDC_CANCEL);
    DWORD code = 99;
    ASSERT_TRUE(wait_exit(&setup, 10000, &code));
    EXPECT_EQ(0u, code);
}

// A real double-click on a navigation button moves one page: the second click comes to an
// owner-drawn button as BN_DOUBLECLICKED.
TEST_F(EndToEnd, DoubleClickOnNavigationButtonMovesOnePage)
{
    ASSERT_NO_FATAL_FAILURE(start());
    HWND w = setup.wizard;
    ASSERT_TRUE(set_control_text(w, IDC_PATH, fresh_target("double-click", "Tavik")));
    struct {
        int from;
        int button;
        int to;
    } rows[] = {{0, IDC_NEXT, 1}, {2, IDC_NEXT, 3}, {3, IDC_BACK, 2}};
    for (const auto &r : rows) {
        SCOPED_TRACE("page " + std::to_string(r.from) + " button " + std::to_string(r.button));
        ASSERT_TRUE(walk_to_page(&setup, r.from, IDC_DISPLAY_OK)) << page_mismatch(w, r.from);
        POINT at = window_centre(GetDlgItem(w, r.button));
        char click[80];
        snprintf(click, sizeof(click), "mousemove %ld %ld click --repeat 2 --delay 80 1", at.x, at.y);
        ASSERT_TRUE(xdotool(click)) << "xdotool " << click;
        ASSERT_TRUE(wait_page(w, r.to, 10000)) << page_mismatch(w, r.to);
        // The second click reaches the wizard after the first has moved the page.
        Sleep(500);
        ASSERT_TRUE(sync_wizard(w));
        EXPECT_EQ(r.to, current_page(w)) << page_mismatch(w, r.to);
        EXPECT_FALSE(find_window(setup.pid, DIALOG_CLASS, MESSAGE_CAPTION)) << "the page after was acted on";
        EXPECT_TRUE(control_visible(w, IDC_NEXT)) << "the install step started";
        take_screenshot("double-click-to-page" + std::to_string(r.to), w);
    }
    post_command(w, IDC_CANCEL);
    DWORD code = 99;
    ASSERT_TRUE(wait_exit(&setup, 10000, &code));
    EXPECT_EQ(0u, code);
}

// Browse: a folder opened in the chooser, accepted with Enter, becomes <folder>\Tavik; then installed.
TEST_F(EndToEnd, BrowseChoosesFolderAndInstallsThere)
{
    std::string root = fresh_dir("e2e-browse");
    ASSERT_TRUE(CreateDirectoryA((root + "\\apps").c_str(), NULL));
    ASSERT_TRUE(CreateDirectoryA((root + "\\apps\\deeper").c_str(), NULL));
    ASSERT_NO_FATAL_FAILURE(start(root));
    HWND w = setup.wizard;
    std::string before = control_text(w, IDC_PATH);

    post_command(w, IDC_BROWSE);
    HWND chooser = wait_window(setup.pid, DIALOG_CLASS, CHOOSER_CAPTION, 10000);
    ASSERT_TRUE(chooser) << "no chooser \"" CHOOSER_CAPTION "\"";
    EXPECT_EQ(w, GetWindow(chooser, GW_OWNER));
    EXPECT_FALSE(IsWindowEnabled(w));
    EXPECT_EQ(0, lstrcmpiA(root.c_str(), control_text(chooser, IDC_OFN_PATH).c_str()))
        << "opens in the current folder: " << control_text(chooser, IDC_OFN_PATH);
    for (int id : {IDC_OFN_PATH, IDC_OFN_DIR_LIST, IDC_OFN_DRIVE_COMBO, IDOK, IDCANCEL, IDC_CHOOSER_DIR_LABEL,
                   IDC_CHOOSER_DRIVE_LABEL})
        EXPECT_TRUE(control_visible(chooser, id)) << id;
    for (int id : {IDC_OFN_FILE_LABEL, IDC_OFN_FILE_EDIT, IDC_OFN_FILE_LIST, IDC_OFN_TYPE_LABEL,
                   IDC_OFN_TYPE_COMBO, IDC_OFN_DRIVE_LABEL, IDC_OFN_HELP, IDC_OFN_READ_ONLY})
        EXPECT_FALSE(control_visible(chooser, id)) << id;
    if (active_window(&setup) == chooser) {
        EXPECT_EQ(GetDlgItem(chooser, IDC_OFN_DIR_LIST), focused_window(&setup))
            << "the directory list has the focus";
    }
    EXPECT_TRUE(GetWindowLongA(GetDlgItem(chooser, IDCANCEL), GWL_STYLE) & BS_OWNERDRAW);
    take_screenshot("browse-1-chooser", chooser);

    // Open "apps" as a double-click does.
    int apps = list_find(chooser, IDC_OFN_DIR_LIST, "[apps]");
    ASSERT_GE(apps, 0) << "no [apps] in the directory list";
    HWND list = GetDlgItem(chooser, IDC_OFN_DIR_LIST);
    SendMessageA(list, LB_SETCURSEL, apps, 0);
    PostMessageA(chooser, WM_COMMAND, MAKEWPARAM(IDC_OFN_DIR_LIST, LBN_DBLCLK), (LPARAM)list);
    std::string opened = root + "\\apps";
    ULONGLONG end = GetTickCount64() + 10000;
    while (lstrcmpiA(control_text(chooser, IDC_OFN_PATH).c_str(), opened.c_str()) != 0 &&
           GetTickCount64() < end)
        Sleep(20);
    ASSERT_EQ(0, lstrcmpiA(opened.c_str(), control_text(chooser, IDC_OFN_PATH).c_str()))
        << control_text(chooser, IDC_OFN_PATH);
    // Highlight "deeper" without opening it: Enter accepts the folder the chooser is in.
    int deeper = list_find(chooser, IDC_OFN_DIR_LIST, "[deeper]");
    ASSERT_GE(deeper, 0);
    SendMessageA(list, LB_SETCURSEL, deeper, 0);
    take_screenshot("browse-2-chooser-apps", chooser);
    ASSERT_TRUE(focus_control(&setup, chooser, IDC_OFN_DIR_LIST));
    press_key(&setup, VK_RETURN);
    ASSERT_TRUE(wait_gone(chooser, 10000)) << "Enter did not close the chooser";
    ASSERT_TRUE(sync_wizard(w));
    std::string chosen = opened + "\\Tavik";
    EXPECT_EQ(0, lstrcmpiA(chosen.c_str(), control_text(w, IDC_PATH).c_str())) << control_text(w, IDC_PATH);
    EXPECT_TRUE(IsWindowEnabled(w));
    EXPECT_EQ(0, current_page(w)) << page_mismatch(w, 0);
    take_screenshot("browse-3-page0", w);

    // A cancelled chooser leaves the path alone.
    set_control_text(w, IDC_PATH, chosen);
    post_command(w, IDC_BROWSE);
    chooser = wait_window(setup.pid, DIALOG_CLASS, CHOOSER_CAPTION, 10000);
    ASSERT_TRUE(chooser);
    PostMessageA(GetDlgItem(chooser, IDCANCEL), BM_CLICK, 0, 0);
    ASSERT_TRUE(wait_gone(chooser, 10000));
    ASSERT_TRUE(sync_wizard(w));
    EXPECT_EQ(chosen, control_text(w, IDC_PATH));
    EXPECT_NE(before, chosen);

    ASSERT_TRUE(walk_to_page(&setup, 3, IDC_DISPLAY_OK)) << page_mismatch(w, 3);
    ASSERT_NO_FATAL_FAILURE(install(IDC_MSG_YES, false, ""));
    expect_installed_files(chosen, {"doc"});
    expect_config(chosen, '0', 0);
    expect_shortcuts(chosen, english_names, true, false);
    EXPECT_EQ((std::vector<std::string>{"Tavik", "deeper"}), sorted_entries(opened));
}

// Confirming in the root of a drive gives the drive and the family name.
TEST_F(EndToEnd, BrowseInDriveRootGivesDriveAndFamilyName)
{
    ASSERT_NO_FATAL_FAILURE(start("C:\\"));
    set_control_text(setup.wizard, IDC_PATH, "C:\\elsewhere");
    post_command(setup.wizard, IDC_BROWSE);
    HWND chooser = wait_window(setup.pid, DIALOG_CLASS, CHOOSER_CAPTION, 10000);
    ASSERT_TRUE(chooser);
    PostMessageA(GetDlgItem(chooser, IDOK), BM_CLICK, 0, 0);
    ASSERT_TRUE(wait_gone(chooser, 10000));
    ASSERT_TRUE(sync_wizard(setup.wizard));
    EXPECT_EQ(0, lstrcmpiA("C:\\Tavik", control_text(setup.wizard, IDC_PATH).c_str()))
        << control_text(setup.wizard, IDC_PATH);
    post_command(setup.wizard, IDC_CANCEL);
    DWORD code = 99;
    ASSERT_TRUE(wait_exit(&setup, 10000, &code));
    EXPECT_EQ(0u, code);
}

// A second install over the first: read-only files replaced, old word base replaced on Yes,
// user dictionaries removed, and the settings file beside the installer copied to Windows.
TEST_F(EndToEnd, InstallOverEarlierInstallReplacesEverything)
{
    std::string settings;
    std::string exe = installer_copy_with_settings("e2e-media", &settings);
    ASSERT_FALSE(exe.empty());
    ASSERT_TRUE(write_file(settings, std::string("older settings")));
    protect_file(settings, true, true);

    std::string dir = fresh_target("again", "Tavik");
    ASSERT_NO_FATAL_FAILURE(start("C:\\", exe));
    ASSERT_NO_FATAL_FAILURE(quick_install(dir, true, false, IDC_DISPLAY_OK, 0, IDC_MSG_YES, false));
    end_setup(&setup);
    expect_config(dir, '0', 0);
    expect_shortcuts(dir, english_names, true, false);
    std::vector<unsigned char> copied = read_file(settings);
    EXPECT_EQ("settings beside the installer", std::string(copied.begin(), copied.end()));

    // Spoil the first install the way users and time do.
    std::string mereda = dir + "\\Mereda.exe";
    protect_file(mereda, false, false);
    ASSERT_TRUE(write_file(mereda, std::string("damaged")));
    protect_file(mereda, true, false);
    protect_file(dir + "\\tips.txt", false, false);
    ASSERT_TRUE(DeleteFileA((dir + "\\tips.txt").c_str()));
    ASSERT_TRUE(write_file(dir + "\\Gbkflat.dic0011", std::string("user words")));
    ASSERT_TRUE(write_file(dir + "\\flatAuto.dic", std::string("user words")));
    protect_file(dir + "\\flatAuto.dic", true, true);

    ASSERT_NO_FATAL_FAILURE(start("C:\\", exe));
    ASSERT_NO_FATAL_FAILURE(quick_install(dir, false, true, IDC_DISPLAY_NO, 1, IDC_MSG_YES, true));
    expect_installed_files(dir, {"doc"});
    expect_config(dir, '1', 1);
    // The desktop links of the first run stay; the start-up link is new. The record still lists
    // the first run's links and the folder it made.
    expect_shortcuts(dir, english_names, true, true);
    std::vector<unsigned char> bytes = read_file(dir + "\\TVKInstall.rec");
    std::string record(bytes.begin(), bytes.end());
    EXPECT_NE(std::string::npos, record.find("\r\nmade folder\r\n"));
    EXPECT_NE(std::string::npos,
              record.find("\r\nlink " + shell_folder(CSIDL_DESKTOPDIRECTORY) + "\\Mereda.lnk\r\n"));
}

// A required file in use stops the run before anything changes: the failure message, the folder as it
// was, no shortcuts, exit 0.
TEST_F(EndToEnd, RequiredFileInUseEndsWithFailureMessage)
{
    std::string dir = fresh_dir("e2e-in-use");
    std::string mereda = dir + "\\Mereda.exe";
    ASSERT_TRUE(write_file(mereda, std::string("the editor, running")));
    ASSERT_TRUE(write_file(dir + "\\TVK.exe", std::string("of an earlier install")));
    FileHolder holder = hold_file(mereda);
    ASSERT_TRUE(holder.process);

    ASSERT_NO_FATAL_FAILURE(start());
    ASSERT_TRUE(set_control_text(setup.wizard, IDC_PATH, dir));
    click_check(setup.wizard, IDC_AUTO_START);
    ASSERT_TRUE(walk_to_page(&setup, 3, IDC_DISPLAY_NO)) << page_mismatch(setup.wizard, 3);
    MessageSeen final_message;
    ULONGLONG elapsed = 0;
    bool question = true;
    bool ended = run_install_step(&setup, IDC_MSG_NO, &final_message, &elapsed, &question, "in-use");
    release_file(holder);
    ASSERT_TRUE(ended) << "no final message";
    EXPECT_FALSE(question);
    EXPECT_GE(elapsed, 5000u);
    expect_notice(final_message, FAILURE_CN, FAILURE_EN);
    take_screenshot("in-use-final", final_message.window);
    ASSERT_TRUE(answer_message(final_message.window, IDC_MSG_OK));
    DWORD code = 99;
    ASSERT_TRUE(wait_exit(&setup, 20000, &code));
    EXPECT_EQ(0u, code);

    // The user's file as it was, and nothing staged left beside it.
    EXPECT_TRUE(read_file(mereda) ==
                std::vector<unsigned char>({'t', 'h', 'e', ' ', 'e', 'd', 'i', 't', 'o', 'r', ',', ' ', 'r',
                                            'u', 'n', 'n', 'i', 'n', 'g'}));
    EXPECT_EQ((std::vector<std::string>{"Mereda.exe", "Mereda.exe.held", "TVK.exe"}), sorted_entries(dir))
        << "the holder's flag and the earlier files only";
    expect_no_shortcuts();
}

// An old word base answered No keeps its four files; everything else is laid down.
TEST_F(EndToEnd, OldWordBaseAnsweredNoIsKept)
{
    std::string dir = fresh_dir("e2e-old-base");
    std::vector<std::vector<unsigned char>> old;
    for (const char *name : OLD_WORD_BASE) {
        std::string text = std::string("old word base file ") + name;
        std::vector<unsigned char> bytes(text.begin(), text.end());
        if (strcmp(name, "pycizudic.idx") == 0)
            bytes[0] = 0x80; // the mark of a word base the user may keep
        ASSERT_TRUE(write_file(dir + "\\" + name, bytes.data(), bytes.size()));
        old.push_back(bytes);
    }
    const char *variants[] = {"flatAuto.dic", "flatAdjust.dic0001", "Gbkflat.dic1010", "pykeys.dic1111",
                              "pykeys.dic"};
    for (const char *name : variants)
        ASSERT_TRUE(write_file(dir + "\\" + name, std::string("user words")));
    protect_file(dir + "\\flatAdjust.dic0001", true, true);
    ASSERT_TRUE(write_file(dir + "\\pykeys.dic2", std::string("not a variant")));
    ASSERT_TRUE(write_file(dir + "\\notes.txt", std::string("the user's own")));

    ASSERT_NO_FATAL_FAILURE(start());
    // Typed with a trailing backslash: still this folder, no doubled separators.
    ASSERT_TRUE(set_control_text(setup.wizard, IDC_PATH, dir + "\\"));
    ASSERT_TRUE(walk_to_page(&setup, 3, IDC_DISPLAY_OK)) << page_mismatch(setup.wizard, 3);
    MessageSeen question;
    post_command(setup.wizard, IDC_NEXT);
    ASSERT_TRUE(wait_message(&setup, 60000, &question)) << "no old-word-base question";
    expect_message(question, OLD_BASE_CN, OLD_BASE_EN);
    EXPECT_TRUE(question.yes && question.no);
    EXPECT_FALSE(question.ok || question.cancel);
    take_screenshot("old-base-1-question", question.window);
    ASSERT_TRUE(answer_message(question.window, IDC_MSG_NO));
    MessageSeen final_message;
    ASSERT_TRUE(wait_message(&setup, 120000, &final_message));
    expect_notice(final_message, SUCCESS_CN, SUCCESS_EN);
    ASSERT_TRUE(answer_message(final_message.window, IDC_MSG_OK));
    DWORD code = 99;
    ASSERT_TRUE(wait_exit(&setup, 20000, &code));
    EXPECT_EQ(0u, code);

    for (size_t i = 0; i < old.size(); i++)
        EXPECT_TRUE(read_file(dir + "\\" + OLD_WORD_BASE[i]) == old[i])
            << OLD_WORD_BASE[i] << " was replaced";
    std::vector<std::string> kept(std::begin(OLD_WORD_BASE), std::end(OLD_WORD_BASE));
    // An existing folder gets no "doc"; the variants are gone, other files stay.
    expect_installed_files(dir, {"notes.txt", "pykeys.dic2"}, kept);
    expect_config(dir, '0', 0);
    expect_shortcuts(dir, english_names, true, false);
}
