// The install run: lays down the manifest, reporting progress, then configures and links.
#include <io.h>
#include <stdio.h>
#include <stdlib.h>

#include "install/image_extent.h"
#include "install/install.h"
#include "install/manifest.h"

static const char *const user_dictionaries[] = {"pykeys.dic", "Gbkflat.dic", "flatAuto.dic",
                                                "flatAdjust.dic"};

static void report_progress(const InstallRequest *request, int position)
{
    if (request->report.progress)
        request->report.progress(request->report.context, position);
}

static void report_notice(const InstallRequest *request, int notice)
{
    if (request->report.notice)
        request->report.notice(request->report.context, notice, NULL);
}

int user_dictionary_path(char *path, size_t size, const char *folder, int index)
{
    int name = index % 4, bits = index / 4;
    char suffix[5] = "";
    if (bits)
        format_text(suffix, sizeof(suffix), "%1d%1d%1d%1d", bits >> 3 & 1, bits >> 2 & 1, bits >> 1 & 1,
                    bits & 1);
    return format_text(path, size, "%s\\%s%s", folder, user_dictionaries[name], suffix);
}

// An old word base may stay when its "CiZuFlat.igb" exists and the first byte
// of its "pycizudic.idx" has bit 7 set; the user decides. 1 when it stays.
static int keep_old_word_base(const InstallRequest *request)
{
    char path[PATH_SIZE];
    if (!format_text(path, sizeof(path), "%s\\CiZuFlat.igb", request->folder) || _access(path, 0) != 0)
        return 0;
    if (!format_text(path, sizeof(path), "%s\\pycizudic.idx", request->folder))
        return 0;
    FILE *index = fopen(path, "rb");
    if (!index)
        return 0;
    int first = fgetc(index);
    fclose(index);
    if (first == EOF || !(first & 0x80) || !request->report.replace_old_word_base)
        return 0;
    return !request->report.replace_old_word_base(request->report.context);
}

static void remove_user_dictionaries(const char *folder)
{
    for (int i = 0; i < 64; i++) {
        char path[PATH_SIZE];
        if (user_dictionary_path(path, sizeof(path), folder, i))
            remove_protected_file(path);
    }
}

static int lay_down_manifest(const InstallRequest *request, unsigned char *scratch, int keep_old)
{
    for (int i = 0; i < manifest_rows; i++) {
        const ManifestEntry *entry = &manifest[i];
        if (!entry->id) {
            report_progress(request, entry->progress);
            continue;
        }
        if (entry->keep_old && keep_old)
            continue;
        if (!extract_payload(request->payload, entry->id, request->folder, entry->file_name, scratch,
                             SCRATCH_SIZE, entry->read_only, entry->hidden) &&
            entry->stop_on_failure)
            return 0;
    }
    return 1;
}

// A control-settings file beside the installer goes into the Windows folder.
static void copy_control_settings(const InstallRequest *request)
{
    char source[PATH_SIZE], destination[PATH_SIZE];
    if (!format_text(source, sizeof(source), "%sSCtrlSet%c.bin", request->module_dir, '1') ||
        _access(source, 0) != 0)
        return;
    if (!format_text(destination, sizeof(destination), "%sSCtrlSet%c.bin", request->windows_dir, '1'))
        return;
    remove_protected_file(destination);
    CopyFileA(source, destination, FALSE);
}

static int install_with(const InstallRequest *request, unsigned char *scratch)
{
    report_progress(request, 10);
    int keep_old = keep_old_word_base(request);
    remove_user_dictionaries(request->folder);
    if (!lay_down_manifest(request, scratch, keep_old))
        return 0;
    update_config_file(request->folder, request->display_ok, request->force_language);
    create_menu_group(request);
    report_progress(request, 94);
    create_chosen_shortcuts(request);
    report_progress(request, 97);
    report_progress(request, 100);
    copy_control_settings(request);
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

int run_install(const InstallRequest *request)
{
    if (!installer_file_is_whole())
        return 0;
    unsigned char *scratch = (unsigned char *)malloc(SCRATCH_SIZE);
    if (!scratch) {
        report_notice(request, NOTICE_NO_MEMORY);
        return 0;
    }
    int result = install_with(request, scratch);
    free(scratch);
    return result;
}
