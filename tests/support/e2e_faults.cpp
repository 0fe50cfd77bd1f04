// Faults for the whole-installer tests: damaged copies of the exe, locked folders, drive snapshots.
#include "e2e_faults.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "resources/ids.h"
#include "support/tavik_test.h"

bool payload_stream_span(const std::string &exe, int id, DWORD *offset, DWORD *size)
{
    // As a plain data file the module is the file's bytes mapped flat, so a resource's
    // address less the base is its offset in the file. The handle carries a mark in its low bits.
    HMODULE module = LoadLibraryExA(exe.c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
    if (!module)
        return false;
    const unsigned char *base = (const unsigned char *)((ULONG_PTR)module & ~(ULONG_PTR)3);
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), RT_PAYLOAD_NAME);
    const unsigned char *bytes =
        found ? (const unsigned char *)LockResource(LoadResource(module, found)) : NULL;
    bool ok = bytes && bytes > base;
    std::vector<unsigned char> stream;
    if (ok) {
        *offset = (DWORD)(bytes - base);
        *size = SizeofResource(module, found);
        stream.assign(bytes, bytes + *size);
    }
    FreeLibrary(module);
    if (!ok || *size == 0)
        return false;
    // The span must hold exactly the stream's bytes in the file itself.
    std::vector<unsigned char> file = read_file(exe);
    return (size_t)*offset + *size <= file.size() &&
           std::equal(stream.begin(), stream.end(), file.begin() + *offset);
}

static bool patch_file(const std::string &path, DWORD offset, const std::vector<unsigned char> &bytes)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool ok = SetFilePointer(file, (LONG)offset, NULL, FILE_BEGIN) == offset &&
              WriteFile(file, bytes.data(), (DWORD)bytes.size(), &written, NULL) && written == bytes.size();
    return CloseHandle(file) && ok;
}

bool copy_with_damaged_stream(const std::string &src, const std::string &dst, int id)
{
    DWORD offset = 0, size = 0;
    if (!CopyFileA(src.c_str(), dst.c_str(), FALSE) || !payload_stream_span(dst, id, &offset, &size) ||
        size < 64)
        return false;
    // Sixteen bytes in the middle, each flipped: neither the zlib header nor the checksum is touched.
    DWORD at = offset + size / 2 - 8;
    std::vector<unsigned char> file = read_file(dst);
    std::vector<unsigned char> bytes(file.begin() + at, file.begin() + at + 16);
    for (unsigned char &b : bytes)
        b ^= 0xA5;
    return patch_file(dst, at, bytes);
}

bool truncated_copy(const std::string &src, const std::string &dst, DWORD size)
{
    std::vector<unsigned char> file = read_file(src);
    return size < file.size() && write_file(dst, file.data(), size);
}

std::string host_path(const std::string &windows_path)
{
    typedef char *(CDECL * UnixName)(const WCHAR *);
    UnixName unix_name =
        (UnixName)(void *)GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name");
    WCHAR wide[MAX_PATH];
    if (!unix_name || !MultiByteToWideChar(CP_ACP, 0, windows_path.c_str(), -1, wide, MAX_PATH))
        return "";
    char *name = unix_name(wide);
    if (!name)
        return "";
    std::string path = name;
    HeapFree(GetProcessHeap(), 0, name);
    return path;
}

// True when a new file can be made in dir (and is removed again).
static bool folder_takes_files(const std::string &dir)
{
    std::string probe = dir + "\\probe.tmp";
    HANDLE file = CreateFileA(probe.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(file);
    return DeleteFileA(probe.c_str()) != 0;
}

bool run_on_host(const std::string &command)
{
    static int runs = 0;
    CreateDirectoryA("C:\\tavik-tests", NULL);
    std::string done = "C:\\tavik-tests\\host-command-" + std::to_string(runs++) + ".done";
    DeleteFileA(done.c_str());
    std::string host_done = host_path(done);
    if (host_done.empty() || host_done.find('\'') != std::string::npos ||
        command.find('"') != std::string::npos)
        return false;
    // The host program is started by Wine itself, which gives no handle to wait on: it leaves
    // a mark when it is done.
    std::string line_text = "/bin/sh -c \"" + command + " && : > '" + host_done + "'\"";
    std::vector<char> line(line_text.begin(), line_text.end());
    line.push_back(0);
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (CreateProcessA("Z:\\bin\\sh", line.data(), NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi)) {
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
    for (int i = 0; i < 200 && !file_exists(done); i++)
        Sleep(50);
    return DeleteFileA(done.c_str()) != 0;
}

// A host path fit to stand in single quotes, or "".
static std::string quoted_host_path(const std::string &windows_path)
{
    std::string host = host_path(windows_path);
    return host.empty() || host.find('\'') != std::string::npos ? "" : "'" + host + "'";
}

bool make_host_link(const std::string &link, const std::string &target)
{
    std::string from = quoted_host_path(link), to = quoted_host_path(target);
    return !from.empty() && !to.empty() && run_on_host("ln -s " + to + " " + from);
}

bool set_folder_locked(const std::string &dir, bool locked)
{
    // Wine keeps no read-only bit on folders: the host's permission bits do the refusing.
    std::string host = quoted_host_path(dir);
    return !host.empty() && run_on_host(std::string("chmod ") + (locked ? "555 " : "755 ") + host) &&
           folder_takes_files(dir) != locked;
}

int progress_on_screen(HWND wizard)
{
    HWND bar = GetDlgItem(wizard, IDC_PROGRESS);
    RECT client;
    if (!bar || !IsWindowVisible(bar) || !GetClientRect(bar, &client) || client.right < 10)
        return -1;
    POINT at = {0, client.bottom / 2};
    ClientToScreen(bar, &at);
    int width = client.right;
    HDC screen = GetDC(NULL);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -1;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void *bits = NULL;
    HBITMAP row = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    HGDIOBJ old = SelectObject(memory, row);
    bool read = BitBlt(memory, 0, 0, width, 1, screen, at.x, at.y, SRCCOPY);
    // The filled part is drawn in the highlight colour, inside a one-pixel margin.
    COLORREF bar_colour = GetSysColor(COLOR_HIGHLIGHT);
    DWORD wanted = (GetRValue(bar_colour) << 16) | (GetGValue(bar_colour) << 8) | GetBValue(bar_colour);
    int filled = 0;
    for (int x = 0; read && x < width; x++)
        if ((((const DWORD *)bits)[x] & 0xffffff) == wanted)
            filled++;
    SelectObject(memory, old);
    DeleteObject(row);
    DeleteDC(memory);
    ReleaseDC(NULL, screen);
    if (!read)
        return -1;
    return (filled * 100 + (width - 2) / 2) / (width - 2);
}

static void walk_tree(const std::string &folder, TreeSnapshot *out)
{
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        std::string name = found.cFileName;
        if (name == "." || name == "..")
            continue;
        TreeEntry e;
        e.path = folder + "\\" + name;
        e.folder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        e.size = ((ULONGLONG)found.nFileSizeHigh << 32) | found.nFileSizeLow;
        e.written = found.ftLastWriteTime;
        e.attributes = found.dwFileAttributes;
        std::string key = e.path;
        CharUpperBuffA(&key[0], (DWORD)key.size());
        (*out)[key] = e;
        // Links are not followed: what they point at is walked where it lives.
        if (e.folder && !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            walk_tree(e.path, out);
    } while (FindNextFileA(find, &found));
    FindClose(find);
}

TreeSnapshot snapshot_tree(const std::string &root)
{
    TreeSnapshot tree;
    std::string start = root;
    while (!start.empty() && start.back() == '\\')
        start.pop_back();
    walk_tree(start, &tree);
    return tree;
}

std::vector<std::string> tree_differences(const TreeSnapshot &before, const TreeSnapshot &after)
{
    std::vector<std::string> out;
    for (const auto &b : before) {
        auto a = after.find(b.first);
        if (a == after.end()) {
            out.push_back("removed " + b.second.path);
            continue;
        }
        const TreeEntry &x = b.second, &y = a->second;
        bool same = x.folder == y.folder && x.attributes == y.attributes;
        if (same && !x.folder)
            same = x.size == y.size && CompareFileTime(&x.written, &y.written) == 0;
        if (!same)
            out.push_back("changed " + y.path);
    }
    for (const auto &a : after)
        if (before.find(a.first) == before.end())
            out.push_back("added " + a.second.path);
    return out;
}

std::string difference_path(const std::string &line)
{
    size_t blank = line.find(' ');
    return blank == std::string::npos ? line : line.substr(blank + 1);
}

bool path_within(const std::string &path, const std::string &folder)
{
    if (folder.empty() || path.size() < folder.size())
        return false;
    if (CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, path.c_str(), (int)folder.size(), folder.c_str(),
                       (int)folder.size()) != CSTR_EQUAL)
        return false;
    return path.size() == folder.size() || path[folder.size()] == '\\';
}

bool walk_with_path(SetupProcess *setup, const std::string &path, bool desktop, bool startup)
{
    HWND w = setup->wizard;
    if (!set_control_text(w, IDC_PATH, path))
        return false;
    if ((check_state(w, IDC_DESKTOP_ICON) == BST_CHECKED) != desktop)
        click_check(w, IDC_DESKTOP_ICON);
    if ((check_state(w, IDC_AUTO_START) == BST_CHECKED) != startup)
        click_check(w, IDC_AUTO_START);
    return walk_to_page(setup, 3, IDC_DISPLAY_OK);
}

StepOutcome install_to_end(SetupProcess *setup, int question_answer, const std::string &shots)
{
    StepOutcome out = {};
    out.final_seen =
        run_install_step(setup, question_answer, &out.final_message, &out.elapsed_ms, &out.question, shots);
    if (!out.final_seen)
        return out;
    if (!shots.empty())
        take_screenshot(shots + "-final", out.final_message.window);
    if (answer_message(out.final_message.window, IDC_MSG_OK))
        out.exited = wait_exit(setup, 20000, &out.exit_code);
    return out;
}

bool is_success(const MessageSeen &m)
{
    return m.english == "Congratulations! Installation Success!" && m.chinese == "祝贺您：安装顺利完成！";
}

bool is_failure(const MessageSeen &m)
{
    return m.english ==
               "Installation failed. Please check your system (quit all Tavik applications) and try again." &&
           m.chinese == "安装失败！请检查一下系统后，再重新安装。谢谢！";
}

static const DWORD PROTECT_BITS = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN;

void expect_files_except(const std::string &dir, const std::vector<std::string> &extra,
                         const std::vector<std::string> &absent)
{
    expect_record_lists(dir, absent);
    std::vector<std::string> expected = extra;
    expected.push_back("TVKInstall.rec");
    for (const InstalledFile &f : installed_files()) {
        std::string path = dir + "\\" + f.name;
        if (std::find(absent.begin(), absent.end(), f.name) != absent.end()) {
            EXPECT_FALSE(file_exists(path)) << path << " should be missing";
            continue;
        }
        expected.push_back(f.name);
        DWORD attributes = attributes_of(path);
        if (attributes == INVALID_FILE_ATTRIBUTES) {
            ADD_FAILURE() << "missing " << path;
            continue;
        }
        EXPECT_EQ(requested_bits(f), attributes & PROTECT_BITS) << path;
        if (f.name != "chipadui.ini") {
            EXPECT_TRUE(read_file(path) == setup_payload(f.id)) << "contents of " << path;
        }
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, sorted_entries(dir)) << "entries of " << dir;
}

int expect_present_files_whole(const std::string &dir)
{
    int present = 0;
    for (const InstalledFile &f : installed_files()) {
        std::string path = dir + "\\" + f.name;
        DWORD attributes = attributes_of(path);
        if (attributes == INVALID_FILE_ATTRIBUTES)
            continue;
        present++;
        EXPECT_EQ(requested_bits(f), attributes & PROTECT_BITS) << path;
        EXPECT_TRUE(read_file(path) == setup_payload(f.id)) << path << " is there but not whole";
    }
    return present;
}
