// Writes the display-test answer and the interface language into the installed "chipadui.ini".
#include <stdio.h>

#include <string>

#include "base/base.h"
#include "install/ini_update.h"
#include "install/install.h"
#include "install/replace.h"

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

int update_config_file(const char *folder, int display_ok, int force_language)
{
    char path[PATH_SIZE];
    if (!format_text(path, sizeof(path), "%s\\chipadui.ini", folder))
        return 1;
    DWORD original = GetFileAttributesA(path);
    if (original == INVALID_FILE_ATTRIBUTES || (original & FILE_ATTRIBUTE_DIRECTORY))
        return 1; // a missing file stays missing

    // Written anew even when no value changes, so that the bits below land on a file of our own.
    // The new text goes to a new temporary file beside the old one, which is replaced only once the
    // new one is whole on disk: a failed write never leaves the products with half a configuration,
    // and a link at the name is replaced, never written through.
    std::string text;
    char prefix[PATH_SIZE];
    if (!read_whole_file(path, &text) || !format_text(prefix, sizeof(prefix), "%s\\", folder))
        return 1;
    std::string updated = update_config_text(text, display_ok, force_language);
    if (replace_with_bytes(prefix, path, "ini", updated.data(), updated.size())) {
        // The replacement is a new file: the original's other bits carry over to it.
        protect_file(path, original & CARRIED_BITS, 1, 1);
    }
    return 1;
}
