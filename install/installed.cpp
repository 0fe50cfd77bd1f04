// What a run leaves behind, for both programs: its names and shortcut places, its marker and its record.
#include <shlobj.h>
#include <string.h>

#include <string>

#include "install/install.h"
#include "install/manifest.h"
#include "install/profiles.h"
#include "install/replace.h"

// In the folder while staged files are moved over their names: a run that finds it knows the set
// there may be part old, part new.
const char INSTALL_MARKER_NAME[] = "~tvkinstall.mark";
const char INSTALL_RECORD_NAME[] = "TVKInstall.rec";

const ShortcutPlace shortcut_places[SHORTCUT_PLACES] = {
    {CSIDL_PROGRAMS, 1, NAME_ENGINE_SHORTCUT, NAME_ENGINE_PROGRAM, SHORTCUT_ALWAYS},
    {CSIDL_PROGRAMS, 1, NAME_ENGINE_UNINSTALL_SHORTCUT, NAME_ENGINE_UNINSTALLER, SHORTCUT_ALWAYS},
    {CSIDL_DESKTOP, 0, NAME_EDITOR_SHORTCUT, NAME_EDITOR_PROGRAM, SHORTCUT_IF_DESKTOP_ICON},
    {CSIDL_DESKTOP, 0, NAME_ENGINE_SHORTCUT, NAME_ENGINE_PROGRAM, SHORTCUT_IF_DESKTOP_ICON},
    {CSIDL_STARTUP, 0, NAME_ENGINE_SHORTCUT, NAME_ENGINE_PROGRAM, SHORTCUT_IF_AUTO_START},
};

int shortcut_path(char *path, size_t size, const char *special, const ShortcutPlace *place, int script)
{
    const char *name = installed_name(place->name, script);
    if (place->in_group)
        return format_text(path, size, "%s\\%s\\%s.lnk", special, installed_name(NAME_ENGINE_FOLDER, script),
                           name);
    return format_text(path, size, "%s\\%s.lnk", special, name);
}

int installed_file_count(void)
{
    int count = 0;
    for (int i = 0; i < manifest_rows; i++)
        if (manifest[i].file_name)
            count++;
    return count;
}

const char *installed_file_name(int index)
{
    if (index < 0)
        return NULL;
    for (int i = 0; i < manifest_rows; i++)
        if (manifest[i].file_name && index-- == 0)
            return manifest[i].file_name;
    return NULL;
}

const char *installed_name(int name, int script)
{
    int form = script_form(script);
    const ProductProfile *engine = &product_profiles[PRODUCT_ENGINE];
    const ProductProfile *editor = &product_profiles[PRODUCT_EDITOR];
    switch (name) {
    case NAME_ENGINE_FOLDER:
        return engine->folder_name[form];
    case NAME_ENGINE_SHORTCUT:
        return engine->shortcut_name[form];
    case NAME_ENGINE_UNINSTALL_SHORTCUT:
        return engine->uninstall_shortcut_name[form];
    case NAME_EDITOR_SHORTCUT:
        return editor->shortcut_name[form];
    case NAME_ENGINE_PROGRAM:
        return engine->program_file;
    case NAME_ENGINE_UNINSTALLER:
        return engine->uninstaller_file;
    case NAME_EDITOR_PROGRAM:
        return editor->program_file;
    default:
        return NULL;
    }
}

int is_run_leftover_name(const char *name)
{
    return lstrcmpiA(name, INSTALL_MARKER_NAME) == 0 || is_temporary_name(name);
}

const RecordedFile *recorded_file(const RunRecord *record, const char *file_name)
{
    for (int i = 0; i < manifest_rows && i < RECORD_FILE_SLOTS; i++)
        if (manifest[i].file_name && record->files[i].listed && strcmp(manifest[i].file_name, file_name) == 0)
            return &record->files[i];
    return NULL;
}

// A record is a few kilobytes; anything much larger at its name is not one.
static const DWORD RECORD_SIZE_LIMIT = 0x40000;

int read_run_record(const char *folder, RunRecord *record)
{
    memset(record, 0, sizeof(*record));
    char path[PATH_SIZE];
    if (!format_text(path, sizeof(path), "%s\\%s", folder, INSTALL_RECORD_NAME))
        return RECORD_ABSENT;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? RECORD_ABSENT
                                                                              : RECORD_UNREADABLE;
    }
    DWORD size = GetFileSize(file, NULL), got = 0;
    std::string text;
    int read = size != INVALID_FILE_SIZE && size <= RECORD_SIZE_LIMIT;
    if (read) {
        text.resize(size);
        read = size == 0 || (ReadFile(file, &text[0], size, &got, NULL) && got == size);
    }
    CloseHandle(file);
    return read && parse_run_record(text, record) ? RECORD_READ : RECORD_UNREADABLE;
}

int write_run_record(const char *folder, const RunRecord *record)
{
    char prefix[PATH_SIZE], path[PATH_SIZE];
    if (!format_text(prefix, sizeof(prefix), "%s\\", folder) ||
        !format_text(path, sizeof(path), "%s%s", prefix, INSTALL_RECORD_NAME))
        return 0;
    std::string text = format_run_record(record, folder);
    return replace_with_bytes(prefix, path, "rec", text.data(), text.size());
}
