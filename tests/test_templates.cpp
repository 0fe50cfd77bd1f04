// The dialog templates as stored in TavikSetup.exe, held against what users see and the code needs.
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

// What a control must be for its painter, its page and the system dialog around it.
enum Kind {
    OWNER_BUTTON, // a button the painters draw and the user presses: enabled, a tab stop
    OWNER_LABEL,  // text the painters draw on a disabled button, so that it takes no click
    AUTO_CHECK,   // ticks itself when clicked, reached with the Tab key
    PUSH,         // a plain push button
    DEFAULT_PUSH, // the push button Enter presses
    GROUP,        // a frame around other controls
    LINE_EDIT,    // one line, scrolling sideways, reached with the Tab key
    TEXT_VIEW,    // several read-only lines that scroll down
    OWNER_LIST,   // each item drawn by the painter from its stored text
    OWNER_COMBO,  // a drop-down list whose items the painter draws from their stored text
    PROGRESS,     // the common controls' smooth bar
    TEXT,         // a static text, picture or line
    UNUSED,       // shown by nobody: only its presence counts
};

static void expect_kind(const ItemTemplate &it, int kind)
{
    static const std::wstring BUTTON = L"BUTTON", EDIT = L"EDIT", STATIC = L"STATIC";
    DWORD s = it.style, type = s & 0xF;
    SCOPED_TRACE(::testing::Message() << "control " << it.id);
    switch (kind) {
    case OWNER_BUTTON:
    case OWNER_LABEL:
        EXPECT_EQ(BUTTON, it.cls);
        EXPECT_EQ((DWORD)BS_OWNERDRAW, type);
        EXPECT_EQ(kind == OWNER_LABEL, (s & WS_DISABLED) != 0);
        EXPECT_EQ(kind == OWNER_BUTTON, (s & WS_TABSTOP) != 0);
        break;
    case AUTO_CHECK:
        EXPECT_EQ(BUTTON, it.cls);
        EXPECT_EQ((DWORD)BS_AUTOCHECKBOX, type);
        EXPECT_TRUE(s & WS_TABSTOP);
        break;
    case PUSH:
    case DEFAULT_PUSH:
        EXPECT_EQ(BUTTON, it.cls);
        EXPECT_EQ((DWORD)(kind == PUSH ? BS_PUSHBUTTON : BS_DEFPUSHBUTTON), type);
        break;
    case GROUP:
        EXPECT_EQ(BUTTON, it.cls);
        EXPECT_EQ((DWORD)BS_GROUPBOX, type);
        break;
    case LINE_EDIT:
        EXPECT_EQ(EDIT, it.cls);
        EXPECT_TRUE((s & ES_AUTOHSCROLL) && (s & WS_TABSTOP));
        EXPECT_FALSE(s & (ES_MULTILINE | ES_READONLY));
        break;
    case TEXT_VIEW:
        EXPECT_EQ(EDIT, it.cls);
        EXPECT_TRUE((s & ES_MULTILINE) && (s & ES_READONLY) && (s & WS_VSCROLL));
        break;
    case OWNER_LIST:
        EXPECT_EQ(L"LISTBOX", it.cls);
        EXPECT_TRUE((s & LBS_OWNERDRAWFIXED) && (s & LBS_HASSTRINGS) && (s & WS_VSCROLL));
        break;
    case OWNER_COMBO:
        EXPECT_EQ(L"COMBOBOX", it.cls);
        EXPECT_EQ((DWORD)CBS_DROPDOWNLIST, s & 3);
        EXPECT_TRUE((s & CBS_OWNERDRAWFIXED) && (s & CBS_HASSTRINGS) && (s & WS_TABSTOP));
        break;
    case PROGRESS:
        EXPECT_EQ(L"msctls_progress32", it.cls);
        EXPECT_TRUE(s & PBS_SMOOTH);
        break;
    case TEXT:
        EXPECT_EQ(STATIC, it.cls);
        break;
    }
}

// Where each control shows: the wizard's pages, the install step, or one common screen.
enum {
    NOWHERE = 0,
    FOLDER_PAGE = 1,     // install folder and shortcut choices: what the wizard opens on
    DISPLAY_PAGE = 2,    // "is the Chinese above shown right?"
    LICENCE_EN_PAGE = 4, // the licence, in English (ticked when the page opens)
    LICENCE_CN_PAGE = 8, // the licence, in Chinese
    LANGUAGE_PAGE = 16,  // the interface language
    INSTALLING = 32,     // the bar runs; the language page stays, the buttons go
    EVERY_PAGE = FOLDER_PAGE | DISPLAY_PAGE | LICENCE_EN_PAGE | LICENCE_CN_PAGE | LANGUAGE_PAGE,
    SHOWN = 1, // the one screen of a dialog without pages
};

struct Placed {
    int id;
    int kind;
    int where;
    DWORD also; // further style bits the control needs
};

static RECT box_of(const ItemTemplate &it, int kind)
{
    // A drop-down list's template height includes the list it drops; closed it is one line.
    if (kind == OWNER_COMBO)
        return {it.x, it.y, it.x + it.cx, it.y + 14};
    // An icon takes its picture's 32 pixels square: 22 by 20 units of an 8-point MS Sans Serif.
    if (it.cls == L"STATIC" && (it.style & 0x1F) == SS_ICON && it.cx == 0 && it.cy == 0)
        return {it.x, it.y, it.x + 22, it.y + 20};
    return {it.x, it.y, it.x + it.cx, it.y + it.cy};
}

// Every control is there as its kind and visible in the template exactly where the dialog
// opens on; no control leaves the dialog; no two shown together overlap, except a frame
// around what it holds.
static void expect_placed(const DialogTemplate &d, const std::vector<Placed> &rows, int opening)
{
    EXPECT_EQ(rows.size(), d.items.size()) << "controls in the template";
    const RECT dialog = {0, 0, d.cx, d.cy};
    for (const Placed &row : rows) {
        const ItemTemplate *it = item(d, row.id);
        ASSERT_TRUE(it) << row.id;
        expect_kind(*it, row.kind);
        EXPECT_EQ(row.also, it->style & row.also) << row.id;
        EXPECT_EQ((row.where & opening) != 0, (it->style & WS_VISIBLE) != 0)
            << "visible at opening: " << row.id;
        RECT box = box_of(*it, row.kind), clipped;
        if (row.where) {
            IntersectRect(&clipped, &box, &dialog);
            EXPECT_TRUE(EqualRect(&clipped, &box)) << row.id << " at " << box.left << "," << box.top << " to "
                                                   << box.right << "," << box.bottom << " leaves the dialog";
        }
    }
    for (size_t i = 0; i < rows.size(); i++)
        for (size_t j = i + 1; j < rows.size(); j++) {
            const Placed &a = rows[i], &b = rows[j];
            if (!(a.where & b.where))
                continue;
            RECT ra = box_of(*item(d, a.id), a.kind), rb = box_of(*item(d, b.id), b.kind), both;
            if (!IntersectRect(&both, &ra, &rb))
                continue;
            bool framed =
                (a.kind == GROUP && EqualRect(&both, &rb)) || (b.kind == GROUP && EqualRect(&both, &ra));
            EXPECT_TRUE(framed) << a.id << " overlaps " << b.id;
        }
}

TEST(Templates, MessageDialogShowsOnlyTheButtonsAMessageNeedsAndItsTwoLines)
{
    DialogTemplate d = parse_dialog(IDD_MESSAGE);
    // Found by its title; the close box answers like Cancel.
    EXPECT_EQ(L"Mereda Install Message", d.caption);
    EXPECT_EQ((DWORD)(WS_CAPTION | WS_SYSMENU | DS_MODALFRAME),
              d.style & (WS_CAPTION | WS_SYSMENU | DS_MODALFRAME));
    EXPECT_EQ(L"MS Sans Serif", d.face);
    EXPECT_EQ(8, d.point_size);
    // The layout places and shows the buttons it needs; the rest stay hidden.
    std::vector<Placed> rows = {
        {IDC_MSG_OK, OWNER_BUTTON, NOWHERE, 0},   {IDC_MSG_CANCEL, OWNER_BUTTON, NOWHERE, 0},
        {IDC_MSG_YES, OWNER_BUTTON, NOWHERE, 0},  {IDC_MSG_NO, OWNER_BUTTON, NOWHERE, 0},
        {IDC_MSG_CHINESE, OWNER_LABEL, SHOWN, 0}, {IDC_MSG_ENGLISH, TEXT, SHOWN, SS_CENTER},
    };
    expect_placed(d, rows, SHOWN);
    // Both buttons of a pair get the size of its first.
    for (int id : {IDC_MSG_CANCEL, IDC_MSG_YES, IDC_MSG_NO}) {
        EXPECT_EQ(item(d, IDC_MSG_OK)->cx, item(d, id)->cx) << id;
        EXPECT_EQ(item(d, IDC_MSG_OK)->cy, item(d, id)->cy) << id;
    }
}

TEST(Templates, WizardOpensOnTheFolderPageAndNoPageOverlapsItsControls)
{
    DialogTemplate d = parse_dialog(IDD_WIZARD);
    EXPECT_EQ(L"Tavik Chinese Input Engine Installer", d.caption);
    DWORD frame = WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    EXPECT_EQ(frame, d.style & frame);
    EXPECT_EQ(L"MS Sans Serif", d.face);
    EXPECT_EQ(8, d.point_size);
    const int licence = LICENCE_EN_PAGE | LICENCE_CN_PAGE, language = LANGUAGE_PAGE | INSTALLING;
    const int banner = EVERY_PAGE | INSTALLING;
    std::vector<Placed> rows = {
        {IDC_PATH_LABEL, OWNER_LABEL, FOLDER_PAGE, 0},
        {IDC_PATH, LINE_EDIT, FOLDER_PAGE, WS_BORDER},
        {IDC_BROWSE, OWNER_BUTTON, FOLDER_PAGE, 0},
        {IDC_DESKTOP_ICON, AUTO_CHECK, FOLDER_PAGE, 0},
        {IDC_AUTO_START, AUTO_CHECK, FOLDER_PAGE, 0},
        {IDC_SAMPLE_FRAME, GROUP, DISPLAY_PAGE, 0},
        {IDC_SAMPLE_LINE, OWNER_LABEL, DISPLAY_PAGE, 0},
        {IDC_DISPLAY_QUESTION, OWNER_LABEL, DISPLAY_PAGE, 0},
        {IDC_DISPLAY_OK, AUTO_CHECK, DISPLAY_PAGE, 0},
        {IDC_DISPLAY_NO, AUTO_CHECK, DISPLAY_PAGE, 0},
        {IDC_LICENCE_ENGLISH, AUTO_CHECK, licence, 0},
        {IDC_LICENCE_EN_TEXT, TEXT_VIEW, LICENCE_EN_PAGE, 0},
        {IDC_LICENCE_CN_LIST, OWNER_LIST, LICENCE_CN_PAGE, LBS_NOSEL | WS_HSCROLL},
        {IDC_LANGUAGE_LABEL, OWNER_LABEL, language, 0},
        {IDC_LANGUAGE, OWNER_COMBO, language, 0},
        {IDC_PROGRESS, PROGRESS, INSTALLING, 0},
        {IDC_NEXT, OWNER_BUTTON, EVERY_PAGE, 0},
        {IDC_BACK, OWNER_BUTTON, EVERY_PAGE & ~FOLDER_PAGE, 0},
        {IDC_CANCEL, OWNER_BUTTON, EVERY_PAGE, 0},
        {IDC_BANNER_ICON, TEXT, banner, SS_ICON},
        {IDC_BANNER_FAMILY, OWNER_LABEL, banner, 0},
        {IDC_BANNER_ENGINE, OWNER_LABEL, banner, 0},
        {IDC_BANNER_INSTALLER, OWNER_LABEL, banner, 0},
        {IDC_BANNER_PRODUCT, TEXT, banner, SS_CENTER},
        {IDC_BANNER_SUBTITLE, TEXT, banner, SS_CENTER},
        {IDC_BANNER_BLANK, OWNER_LABEL, banner, 0},
        {IDC_BANNER_WEB, TEXT, banner, SS_CENTER},
        {IDC_BANNER_LINE, TEXT, banner, SS_ETCHEDVERT},
        {IDC_UNUSED_FACE, OWNER_LABEL, NOWHERE, 0},
        {IDC_UNUSED_LABEL, OWNER_LABEL, NOWHERE, 0},
        {IDC_UNUSED_EDIT, UNUSED, NOWHERE, 0},
    };
    expect_placed(d, rows, FOLDER_PAGE);
    // The path takes the focus when the wizard opens: it is the first tab stop.
    for (const ItemTemplate &it : d.items) {
        if (it.style & WS_TABSTOP) {
            EXPECT_EQ(IDC_PATH, it.id);
            break;
        }
    }
    // The banner stays left of its dividing line.
    int line = item(d, IDC_BANNER_LINE)->x;
    for (int id : {IDC_BANNER_ICON, IDC_BANNER_FAMILY, IDC_BANNER_ENGINE, IDC_BANNER_INSTALLER,
                   IDC_BANNER_PRODUCT, IDC_BANNER_SUBTITLE, IDC_BANNER_BLANK, IDC_BANNER_WEB})
        EXPECT_LE(item(d, id)->x + item(d, id)->cx, line) << id;
    // Texts the system draws from the template.
    EXPECT_EQ(L"Tavik Input Engine", item(d, IDC_BANNER_PRODUCT)->text);
    EXPECT_EQ(L"Installer", item(d, IDC_BANNER_SUBTITLE)->text);
    EXPECT_EQ(L"www.tavik-software.example", item(d, IDC_BANNER_WEB)->text);
    EXPECT_EQ("English", narrow(item(d, IDC_LICENCE_ENGLISH)->text));
}

TEST(Templates, ChooserKeepsTheFileDialogsIdsAndShowsOnlyDirectoriesAndDrives)
{
    DialogTemplate d = parse_dialog(IDD_CHOOSER);
    EXPECT_EQ(L"Choose Destination Directory", d.caption);
    DWORD frame = WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    EXPECT_EQ(frame, d.style & frame);
    EXPECT_EQ(L"Helv", d.face);
    EXPECT_EQ(8, d.point_size);
    // The file dialog fills its own controls by these ids; the file-name part stays hidden.
    std::vector<Placed> rows = {
        {IDC_CHOOSER_DIR_LABEL, OWNER_LABEL, SHOWN, 0},
        {IDC_OFN_PATH, TEXT, SHOWN, SS_NOPREFIX},
        {IDC_OFN_DIR_LIST, OWNER_LIST, SHOWN, LBS_NOTIFY | WS_TABSTOP}, // a double-click opens a folder
        {IDC_CHOOSER_DRIVE_LABEL, OWNER_LABEL, SHOWN, 0},
        {IDC_OFN_DRIVE_COMBO, OWNER_COMBO, SHOWN, 0},
        {IDOK, DEFAULT_PUSH, SHOWN, WS_TABSTOP},
        {IDCANCEL, PUSH, SHOWN, WS_TABSTOP}, // owner-drawn once the dialog is up
        {IDC_OFN_FILE_LABEL, TEXT, NOWHERE, 0},
        {IDC_OFN_FILE_EDIT, UNUSED, NOWHERE, 0},
        {IDC_OFN_FILE_LIST, UNUSED, NOWHERE, 0},
        {IDC_OFN_TYPE_LABEL, TEXT, NOWHERE, 0},
        {IDC_OFN_TYPE_COMBO, UNUSED, NOWHERE, 0},
        {IDC_OFN_DRIVE_LABEL, TEXT, NOWHERE, 0},
        {IDC_OFN_HELP, UNUSED, NOWHERE, 0},
        {IDC_OFN_READ_ONLY, UNUSED, NOWHERE, 0},
        {-1, TEXT, NOWHERE, 0},
    };
    expect_placed(d, rows, SHOWN);
    EXPECT_EQ(L"&OK", item(d, IDOK)->text);
}
