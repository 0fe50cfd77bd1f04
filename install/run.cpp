// The install run: lays down the manifest behind the progress bar, then configures and links.
#include <windows.h>

#include <commctrl.h>
#include <io.h>
#include <shlobj.h>
#include <stdio.h>
#include <stdlib.h>

#include "resources/ids.h"
#include "base/base.h"
#include "ui/message.h"
#include "wizard/state.h"
#include "install/image_extent.h"
#include "install/install.h"
#include "install/manifest.h"
#include "install/profiles.h"

static const char OLD_WORD_BASE_CN[] = "安装目录有老词库。是否安装新词库(会冲掉老词库)?";
static const char OLD_WORD_BASE_EN[] = "Old CiKu (Word Base) is detected. Replace it with new CiKu?";

static const char *const user_dictionaries[] = {"pykeys.dic", "Gbkflat.dic", "flatAuto.dic",
                                                "flatAdjust.dic"};

static void set_progress(HWND bar, int position)
{
    SendMessageA(bar, PBM_SETPOS, position, 0);
    UpdateWindow(bar);
}

int user_dictionary_path(char *path, size_t size, int index)
{
    int name = index % 4, bits = index / 4;
    char suffix[5] = "";
    if (bits)
        format_path(suffix, sizeof(suffix), "%1d%1d%1d%1d", bits >> 3 & 1, bits >> 2 & 1, bits >> 1 & 1,
                    bits & 1);
    return format_path(path, size, "%s\\%s%s", g_state.install_dir, user_dictionaries[name], suffix);
}

// An old word base may stay when its "CiZuFlat.igb" exists and the first byte
// of its "pycizudic.idx" has bit 7 set; the user decides.
static void ask_about_old_word_base(void)
{
    g_state.keep_old_word_base = 0;
    char path[PATH_SIZE];
    if (!format_path(path, sizeof(path), "%s\\CiZuFlat.igb", g_state.install_dir) || _access(path, 0) != 0)
        return;
    if (format_path(path, sizeof(path), "%s\\pycizudic.idx", g_state.install_dir)) {
        FILE *index = fopen(path, "rb");
        if (index) {
            int first = fgetc(index);
            fclose(index);
            if (first != EOF && (first & 0x80) &&
                show_message(OLD_WORD_BASE_CN, OLD_WORD_BASE_EN, MESSAGE_QUESTION, g_state.wizard_window) !=
                    IDC_MSG_YES)
                g_state.keep_old_word_base = 1;
        }
    }
    SetCursor(LoadCursorA(NULL, IDC_WAIT));
}

static void remove_user_dictionaries(void)
{
    for (int i = 0; i < 64; i++) {
        char path[PATH_SIZE];
        if (user_dictionary_path(path, sizeof(path), i))
            force_remove_file(path);
    }
}

static int lay_down_manifest(HWND bar, unsigned char *scratch)
{
    for (int i = 0; i < manifest_rows; i++) {
        const ManifestEntry *entry = &manifest[i];
        if (!entry->id) {
            set_progress(bar, entry->progress);
            continue;
        }
        if (entry->keep_old && g_state.keep_old_word_base)
            continue;
        if (!extract_payload(entry->id, entry->file_name, scratch, SCRATCH_SIZE, entry->read_only,
                             entry->hidden) &&
            entry->stop_on_failure)
            return 0;
    }
    return 1;
}

void create_menu_group(void)
{
    int form = script_form(g_state.system_chinese);
    const ProductProfile *engine = &product_profiles[PRODUCT_ENGINE];
    ShortcutEntry entries[] = {{engine->shortcut_name[form], engine->program_file},
                               {engine->uninstall_shortcut_name[form], engine->uninstaller_file},
                               {NULL, NULL}};
    create_menu_entries(engine->folder_name[form], entries, CSIDL_PROGRAMS);
}

void create_chosen_shortcuts(void)
{
    int form = script_form(g_state.system_chinese);
    const ProductProfile *engine = &product_profiles[PRODUCT_ENGINE];
    const ProductProfile *editor = &product_profiles[PRODUCT_EDITOR];
    if (g_state.want_desktop_icon) {
        create_desktop_shortcut(editor->program_file, editor->shortcut_name[form]);
        create_desktop_shortcut(engine->program_file, engine->shortcut_name[form]);
    }
    if (g_state.want_auto_start) {
        ShortcutEntry entries[] = {{engine->shortcut_name[form], engine->program_file}, {NULL, NULL}};
        create_menu_entries(NULL, entries, CSIDL_STARTUP);
    }
}

// A control-settings file beside the installer goes into the Windows folder.
static void copy_control_settings(void)
{
    char source[PATH_SIZE], destination[PATH_SIZE];
    if (!format_path(source, sizeof(source), "%sSCtrlSet%c.bin", g_state.module_dir, '1') ||
        _access(source, 0) != 0)
        return;
    if (!format_path(destination, sizeof(destination), "%sSCtrlSet%c.bin", g_state.windows_dir, '1'))
        return;
    force_remove_file(destination);
    CopyFileA(source, destination, FALSE);
}

static int install_with(unsigned char *scratch)
{
    HWND bar = GetDlgItem(g_state.wizard_window, IDC_PROGRESS);
    ShowWindow(bar, SW_SHOW);
    set_progress(bar, 10);
    ask_about_old_word_base();
    remove_user_dictionaries();
    if (!lay_down_manifest(bar, scratch))
        return 0;
    update_config_file();
    create_menu_group();
    set_progress(bar, 94);
    create_chosen_shortcuts();
    set_progress(bar, 97);
    set_progress(bar, 100);
    copy_control_settings();
    return 1;
}

// A copy cut short, as by a broken download, can still start where the loader is lenient;
// then its payload cannot be vouched for and nothing is installed from it.
static int installer_file_is_whole(void)
{
    char path[PATH_SIZE];
    DWORD n = GetModuleFileNameA(NULL, path, sizeof(path));
    WIN32_FILE_ATTRIBUTE_DATA file;
    const unsigned char *image = (const unsigned char *)GetModuleHandleA(NULL);
    MEMORY_BASIC_INFORMATION headers;
    if (n == 0 || n >= sizeof(path) || !GetFileAttributesExA(path, GetFileExInfoStandard, &file) || !image ||
        VirtualQuery(image, &headers, sizeof(headers)) != sizeof(headers))
        return 1;
    unsigned long long extent = image_file_extent(image, headers.RegionSize);
    unsigned long long size = (unsigned long long)file.nFileSizeHigh << 32 | file.nFileSizeLow;
    return size >= extent;
}

int run_install(void)
{
    if (!installer_file_is_whole())
        return 0;
    unsigned char *scratch = (unsigned char *)malloc(SCRATCH_SIZE);
    if (!scratch) {
        show_message(shared_text[TEXT_NO_MEMORY_CN], shared_text[TEXT_NO_MEMORY_EN], MESSAGE_NOTICE,
                     g_state.wizard_window);
        return 0;
    }
    int result = install_with(scratch);
    free(scratch);
    return result;
}
