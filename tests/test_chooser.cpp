// The folder chooser: its hook, and the wizard's Browse through the real dialog.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "wizard/wizard.h"
#include "resources/ids.h"
#include "base/base.h"
#include "support/e2e_driver.h"
#include "support/tavik_test.h"

static const char *const chooser_title = "Choose Destination Directory";

static std::string current_dir()
{
    char dir[PATH_SIZE] = "";
    GetCurrentDirectoryA(sizeof(dir), dir);
    return dir;
}

static INT_PTR CALLBACK plain_proc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

class Chooser : public ::testing::Test
{
  protected:
    HWND dialog = NULL;
    std::string saved_dir;

    void SetUp() override
    {
        g_state = InstallerState{};
        g_state.default_command = IDC_NEXT;
        use_setup_resources();
        ASSERT_TRUE(g_state.instance) << setup_exe_path();
        copy_text(g_state.default_folder_name, sizeof(g_state.default_folder_name), "Tavik");
        copy_text(g_state.install_dir, sizeof(g_state.install_dir), "kept");
        saved_dir = current_dir();
    }
    void TearDown() override
    {
        if (dialog)
            DestroyWindow(dialog);
        SetCurrentDirectoryA(saved_dir.c_str());
    }
    // Template 168 as a plain visible dialog; the hook is called directly.
    void create_template()
    {
        dialog = CreateDialogParamA(g_state.instance, MAKEINTRESOURCEA(IDD_CHOOSER), NULL, plain_proc, 0);
        ASSERT_TRUE(dialog);
        ShowWindow(dialog, SW_SHOW);
    }
    HWND item(int id) { return GetDlgItem(dialog, id); }
};

TEST_F(Chooser, InitialisationMakesCancelOwnerDrawnAndFocusesTheDirectoryList)
{
    create_template();
    LONG_PTR before = GetWindowLongPtrA(item(IDCANCEL), GWL_STYLE);
    SetFocus(item(IDOK));
    EXPECT_EQ((UINT_PTR)TRUE, folder_hook_proc(dialog, WM_INITDIALOG, 0, 0));
    LONG_PTR after = GetWindowLongPtrA(item(IDCANCEL), GWL_STYLE);
    EXPECT_EQ(BS_OWNERDRAW, after & BS_TYPEMASK);
    EXPECT_EQ(before | BS_OWNERDRAW, after);
    EXPECT_EQ(item(IDC_OFN_DIR_LIST), GetFocus());
    // Nothing else is moved or hidden.
    EXPECT_TRUE(IsWindowVisible(item(IDCANCEL)));
    EXPECT_TRUE(IsWindowVisible(item(IDOK)));
    EXPECT_FALSE(IsWindowVisible(item(IDC_OFN_FILE_EDIT)));
}

TEST_F(Chooser, OkTakesTheCurrentDirectoryWithoutItsTrailingBackslash)
{
    std::string apps = fresh_dir("chooser-ok");
    struct {
        std::string dir;
        std::string taken;
    } rows[] = {{"C:\\", "C:"}, {apps, apps}, {apps + "\\", apps}};
    for (const auto &r : rows) {
        create_template();
        ASSERT_TRUE(SetCurrentDirectoryA(r.dir.c_str())) << r.dir;
        copy_text(g_state.install_dir, sizeof(g_state.install_dir), "kept");
        EXPECT_EQ((UINT_PTR)TRUE,
                  folder_hook_proc(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), (LPARAM)item(IDOK)));
        EXPECT_STREQ(r.taken.c_str(), g_state.install_dir) << r.dir;
        EXPECT_FALSE(IsWindowVisible(dialog)) << "the dialog is ended";
        DestroyWindow(dialog);
        dialog = NULL;
    }
}

TEST_F(Chooser, OtherCommandsAndMessagesAreLeftToThePlatformDialog)
{
    create_template();
    SetCurrentDirectoryA("C:\\");
    struct {
        UINT message;
        WPARAM wparam;
    } rows[] = {
        {WM_COMMAND, IDCANCEL},
        {WM_COMMAND, MAKEWPARAM(IDC_OFN_DIR_LIST, LBN_DBLCLK)},
        {WM_COMMAND, MAKEWPARAM(IDC_OFN_DRIVE_COMBO, CBN_SELCHANGE)},
        {WM_COMMAND, IDC_CHOOSER_DIR_LABEL},
        {WM_PAINT, 0},
        {WM_CLOSE, 0},
    };
    for (const auto &r : rows) {
        EXPECT_EQ((UINT_PTR)FALSE, folder_hook_proc(dialog, r.message, r.wparam, 0))
            << r.message << " " << r.wparam;
        EXPECT_STREQ("kept", g_state.install_dir);
        EXPECT_TRUE(IsWindowVisible(dialog));
    }
}

TEST_F(Chooser, TheTwoLabelsAndCancelAreDrawnByTheHook)
{
    create_template();
    const COLORREF sentinel = RGB(1, 2, 3);
    struct {
        int id;
        BOOL handled;
    } rows[] = {
        {IDC_CHOOSER_DIR_LABEL, TRUE}, {IDC_CHOOSER_DRIVE_LABEL, TRUE}, {IDCANCEL, TRUE}, {IDOK, FALSE}};
    for (const auto &r : rows) {
        BITMAPINFO info = {};
        info.bmiHeader = {sizeof(info.bmiHeader), 160, -30, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        DWORD *pixels = NULL;
        HDC dc = CreateCompatibleDC(NULL);
        HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, (void **)&pixels, NULL, 0);
        HGDIOBJ old = SelectObject(dc, bitmap);
        HBRUSH brush = CreateSolidBrush(sentinel);
        RECT all = {0, 0, 160, 30};
        FillRect(dc, &all, brush);
        DeleteObject(brush);
        DRAWITEMSTRUCT d = {ODT_BUTTON, (UINT)r.id, 0, ODA_DRAWENTIRE, 0, item(r.id), dc, all, 0};
        EXPECT_EQ((UINT_PTR)r.handled, folder_hook_proc(dialog, WM_DRAWITEM, r.id, (LPARAM)&d)) << r.id;
        GdiFlush();
        DWORD p = pixels[5 * 160 + 5]; // inside any bevel, above the caption
        COLORREF corner = RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
        EXPECT_EQ(r.handled ? GetSysColor(COLOR_BTNFACE) : sentinel, corner) << r.id;
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
}

// ---- Browse through the platform's dialog ------------------------------------------

// Runs act on another thread once the chooser is up; the chooser is modal on the test thread.
struct ChooserDriver {
    std::thread worker;
    std::atomic<bool> found{false};

    explicit ChooserDriver(std::function<void(HWND)> act)
    {
        worker = std::thread([this, act] {
            for (int i = 0; i < 1000; i++) {
                HWND chooser = FindWindowA("#32770", chooser_title);
                if (chooser && IsWindowVisible(chooser)) {
                    found = true;
                    act(chooser);
                    return;
                }
                Sleep(20);
            }
        });
    }
    void finish() { worker.join(); }
};

// Waits until the chooser's path line shows a folder ending in tail.
static bool wait_for_path(HWND chooser, const char *tail)
{
    for (int i = 0; i < 250; i++) {
        std::string path = control_text(chooser, IDC_OFN_PATH);
        size_t n = strlen(tail);
        if (path.size() >= n && _stricmp(path.c_str() + path.size() - n, tail) == 0)
            return true;
        Sleep(20);
    }
    return false;
}

static int find_entry(HWND chooser, const char *entry)
{
    DWORD_PTR at = (DWORD_PTR)LB_ERR;
    SendMessageTimeoutA(GetDlgItem(chooser, IDC_OFN_DIR_LIST), LB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)entry,
                        SMTO_NORMAL, 5000, &at);
    return (int)(LRESULT)at;
}

class Browse : public Chooser
{
  protected:
    HWND wizard = NULL;

    void SetUp() override
    {
        Chooser::SetUp();
        INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_PROGRESS_CLASS};
        InitCommonControlsEx(&controls);
        g_state.wizard_page = 0;
        wizard = CreateDialogParamA(g_state.instance, MAKEINTRESOURCEA(IDD_WIZARD), NULL, wizard_proc, 0);
        ASSERT_TRUE(wizard);
        g_state.wizard_window = wizard;
        SetDlgItemTextA(wizard, IDC_PATH, "unchanged");
    }
    void TearDown() override
    {
        DestroyWindow(wizard);
        g_state.wizard_window = NULL;
        Chooser::TearDown();
    }
    std::string path_text()
    {
        char text[PATH_SIZE] = "";
        GetDlgItemTextA(wizard, IDC_PATH, text, sizeof(text));
        return text;
    }
    void browse(std::function<void(HWND)> act)
    {
        ChooserDriver driver(act);
        SendMessageA(wizard, WM_COMMAND, IDC_BROWSE, (LPARAM)GetDlgItem(wizard, IDC_BROWSE));
        driver.finish();
        ASSERT_TRUE(driver.found) << "the chooser did not appear";
    }
};

TEST_F(Browse, ChooserOpensWithItsLabelsAndFocusOnTheDirectories)
{
    std::string dir = fresh_dir("chooser-look");
    SetCurrentDirectoryA(dir.c_str());
    HWND owner = NULL, focus = NULL, list = NULL;
    LONG_PTR cancel_style = 0;
    std::vector<int> shown, hidden;
    browse([&](HWND chooser) {
        owner = GetWindow(chooser, GW_OWNER);
        list = GetDlgItem(chooser, IDC_OFN_DIR_LIST);
        GUITHREADINFO gui = {};
        gui.cbSize = sizeof(gui);
        GetGUIThreadInfo(GetWindowThreadProcessId(chooser, NULL), &gui);
        focus = gui.hwndFocus;
        cancel_style = GetWindowLongPtrA(GetDlgItem(chooser, IDCANCEL), GWL_STYLE);
        for (int id :
             {IDC_OFN_PATH, IDC_OFN_DIR_LIST, IDC_OFN_DRIVE_COMBO, IDOK, IDCANCEL, IDC_CHOOSER_DIR_LABEL,
              IDC_CHOOSER_DRIVE_LABEL, IDC_OFN_FILE_LABEL, IDC_OFN_FILE_EDIT, IDC_OFN_FILE_LIST,
              IDC_OFN_TYPE_LABEL, IDC_OFN_TYPE_COMBO, IDC_OFN_DRIVE_LABEL, IDC_OFN_HELP, IDC_OFN_READ_ONLY})
            (IsWindowVisible(GetDlgItem(chooser, id)) ? shown : hidden).push_back(id);
        PostMessageA(chooser, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ(wizard, owner);
    EXPECT_EQ(list, focus);
    EXPECT_EQ(BS_OWNERDRAW, cancel_style & BS_TYPEMASK);
    EXPECT_EQ((std::vector<int>{IDC_OFN_PATH, IDC_OFN_DIR_LIST, IDC_OFN_DRIVE_COMBO, IDOK, IDCANCEL,
                                IDC_CHOOSER_DIR_LABEL, IDC_CHOOSER_DRIVE_LABEL}),
              shown);
    EXPECT_EQ("unchanged", path_text());
    EXPECT_STREQ("kept", g_state.install_dir);
}

TEST_F(Browse, ConfirmingAnOpenedFolderPutsItPlusTheFamilyNameInThePathBox)
{
    std::string dir = fresh_dir("chooser-apps");
    CreateDirectoryA((dir + "\\sub").c_str(), NULL);
    SetCurrentDirectoryA(dir.c_str());
    bool opened = false;
    browse([&](HWND chooser) {
        ASSERT_TRUE(wait_for_path(chooser, "chooser-apps"));
        int at = find_entry(chooser, "[sub]");
        HWND list = GetDlgItem(chooser, IDC_OFN_DIR_LIST);
        SendMessageA(list, LB_SETCURSEL, at, 0);
        SendMessageA(chooser, WM_COMMAND, MAKEWPARAM(IDC_OFN_DIR_LIST, LBN_DBLCLK), (LPARAM)list);
        opened = wait_for_path(chooser, "\\sub");
        PostMessageA(chooser, WM_COMMAND, IDOK, (LPARAM)GetDlgItem(chooser, IDOK));
    });
    EXPECT_TRUE(opened);
    EXPECT_EQ(0, _stricmp((dir + "\\sub").c_str(), g_state.install_dir)) << g_state.install_dir;
    EXPECT_EQ(0, _stricmp((dir + "\\sub\\Tavik").c_str(), path_text().c_str())) << path_text();
    // The chooser's travels do not change the process's directory.
    EXPECT_EQ(0, _stricmp(dir.c_str(), current_dir().c_str())) << current_dir();
}

TEST_F(Browse, ConfirmingTheDriveRootGivesDriveLetterAndFamilyName)
{
    SetCurrentDirectoryA("C:\\");
    browse([](HWND chooser) { PostMessageA(chooser, WM_COMMAND, IDOK, 0); });
    EXPECT_STREQ("C:", g_state.install_dir);
    EXPECT_EQ("C:\\Tavik", path_text());
}

TEST_F(Browse, EnterAcceptsTheDirectoryTheChooserIsInNotTheHighlightedEntry)
{
    std::string dir = fresh_dir("chooser-enter");
    CreateDirectoryA((dir + "\\inner").c_str(), NULL);
    SetCurrentDirectoryA(dir.c_str());
    browse([&](HWND chooser) {
        wait_for_path(chooser, "chooser-enter");
        HWND list = GetDlgItem(chooser, IDC_OFN_DIR_LIST);
        SendMessageA(list, LB_SETCURSEL, find_entry(chooser, "[inner]"), 0);
        PostMessageA(list, WM_KEYDOWN, VK_RETURN, 0);
    });
    EXPECT_EQ(0, _stricmp(dir.c_str(), g_state.install_dir)) << g_state.install_dir;
    EXPECT_EQ(0, _stricmp((dir + "\\Tavik").c_str(), path_text().c_str())) << path_text();
}

TEST_F(Browse, CancelLeavesPathBoxAndFolderAlone)
{
    std::string dir = fresh_dir("chooser-cancel");
    CreateDirectoryA((dir + "\\sub").c_str(), NULL);
    SetCurrentDirectoryA(dir.c_str());
    browse([&](HWND chooser) {
        wait_for_path(chooser, "chooser-cancel");
        HWND list = GetDlgItem(chooser, IDC_OFN_DIR_LIST);
        SendMessageA(list, LB_SETCURSEL, find_entry(chooser, "[sub]"), 0);
        SendMessageA(chooser, WM_COMMAND, MAKEWPARAM(IDC_OFN_DIR_LIST, LBN_DBLCLK), (LPARAM)list);
        wait_for_path(chooser, "\\sub");
        PostMessageA(chooser, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ("unchanged", path_text());
    EXPECT_STREQ("kept", g_state.install_dir);
    EXPECT_EQ(0, _stricmp(dir.c_str(), current_dir().c_str())) << current_dir();
}

TEST_F(Browse, AChosenFolderTooLongForTheFamilyNameLeavesThePathBoxAlone)
{
    // A folder of 254 bytes or more: with "\Tavik" the result would not fit 260 bytes.
    std::string dir = fresh_dir("chooser-deep");
    while (dir.size() < 254) {
        size_t room = 254 - dir.size() - 1;
        dir += "\\" + std::string(room < 1 ? 1 : room > 8 ? 8 : room, 'd');
        ASSERT_TRUE(CreateDirectoryA(dir.c_str(), NULL)) << dir.size();
    }
    ASSERT_TRUE(SetCurrentDirectoryA(dir.c_str()));
    ASSERT_GT(dir.size() + 6, (size_t)PATH_SIZE - 1);
    browse([](HWND chooser) { PostMessageA(chooser, WM_COMMAND, IDOK, 0); });
    EXPECT_STREQ(dir.c_str(), g_state.install_dir);
    EXPECT_EQ("unchanged", path_text());
}
