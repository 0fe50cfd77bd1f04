// Test helpers of the installation engine: shell-link read-back, message answers, progress.
#include "install_support.h"

#include <commctrl.h>
#include <objbase.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "resources/ids.h"
#include "wizard/state.h"
#include "tavik_test.h"

HMODULE crafted_setup_module(const std::string &name,
                             const std::vector<std::pair<int, std::vector<unsigned char>>> &raw)
{
    HMODULE setup = setup_module();
    HRSRC dialog = FindResourceA(setup, MAKEINTRESOURCEA(IDD_MESSAGE), (LPCSTR)RT_DIALOG);
    void *dialog_bytes = dialog ? LockResource(LoadResource(setup, dialog)) : NULL;
    if (!dialog_bytes)
        return NULL;
    std::string path = fresh_dir("crafted-" + name) + "\\crafted.exe";
    if (!CopyFileA(test_program("file_holder.exe").c_str(), path.c_str(), FALSE))
        return NULL;
    HANDLE update = BeginUpdateResourceA(path.c_str(), FALSE);
    if (!update)
        return NULL;
    for (const auto &r : raw) {
        std::vector<unsigned char> packed = zlib_pack(r.second);
        UpdateResourceA(update, RT_PAYLOAD_NAME, MAKEINTRESOURCEA(r.first), 0, packed.data(),
                        (DWORD)packed.size());
    }
    UpdateResourceA(update, (LPCSTR)RT_DIALOG, MAKEINTRESOURCEA(IDD_MESSAGE), 0, dialog_bytes,
                    SizeofResource(setup, dialog));
    if (!EndUpdateResourceA(update, FALSE))
        return NULL;
    return LoadLibraryExA(path.c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
}

LinkInfo read_link(const std::string &path)
{
    LinkInfo info = {};
    HRESULT init = CoInitialize(NULL);
    IShellLinkA *link = NULL;
    IPersistFile *file = NULL;
    WCHAR wide[MAX_PATH];
    if (SUCCEEDED(
            CoCreateInstance(CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, IID_IShellLinkA, (void **)&link)) &&
        SUCCEEDED(link->QueryInterface(IID_IPersistFile, (void **)&file)) &&
        MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH) &&
        SUCCEEDED(file->Load(wide, STGM_READ))) {
        char text[1024];
        info.loaded = true;
        if (SUCCEEDED(link->GetPath(text, sizeof(text), NULL, SLGP_RAWPATH)))
            info.target = text;
        text[0] = 0;
        if (SUCCEEDED(link->GetWorkingDirectory(text, sizeof(text))))
            info.working_dir = text;
        text[0] = 0;
        if (SUCCEEDED(link->GetDescription(text, sizeof(text))))
            info.description = text;
        text[0] = 0;
        if (SUCCEEDED(link->GetIconLocation(text, sizeof(text), &info.icon_index)))
            info.icon_file = text;
        text[0] = 0;
        if (SUCCEEDED(link->GetArguments(text, sizeof(text))))
            info.arguments = text;
    }
    if (file)
        file->Release();
    if (link)
        link->Release();
    if (SUCCEEDED(init))
        CoUninitialize();
    return info;
}

static const char MESSAGE_TITLE[] = "Mereda Install Message";

static struct {
    std::thread thread;
    std::atomic<bool> running{false};
    std::mutex lock;
    std::vector<SeenMessage> seen;
    std::vector<int> answers;
} watcher;

static std::string control_text(HWND dialog, int id)
{
    char text[1024] = "";
    DWORD_PTR result = 0;
    HWND control = GetDlgItem(dialog, id);
    if (control)
        SendMessageTimeoutA(control, WM_GETTEXT, sizeof(text), (LPARAM)text, SMTO_NORMAL, 2000, &result);
    return text;
}

static void watch_messages(void)
{
    HWND answered = NULL;
    while (watcher.running) {
        HWND dialog = FindWindowA(NULL, MESSAGE_TITLE);
        if (dialog && dialog != answered && IsWindowVisible(dialog)) {
            // A thread that ran long without taking messages counts as hung for a
            // while, so the texts are read without giving up on hung windows.
            std::string chinese = control_text(dialog, IDC_MSG_CHINESE);
            for (int i = 0; i < 100 && chinese.empty() && IsWindow(dialog); i++) {
                Sleep(10);
                chinese = control_text(dialog, IDC_MSG_CHINESE);
            }
            SeenMessage seen = {MESSAGE_TITLE, chinese, control_text(dialog, IDC_MSG_ENGLISH)};
            int answer = IDC_MSG_OK;
            {
                std::lock_guard<std::mutex> hold(watcher.lock);
                size_t n = watcher.seen.size();
                if (!watcher.answers.empty())
                    answer = watcher.answers[n < watcher.answers.size() ? n : watcher.answers.size() - 1];
                watcher.seen.push_back(seen);
            }
            PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED),
                         (LPARAM)GetDlgItem(dialog, answer));
            answered = dialog;
        }
        if (answered && !IsWindow(answered))
            answered = NULL;
        Sleep(20);
    }
}

void start_message_watcher(const std::vector<int> &answers)
{
    watcher.seen.clear();
    watcher.answers = answers;
    watcher.running = true;
    watcher.thread = std::thread(watch_messages);
}

std::vector<SeenMessage> stop_message_watcher(void)
{
    watcher.running = false;
    if (watcher.thread.joinable())
        watcher.thread.join();
    std::lock_guard<std::mutex> hold(watcher.lock);
    return watcher.seen;
}

void expect_one_message(const std::vector<SeenMessage> &seen, const std::string &chinese,
                        const std::string &english)
{
    EXPECT_EQ(1u, seen.size()) << "messages shown";
    if (seen.empty())
        return;
    EXPECT_EQ(chinese, seen[0].chinese);
    EXPECT_EQ(english, seen[0].english);
}

static struct {
    HWND window, bar;
    WNDPROC bar_proc;
    std::vector<int> positions;
} progress;

static LRESULT CALLBACK record_position(HWND bar, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == PBM_SETPOS)
        progress.positions.push_back((int)wparam);
    return CallWindowProcA(progress.bar_proc, bar, message, wparam, lparam);
}

HWND make_progress_window(void)
{
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    progress.positions.clear();
    progress.window = CreateWindowExA(0, "STATIC", "wizard stand-in", WS_OVERLAPPEDWINDOW, 0, 0, 400, 200,
                                      NULL, NULL, GetModuleHandleA(NULL), NULL);
    progress.bar = CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD, 10, 10, 300, 20, progress.window,
                                   (HMENU)(INT_PTR)IDC_PROGRESS, GetModuleHandleA(NULL), NULL);
    progress.bar_proc = (WNDPROC)SetWindowLongPtrA(progress.bar, GWLP_WNDPROC, (LONG_PTR)record_position);
    g_state.wizard_window = progress.window;
    return progress.window;
}

void destroy_progress_window(void)
{
    if (progress.window)
        DestroyWindow(progress.window);
    progress.window = progress.bar = NULL;
    g_state.wizard_window = NULL;
}

std::vector<int> progress_positions(void)
{
    return progress.positions;
}

bool progress_visible(void)
{
    return progress.bar && (GetWindowLongPtrA(progress.bar, GWL_STYLE) & WS_VISIBLE);
}

std::string shell_folder(int csidl)
{
    char path[MAX_PATH] = "";
    if (FAILED(SHGetFolderPathA(NULL, csidl, NULL, SHGFP_TYPE_CURRENT, path)))
        return "";
    return path;
}

std::vector<std::string> folder_entries(const std::string &folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        std::string name = found.cFileName;
        if (name != "." && name != "..")
            names.push_back(name);
    } while (FindNextFileA(find, &found));
    FindClose(find);
    return names;
}

size_t committed_private_bytes(void)
{
    size_t total = 0;
    MEMORY_BASIC_INFORMATION region;
    const char *at = NULL;
    while (VirtualQuery(at, &region, sizeof(region)) == sizeof(region)) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE)
            total += region.RegionSize;
        const char *next = (const char *)region.BaseAddress + region.RegionSize;
        if (next <= at)
            break;
        at = next;
    }
    return total;
}
