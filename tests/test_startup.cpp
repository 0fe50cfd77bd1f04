// Start-up: language and folder rules, the Enter key, the glyph atlas, the real exe.
#include <gtest/gtest.h>

#include "resources/ids.h"
#include "ui/ui.h"
#include "app/app.h"
#include "app/startup_rules.h"
#include "wizard/wizard.h"
#include "support/tavik_test.h"

TEST(SystemLanguage, ChineseScriptFollowsLanguageIdOnMultiByteSystems)
{
    struct {
        int dbcs;
        unsigned lang;
        int expected;
    } rows[] = {
        {1, 0x0804, 1}, {1, 0x0404, 2}, {1, 0x0C04, 2}, {1, 0x1404, 2}, {1, 0x1004, 1}, {1, 0x0409, 0},
        {1, 0x0411, 0}, {0, 0x0804, 0}, {0, 0x0404, 0}, {1, 0x7C04, 2}, {1, 0x0004, 1},
    };
    for (const auto &r : rows)
        EXPECT_EQ(r.expected, chinese_script_for(r.dbcs, r.lang)) << std::hex << r.lang << " dbcs " << r.dbcs;
}

TEST(ModuleDir, KeepsTrailingBackslashOrFallsBackToDriveA)
{
    char out[PATH_SIZE];
    module_dir_from_path(out, sizeof(out), "C:\\x\\setup.exe");
    EXPECT_STREQ("C:\\x\\", out);
    module_dir_from_path(out, sizeof(out), "setup.exe");
    EXPECT_STREQ("A:\\", out);
    module_dir_from_path(out, sizeof(out), "");
    EXPECT_STREQ("A:\\", out);
    module_dir_from_path(out, sizeof(out), "C:\\");
    EXPECT_STREQ("C:\\", out);
    module_dir_from_path(out, sizeof(out), "\\\\server\\share\\dir\\s.exe");
    EXPECT_STREQ("\\\\server\\share\\dir\\", out);
}

TEST(ModuleDir, RealProcessPathEndsInBackslash)
{
    find_module_dir();
    size_t n = strlen(g_state.module_dir);
    ASSERT_GT(n, 3u);
    EXPECT_EQ('\\', g_state.module_dir[n - 1]);
    char path[PATH_SIZE];
    GetModuleFileNameA(NULL, path, sizeof(path));
    EXPECT_EQ(0, strncmp(path, g_state.module_dir, n));
    EXPECT_EQ(nullptr, strchr(path + n, '\\'));
}

TEST(EnterKey, PushButtonsClickThemselvesOtherControlsClickForward)
{
    // lParam of a first key-down: repeat count 1, the Enter scan code; a held key sets bit 30.
    const unsigned long first = 0x001C0001, held = 0x401C0001;
    struct {
        unsigned long flags;
        int focus;
        const char *cls;
        unsigned long style;
        int id;
        int command;
        int drop;
    } rows[] = {
        {first, 1, "Button", BS_OWNERDRAW, 3, 3, 1},
        {first, 1, "BUTTON", BS_PUSHBUTTON, 2, 2, 1},
        {first, 1, "button", BS_DEFPUSHBUTTON | WS_TABSTOP, 1003, 1003, 1},
        {first, 1, "Button", BS_CHECKBOX, 1004, 1001, 0},
        {first, 1, "Button", BS_AUTOCHECKBOX | WS_TABSTOP, 1007, 1001, 0},
        {first, 1, "Button", BS_RADIOBUTTON, 9, 1001, 0},
        {first, 1, "Button", BS_3STATE, 9, 1001, 0},
        {first, 1, "Button", BS_AUTO3STATE, 9, 1001, 0},
        {first, 1, "Button", BS_AUTORADIOBUTTON, 9, 1001, 0},
        {first, 1, "Button", BS_GROUPBOX, 1015, 1015, 1},
        {first, 1, "Edit", ES_AUTOHSCROLL, 1002, 1001, 0},
        {first, 1, "buttonx", BS_PUSHBUTTON, 5, 1001, 0},
        {first, 0, "", 0, 0, 1001, 0},
        // Alt held (bit 29) or a large repeat count is still a first press.
        {0x201C0001, 1, "Button", BS_OWNERDRAW, 1001, 1001, 1},
        {0x001C0005, 1, "Edit", ES_AUTOHSCROLL, 1002, 1001, 0},
        // A held key: nothing posted, nothing passed on, wherever the focus is.
        {held, 1, "Button", BS_OWNERDRAW, 1001, 0, 1},
        {held, 1, "Button", BS_OWNERDRAW, 3, 0, 1},
        {held, 1, "Button", BS_AUTOCHECKBOX | WS_TABSTOP, 1007, 0, 1},
        {held, 1, "Edit", ES_AUTOHSCROLL, 1002, 0, 1},
        {held, 0, "", 0, 0, 0, 1},
        {0x40000001, 1, "Button", BS_OWNERDRAW, 1001, 0, 1},
    };
    for (const auto &r : rows) {
        int drop = -1;
        EXPECT_EQ(r.command, enter_key_command(r.flags, r.focus, r.cls, r.style, r.id, 1001, &drop))
            << r.cls << " " << r.id << " flags " << std::hex << r.flags;
        EXPECT_EQ(r.drop, drop) << r.cls << " " << r.id << " flags " << std::hex << r.flags;
    }
}

// Enter on real controls: which command reaches the wizard, and whether the key goes on.
TEST(EnterKey, RealControlsPostTheRightCommand)
{
    HWND owner =
        CreateWindowA("STATIC", "owner", WS_OVERLAPPEDWINDOW, 0, 0, 200, 200, NULL, NULL, NULL, NULL);
    ASSERT_TRUE(owner);
    HWND back = CreateWindowA("BUTTON", "Back", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, 0, 0, 50, 20, owner,
                              (HMENU)3, NULL, NULL);
    HWND check = CreateWindowA("BUTTON", "c", WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, 0, 30, 50, 20, owner,
                               (HMENU)1004, NULL, NULL);
    HWND edit =
        CreateWindowA("EDIT", "", WS_CHILD | WS_VISIBLE, 0, 60, 50, 20, owner, (HMENU)1002, NULL, NULL);
    ShowWindow(owner, SW_SHOW);
    g_state.wizard_window = owner;
    const LPARAM held = 0x401C0001;
    struct {
        HWND focus;
        LPARAM flags;
        int command; // 0: nothing posted
        int dropped;
    } rows[] = {{back, 1, 3, 1},    {check, 1, 1001, 0}, {edit, 1, 1001, 0},
                {back, held, 0, 1}, {check, held, 0, 1}, {edit, held, 0, 1}};
    for (const auto &r : rows) {
        SetFocus(r.focus);
        ASSERT_EQ(r.focus, GetFocus());
        MSG drain;
        while (PeekMessageA(&drain, owner, WM_COMMAND, WM_COMMAND, PM_REMOVE)) {
        }
        MSG key = {};
        key.hwnd = r.focus;
        key.message = WM_KEYDOWN;
        key.wParam = VK_RETURN;
        key.lParam = r.flags;
        EXPECT_EQ(r.dropped, apply_enter_key(&key)) << r.command << " flags " << r.flags;
        MSG posted;
        if (r.command) {
            ASSERT_TRUE(PeekMessageA(&posted, owner, WM_COMMAND, WM_COMMAND, PM_REMOVE));
            EXPECT_EQ(r.command, LOWORD(posted.wParam));
            EXPECT_EQ(BN_CLICKED, HIWORD(posted.wParam));
            EXPECT_EQ(0, posted.lParam);
        }
        EXPECT_FALSE(PeekMessageA(&posted, owner, WM_COMMAND, WM_COMMAND, PM_REMOVE)) << "flags " << r.flags;
    }
    MSG other = {};
    other.hwnd = edit;
    other.message = WM_KEYDOWN;
    other.wParam = 'A';
    EXPECT_EQ(0, apply_enter_key(&other));
    MSG none;
    EXPECT_FALSE(PeekMessageA(&none, owner, WM_COMMAND, WM_COMMAND, PM_REMOVE));
    g_state.wizard_window = NULL;
    DestroyWindow(owner);
}

// Reads one atlas bitmap back as raw one-bit rows.
static std::vector<unsigned char> bitmap_bits(HBITMAP bitmap)
{
    std::vector<unsigned char> bits(ATLAS_BLOCK_SIZE);
    EXPECT_EQ((LONG)bits.size(), GetBitmapBits(bitmap, bits.size(), bits.data()));
    return bits;
}

TEST(GlyphAtlas, LoadsFourBitmapsHoldingTheResourceBits)
{
    use_setup_resources();
    std::vector<unsigned char> atlas = setup_payload(IDR_GLYPH_ATLAS);
    ASSERT_EQ((size_t)ATLAS_SIZE, atlas.size());
    ASSERT_EQ(ATLAS_OK, load_glyph_atlas());
    for (int k = 0; k < 4; k++) {
        GlyphSlot *slot = &g_drawing.glyph_atlas[k];
        ASSERT_TRUE(slot->bitmap && slot->dc && slot->previous);
        BITMAP info = {};
        GetObjectA(slot->bitmap, sizeof(info), &info);
        EXPECT_EQ(512, info.bmWidth);
        EXPECT_EQ(944, info.bmHeight);
        EXPECT_EQ(1, info.bmBitsPixel);
        EXPECT_EQ(slot->bitmap, GetCurrentObject(slot->dc, OBJ_BITMAP));
        std::vector<unsigned char> bits = bitmap_bits(slot->bitmap);
        EXPECT_TRUE(std::equal(bits.begin(), bits.end(), atlas.begin() + k * ATLAS_BLOCK_SIZE))
            << "bitmap " << k;
    }
    // 啊 (0xB0A1) sits in cell 658 of bitmap 0: it has ink, and cell 0 (ideographic space) has none.
    int ink = 0, blank_ink = 0;
    for (int row = 0; row < 16; row++) {
        for (int x = 0; x < 16; x++) {
            ink += GetPixel(g_drawing.glyph_atlas[0].dc, 288 + x, 320 + row) == RGB(0, 0, 0);
            blank_ink += GetPixel(g_drawing.glyph_atlas[0].dc, x, row) == RGB(0, 0, 0);
        }
    }
    EXPECT_GT(ink, 20);
    EXPECT_EQ(0, blank_ink);
    release_glyph_atlas();
    for (int k = 0; k < 4; k++)
        EXPECT_FALSE(g_drawing.glyph_atlas[k].bitmap || g_drawing.glyph_atlas[k].dc);
}

TEST(GlyphAtlas, MissingCorruptShortOrEmptyResourceFailsWithoutBitmaps)
{
    std::vector<unsigned char> full(ATLAS_SIZE, 0xff);
    std::vector<unsigned char> short_atlas(ATLAS_SIZE - 1, 0xff);
    std::vector<unsigned char> corrupt = zlib_pack(full);
    corrupt[corrupt.size() - 1] ^= 0x55; // the Adler-32 check no longer matches
    std::vector<unsigned char> oversized(ATLAS_BUFFER_SIZE + 1, 0);
    struct {
        const char *name;
        std::vector<unsigned char> data;
        bool present;
    } cases[] = {
        {"missing", {}, false},
        {"short", zlib_pack(short_atlas), true},
        {"corrupt", corrupt, true},
        {"empty", zlib_pack({}), true},
        {"oversized", zlib_pack(oversized), true},
        {"not-zlib", std::vector<unsigned char>(100, 0x41), true},
    };
    for (auto &c : cases) {
        std::vector<std::pair<int, std::vector<unsigned char>>> res;
        if (c.present)
            res.push_back({IDR_GLYPH_ATLAS, c.data});
        else
            res.push_back({999, zlib_pack(full)});
        HMODULE module = crafted_module(std::string("atlas-") + c.name, res);
        ASSERT_TRUE(module) << c.name;
        g_drawing.instance = module;
        EXPECT_EQ(ATLAS_BAD_STREAM, load_glyph_atlas()) << c.name;
        for (int k = 0; k < 4; k++)
            EXPECT_FALSE(g_drawing.glyph_atlas[k].bitmap) << c.name;
        release_glyph_atlas();
        FreeLibrary(module);
    }
    // The exact size is accepted.
    HMODULE module = crafted_module("atlas-exact", {{IDR_GLYPH_ATLAS, zlib_pack(full)}});
    g_drawing.instance = module;
    EXPECT_EQ(ATLAS_OK, load_glyph_atlas());
    release_glyph_atlas();
    // With the atlas but without the wizard's template the installer ends as after a cancel.
    EXPECT_EQ(0, run_installer(module, ""));
    FreeLibrary(module);
}

TEST(TestFont, IsTheGb2312CourierFont)
{
    create_test_font();
    ASSERT_TRUE(g_drawing.gb_font);
    LOGFONTA font = {};
    GetObjectA(g_drawing.gb_font, sizeof(font), &font);
    EXPECT_STREQ("Courier New", font.lfFaceName);
    EXPECT_EQ(16, font.lfHeight);
    EXPECT_EQ(8, font.lfWidth);
    EXPECT_EQ(400, font.lfWeight);
    EXPECT_EQ(0x31, font.lfPitchAndFamily);
    EXPECT_EQ(GB2312_CHARSET, font.lfCharSet);
    DeleteObject(g_drawing.gb_font);
    g_drawing.gb_font = NULL;
}

TEST(Probe, EnglishWineIsNtSingleByteAndNotChinese)
{
    probe_environment();
    EXPECT_EQ(1, g_state.is_nt);
    EXPECT_EQ(0, g_state.os_major_is_3);
    EXPECT_EQ(0, g_state.dbcs_system);
    EXPECT_EQ(0, g_state.system_chinese);
}

static DWORD run_setup_and_cancel(const std::string &exe, bool *saw_window)
{
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    std::string line = "\"" + exe + "\"";
    std::vector<char> buf(line.begin(), line.end());
    buf.push_back(0);
    if (!CreateProcessA(NULL, buf.data(), NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi))
        return 0xdead;
    HWND wizard = NULL;
    for (int i = 0; i < 400 && !wizard; i++) {
        if (WaitForSingleObject(pi.hProcess, 50) == WAIT_OBJECT_0)
            break;
        HWND w = FindWindowA(NULL, "Tavik Chinese Input Engine Installer");
        if (w && IsWindowVisible(w))
            wizard = w;
    }
    *saw_window = wizard != NULL;
    if (wizard)
        PostMessageA(wizard, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    if (WaitForSingleObject(pi.hProcess, 20000) != WAIT_OBJECT_0)
        TerminateProcess(pi.hProcess, 99);
    DWORD code = 0xdead;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return code;
}

TEST(RealExe, ShowsTheWizardAndCancelExitsWithZero)
{
    bool saw = false;
    EXPECT_EQ(0u, run_setup_and_cancel(setup_exe_path(), &saw));
    EXPECT_TRUE(saw);
}

TEST(RealExe, WithoutItsAtlasExitsWithOneAndShowsNoWizard)
{
    // A copy whose resource 110 is replaced by a stream that does not inflate.
    std::string dir = fresh_dir("setup-no-atlas");
    std::string copy = dir + "\\TavikSetup.exe";
    ASSERT_TRUE(CopyFileA(setup_exe_path().c_str(), copy.c_str(), FALSE));
    HANDLE update = BeginUpdateResourceA(copy.c_str(), FALSE);
    ASSERT_TRUE(update);
    char junk[64] = "not a zlib stream";
    ASSERT_TRUE(
        UpdateResourceA(update, RT_PAYLOAD_NAME, MAKEINTRESOURCEA(IDR_GLYPH_ATLAS), 0, junk, sizeof(junk)));
    ASSERT_TRUE(EndUpdateResourceA(update, FALSE));
    bool saw = true;
    EXPECT_EQ(1u, run_setup_and_cancel(copy, &saw));
    EXPECT_FALSE(saw);
}
