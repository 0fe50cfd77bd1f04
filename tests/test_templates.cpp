// The dialog templates as stored in the executable: styles, positions, fonts, captions.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <windows.h>
#include <commctrl.h>

#include "resources/ids.h"
#include "support/tavik_test.h"

struct ItemTemplate {
    DWORD style;
    int x, y, cx, cy;
    int id;
    std::wstring cls; // class name, or "#<atom>" for a predefined class
    std::wstring text;
};

struct DialogTemplate {
    bool extended;
    DWORD style;
    int x, y, cx, cy;
    std::wstring caption;
    int point_size;
    std::wstring face;
    std::vector<ItemTemplate> items;
};

static const WORD *align4(const WORD *p, const BYTE *base)
{
    size_t off = (const BYTE *)p - base;
    return (const WORD *)(base + ((off + 3) & ~(size_t)3));
}

// A name field: 0 (none), 0xFFFF + ordinal, or a zero-terminated UTF-16 string.
static const WORD *read_sz_or_ord(const WORD *p, std::wstring *out)
{
    if (*p == 0xFFFF) {
        *out = L"#" + std::to_wstring(p[1]);
        return p + 2;
    }
    out->clear();
    while (*p)
        out->push_back((wchar_t)*p++);
    return p + 1;
}

// Predefined classes may be stored as atoms or as names, in any case.
static std::wstring class_name(const std::wstring &stored)
{
    static const struct {
        const wchar_t *atom, *name;
    } atoms[] = {{L"#128", L"BUTTON"},  {L"#129", L"EDIT"},      {L"#130", L"STATIC"},
                 {L"#131", L"LISTBOX"}, {L"#132", L"SCROLLBAR"}, {L"#133", L"COMBOBOX"}};
    for (const auto &a : atoms)
        if (stored == a.atom)
            return a.name;
    std::wstring upper = stored;
    for (wchar_t &c : upper)
        c = towupper(c);
    return upper == L"MSCTLS_PROGRESS32" ? L"msctls_progress32" : upper;
}

static DialogTemplate parse_dialog(int id)
{
    DialogTemplate d = {};
    HMODULE module = setup_module();
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), RT_DIALOG);
    EXPECT_TRUE(found) << id;
    if (!found)
        return d;
    const BYTE *base = (const BYTE *)LockResource(LoadResource(module, found));
    const WORD *p = (const WORD *)base;
    int count;
    d.extended = p[0] == 1 && p[1] == 0xFFFF;
    if (d.extended) {
        const DWORD *dw = (const DWORD *)(p + 2);
        d.style = dw[2]; // helpID, exStyle, style
        count = p[8];
        const short *s = (const short *)(p + 9);
        d.x = s[0], d.y = s[1], d.cx = s[2], d.cy = s[3];
        p += 13;
    } else {
        d.style = *(const DWORD *)p;
        count = p[4];
        const short *s = (const short *)(p + 5);
        d.x = s[0], d.y = s[1], d.cx = s[2], d.cy = s[3];
        p += 9;
    }
    std::wstring menu, cls;
    p = read_sz_or_ord(p, &menu);
    p = read_sz_or_ord(p, &cls);
    p = read_sz_or_ord(p, &d.caption);
    if (d.style & DS_SETFONT) {
        d.point_size = *p++;
        if (d.extended)
            p += 2; // weight, italic and charset
        p = read_sz_or_ord(p, &d.face);
    }
    for (int i = 0; i < count; i++) {
        ItemTemplate it = {};
        p = align4(p, base);
        if (d.extended) {
            it.style = *(const DWORD *)(p + 4); // helpID, exStyle, style
            const short *s = (const short *)(p + 6);
            it.x = s[0], it.y = s[1], it.cx = s[2], it.cy = s[3];
            it.id = (int)*(const DWORD *)(p + 10);
            p += 12;
        } else {
            it.style = *(const DWORD *)p;
            const short *s = (const short *)(p + 4);
            it.x = s[0], it.y = s[1], it.cx = s[2], it.cy = s[3];
            it.id = (short)p[8];
            p += 9;
        }
        p = read_sz_or_ord(p, &it.cls);
        it.cls = class_name(it.cls);
        p = read_sz_or_ord(p, &it.text);
        WORD extra = *p++;
        p = (const WORD *)((const BYTE *)p + extra);
        d.items.push_back(it);
    }
    return d;
}

static const ItemTemplate *item(const DialogTemplate &d, int id)
{
    for (const ItemTemplate &it : d.items)
        if (it.id == id)
            return &it;
    return nullptr;
}

static std::string narrow(const std::wstring &w)
{
    char buf[512];
    int n = WideCharToMultiByte(936, 0, w.c_str(), -1, buf, sizeof(buf), NULL, NULL);
    return n > 0 ? std::string(buf) : std::string();
}

static const std::wstring BUTTON = L"BUTTON", EDIT = L"EDIT", STATIC = L"STATIC", LISTBOX = L"LISTBOX",
                          COMBOBOX = L"COMBOBOX";

TEST(Templates, MessageDialogIsTheExtendedTemplateAsDescribed)
{
    DialogTemplate d = parse_dialog(IDD_MESSAGE);
    EXPECT_TRUE(d.extended);
    EXPECT_EQ(0x90C800C0u, d.style);
    EXPECT_EQ(0, d.x);
    EXPECT_EQ(0, d.y);
    EXPECT_EQ(331, d.cx);
    EXPECT_EQ(97, d.cy);
    EXPECT_EQ(L"Mereda Install Message", d.caption);
    EXPECT_EQ(8, d.point_size);
    EXPECT_EQ(L"MS Sans Serif", d.face);
    struct {
        int id;
        DWORD style;
        const char *text;
        int x, y, cx, cy;
        std::wstring cls;
    } rows[] = {
        {1, 0x4001000B, "确认", 87, 65, 73, 18, BUTTON}, {6, 0x4001000B, "是", 174, 65, 73, 18, BUTTON},
        {7, 0x4001000B, "否", 257, 65, 73, 18, BUTTON},  {2, 0x4001000B, "取消 ", 6, 65, 73, 18, BUTTON},
        {1013, 0x5800000B, "", 6, 4, 321, 24, BUTTON},   {1028, 0x50000001, "", 6, 35, 87, 8, STATIC},
    };
    ASSERT_EQ(6u, d.items.size());
    for (size_t i = 0; i < d.items.size(); i++) {
        const ItemTemplate &it = d.items[i];
        EXPECT_EQ(rows[i].id, it.id) << "control order " << i;
        EXPECT_EQ(rows[i].style, it.style) << it.id;
        EXPECT_EQ(rows[i].text, narrow(it.text)) << it.id;
        EXPECT_EQ(rows[i].cls, it.cls) << it.id;
        EXPECT_EQ(rows[i].x, it.x) << it.id;
        EXPECT_EQ(rows[i].y, it.y) << it.id;
        EXPECT_EQ(rows[i].cx, it.cx) << it.id;
        EXPECT_EQ(rows[i].cy, it.cy) << it.id;
    }
}

TEST(Templates, WizardHasEveryControlWhereAndHowDescribed)
{
    DialogTemplate d = parse_dialog(IDD_WIZARD);
    EXPECT_EQ((DWORD)(WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT), d.style);
    EXPECT_EQ(30, d.x);
    EXPECT_EQ(14, d.y);
    EXPECT_EQ(455, d.cx);
    EXPECT_EQ(217, d.cy);
    EXPECT_EQ(L"Tavik Chinese Input Engine Installer", d.caption);
    EXPECT_EQ(8, d.point_size);
    EXPECT_EQ(L"MS Sans Serif", d.face);
    enum {
        OWNER_BUTTON,
        OWNER_LABEL,
        AUTO_CHECK,
        GROUP,
        EDIT_LINE,
        EDIT_MULTI,
        EDIT_RO,
        LIST,
        COMBO,
        PROGRESS
    };
    struct {
        int id, kind, x, y, cx, cy;
        bool visible;
    } rows[] = {
        {1002, EDIT_LINE, 167, 43, 169, 12, true},    {1003, OWNER_BUTTON, 338, 42, 76, 16, true},
        {1004, AUTO_CHECK, 167, 80, 220, 16, true},   {1005, AUTO_CHECK, 167, 104, 220, 16, true},
        {1006, OWNER_LABEL, 167, 22, 188, 16, true},  {1015, GROUP, 162, 10, 242, 62, false},
        {1017, OWNER_LABEL, 168, 80, 230, 16, false}, {1018, OWNER_LABEL, 177, 22, 210, 27, false},
        {1007, AUTO_CHECK, 182, 102, 220, 16, false}, {1008, AUTO_CHECK, 182, 118, 220, 16, false},
        {1010, AUTO_CHECK, 160, 154, 141, 16, false}, {1019, LIST, 133, 10, 320, 139, false},
        {1014, EDIT_MULTI, 146, 11, 296, 137, false}, {1030, OWNER_LABEL, 155, 80, 230, 16, false},
        {1031, COMBO, 170, 62, 228, 136, false},      {1001, OWNER_BUTTON, 234, 176, 106, 16, true},
        {3, OWNER_BUTTON, 158, 176, 68, 16, false},   {2, OWNER_BUTTON, 348, 176, 68, 16, true},
        {1026, PROGRESS, 159, 195, 294, 14, false},   {1021, OWNER_LABEL, 142, 174, 181, 16, false},
        {1016, OWNER_LABEL, 166, 84, 262, 16, false}, {1038, EDIT_RO, 182, 43, 169, 12, false},
    };
    for (const auto &r : rows) {
        const ItemTemplate *it = item(d, r.id);
        ASSERT_TRUE(it) << r.id;
        EXPECT_EQ(r.x, it->x) << r.id;
        EXPECT_EQ(r.y, it->y) << r.id;
        EXPECT_EQ(r.cx, it->cx) << r.id;
        EXPECT_EQ(r.cy, it->cy) << r.id;
        EXPECT_EQ(r.visible, (it->style & WS_VISIBLE) != 0) << r.id;
        DWORD s = it->style;
        switch (r.kind) {
        case OWNER_BUTTON:
            EXPECT_EQ(BUTTON, it->cls) << r.id;
            EXPECT_EQ((DWORD)BS_OWNERDRAW, s & 0xF) << r.id;
            EXPECT_FALSE(s & WS_DISABLED) << r.id;
            break;
        case OWNER_LABEL:
            EXPECT_EQ(BUTTON, it->cls) << r.id;
            EXPECT_EQ((DWORD)BS_OWNERDRAW, s & 0xF) << r.id;
            EXPECT_TRUE(s & WS_DISABLED) << r.id;
            break;
        case AUTO_CHECK:
            EXPECT_EQ(BUTTON, it->cls) << r.id;
            EXPECT_EQ((DWORD)BS_AUTOCHECKBOX, s & 0xF) << r.id;
            break;
        case GROUP:
            EXPECT_EQ((DWORD)BS_GROUPBOX, s & 0xF) << r.id;
            break;
        case EDIT_LINE:
            EXPECT_EQ(EDIT, it->cls);
            EXPECT_TRUE(s & ES_AUTOHSCROLL);
            EXPECT_FALSE(s & ES_MULTILINE);
            break;
        case EDIT_MULTI:
            EXPECT_EQ(EDIT, it->cls);
            EXPECT_TRUE((s & ES_MULTILINE) && (s & ES_READONLY) && (s & WS_VSCROLL));
            break;
        case EDIT_RO:
            EXPECT_EQ(EDIT, it->cls);
            EXPECT_TRUE(s & ES_READONLY);
            break;
        case LIST:
            EXPECT_EQ(LISTBOX, it->cls);
            EXPECT_TRUE((s & LBS_OWNERDRAWFIXED) && (s & LBS_HASSTRINGS) && (s & LBS_NOSEL));
            EXPECT_TRUE((s & WS_VSCROLL) && (s & WS_HSCROLL));
            break;
        case COMBO:
            EXPECT_EQ(COMBOBOX, it->cls);
            EXPECT_EQ((DWORD)CBS_DROPDOWNLIST, s & 3);
            EXPECT_TRUE((s & CBS_OWNERDRAWFIXED) && (s & CBS_HASSTRINGS));
            break;
        case PROGRESS:
            EXPECT_EQ(L"msctls_progress32", it->cls);
            EXPECT_TRUE(s & PBS_SMOOTH);
            break;
        }
    }
    // The path edit is the first tab stop, so it takes the focus at start.
    for (const ItemTemplate &it : d.items) {
        if (it.style & WS_TABSTOP) {
            EXPECT_EQ(1002, it.id);
            break;
        }
    }
    for (int id : {102, 167, 169, 108, 172, 1009, 1011, 1012, 1020}) {
        const ItemTemplate *it = item(d, id);
        ASSERT_TRUE(it) << id;
        EXPECT_TRUE(it->style & WS_VISIBLE) << id;
        EXPECT_LT(it->x + it->cx, 133) << "banner control " << id << " stays in the left column";
    }
    EXPECT_EQ(L"Tavik Input Engine", item(d, 167)->text);
    EXPECT_EQ(L"Installer", item(d, 169)->text);
    EXPECT_EQ("English", narrow(item(d, 1010)->text));
}

TEST(Templates, ChooserIsTheClassicLayoutCutDownToDirectories)
{
    DialogTemplate d = parse_dialog(IDD_CHOOSER);
    EXPECT_EQ(0x80C800C0u, d.style);
    EXPECT_EQ(36, d.x);
    EXPECT_EQ(24, d.y);
    EXPECT_EQ(258, d.cx);
    EXPECT_EQ(182, d.cy);
    EXPECT_EQ(L"Choose Destination Directory", d.caption);
    EXPECT_EQ(8, d.point_size);
    EXPECT_EQ(L"Helv", d.face);
    struct {
        int id;
        std::wstring cls;
        const char *text;
        bool visible;
        int x, y, cx, cy;
    } rows[] = {
        {1090, STATIC, "File &Name:", false, 169, 103, 68, 9},
        {1152, EDIT, "", false, 168, 99, 68, 12},
        {1120, LISTBOX, "", false, 168, 89, 68, 17},
        {1088, STATIC, "", true, 13, 23, 92, 9},
        {1121, LISTBOX, "", true, 12, 36, 126, 129},
        {1089, STATIC, "List Files of &Type:", false, 167, 91, 68, 9},
        {1136, COMBOBOX, "", false, 167, 100, 68, 36},
        {1091, STATIC, "Dri&ves:", false, 158, 133, 64, 8},
        {1137, COMBOBOX, "", true, 158, 142, 77, 68},
        {1, BUTTON, "&OK", true, 160, 36, 76, 16},
        {2, BUTTON, "&Cancel", true, 160, 64, 76, 16},
        {1038, BUTTON, "&Help", false, 177, 97, 50, 14},
        {1040, BUTTON, "&Read Only", false, 179, 88, 50, 12},
        {1008, BUTTON, "路径 (Directories):", true, 14, 3, 119, 16},
        {1010, BUTTON, "磁盘 (Drives):", true, 158, 124, 77, 16},
        {-1, STATIC, "&Directories:", false, 13, 8, 92, 9},
    };
    for (const auto &r : rows) {
        const ItemTemplate *it = item(d, r.id);
        ASSERT_TRUE(it) << r.id;
        EXPECT_EQ(r.cls, it->cls) << r.id;
        EXPECT_EQ(r.text, narrow(it->text)) << r.id;
        EXPECT_EQ(r.visible, (it->style & WS_VISIBLE) != 0) << r.id;
        EXPECT_EQ(r.x, it->x) << r.id;
        EXPECT_EQ(r.y, it->y) << r.id;
        EXPECT_EQ(r.cx, it->cx) << r.id;
        EXPECT_EQ(r.cy, it->cy) << r.id;
    }
    EXPECT_EQ((DWORD)BS_DEFPUSHBUTTON, item(d, 1)->style & 0xF);
    for (int id : {1008, 1010}) {
        EXPECT_EQ((DWORD)BS_OWNERDRAW, item(d, id)->style & 0xF) << id;
        EXPECT_TRUE(item(d, id)->style & WS_DISABLED) << id;
    }
    DWORD dirs = item(d, 1121)->style, drives = item(d, 1137)->style;
    EXPECT_TRUE((dirs & LBS_OWNERDRAWFIXED) && (dirs & LBS_HASSTRINGS));
    EXPECT_TRUE((drives & CBS_OWNERDRAWFIXED) && (drives & CBS_HASSTRINGS));
}
