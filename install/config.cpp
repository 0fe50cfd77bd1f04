// Writes the display-test answer and the interface language into the installed "chipadui.ini".
#include <stdio.h>

#include <string>

#include "base/base.h"
#include "install/ini_update.h"
#include "install/install.h"

static const DWORD PROTECT_BITS = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN;

static int read_whole_file(const char *path, std::string *text)
{
    FILE *file = fopen(path, "rb");
    if (!file)
        return 0;
    char chunk[65536];
    size_t n;
    while ((n = fread(chunk, 1, sizeof(chunk), file)) > 0)
        text->append(chunk, n);
    int ok = !ferror(file);
    fclose(file);
    return ok;
}

// The new text goes to a temporary file first, so that a failed write never
// leaves the products with half a configuration.
static int replace_file(const char *path, const std::string &text)
{
    char temp[PATH_SIZE];
    if (!format_text(temp, sizeof(temp), "%s.tmp", path))
        return 0;
    remove_protected_file(temp);
    FILE *file = fopen(temp, "wb");
    if (!file)
        return 0;
    size_t written = text.empty() ? 0 : fwrite(text.data(), 1, text.size(), file);
    int closed = fclose(file) == 0;
    if (written == text.size() && closed && MoveFileExA(temp, path, MOVEFILE_REPLACE_EXISTING))
        return 1;
    remove_protected_file(temp);
    return 0;
}

int update_config_file(const char *folder, int display_ok, int force_language)
{
    char path[PATH_SIZE];
    if (!format_text(path, sizeof(path), "%s\\chipadui.ini", folder))
        return 1;
    DWORD original = GetFileAttributesA(path);
    if (original == INVALID_FILE_ATTRIBUTES || (original & FILE_ATTRIBUTE_DIRECTORY))
        return 1; // a missing file stays missing
    if (original & PROTECT_BITS)
        SetFileAttributesA(path, original & ~PROTECT_BITS);

    std::string text;
    if (read_whole_file(path, &text)) {
        std::string updated = update_config_text(text, display_ok, force_language);
        if (updated != text)
            replace_file(path, updated);
    }
    // The replacement is a new file: carry the original's other bits over to it.
    protect_file(path, original & ~(PROTECT_BITS | FILE_ATTRIBUTE_NORMAL), 1, 1);
    return 1;
}
