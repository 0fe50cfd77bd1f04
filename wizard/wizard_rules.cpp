// Wizard decisions that need no window system: paths, licence lines, language order, the final wait.
#include "wizard/wizard_rules.h"

#include <string.h>

#include "base/base.h"

// Offset of the last character of path, or -1 for the empty string.
static long last_char_at(const char *path)
{
    long last = -1;
    for (long i = 0; path[i]; i += (long)path_char_size(path + i))
        last = i;
    return last;
}

int ends_in_backslash(const char *path)
{
    long last = last_char_at(path);
    return last >= 0 && path[last] == '\\';
}

int drop_trailing_backslash(char *path)
{
    if (!ends_in_backslash(path))
        return 0;
    path[strlen(path) - 1] = 0;
    return 1;
}

void tidy_typed_path(char *path)
{
    size_t start = strspn(path, " \t");
    memmove(path, path + start, strlen(path + start) + 1);
    // Blanks and backslashes at the end, as long as they end whole characters.
    for (;;) {
        long last = last_char_at(path);
        if (last < 0 || (path[last] != ' ' && path[last] != '\t' && path[last] != '\\'))
            break;
        path[last] = 0;
    }
}

int names_a_device(const char *full_path)
{
    return strncmp(full_path, "\\\\.\\", 4) == 0;
}

int folder_leaves_room(const char *folder, size_t longest_name)
{
    return strlen(folder) + 1 + longest_name < 260;
}

int add_trailing_backslash(char *path, size_t size)
{
    if (ends_in_backslash(path))
        return 1;
    size_t n = strlen(path);
    if (n + 2 > size)
        return 0;
    path[n] = '\\';
    path[n + 1] = 0;
    return 1;
}

int default_install_path(char *out, size_t size, const char *windows_dir, const char *folder_name)
{
    return format_text(out, size, "%c:\\%s", windows_dir[0], folder_name);
}

int browse_result_path(char *out, size_t size, const char *folder, const char *folder_name)
{
    return format_text(out, size, "%s\\%s", folder, folder_name);
}

int doc_folder_path(char *out, size_t size, const char *folder)
{
    return format_text(out, size, "%s%sdoc", folder, ends_in_backslash(folder) ? "" : "\\");
}

void language_order(int force_language, int order[3])
{
    int n = 0;
    for (int value = 0; value < 3; value++)
        if (value == force_language)
            order[n++] = value;
    for (int value = 0; value < 3; value++)
        if (value != force_language)
            order[n++] = value;
}

int language_from_selection(long long selection, long long item_data)
{
    if (selection < 0 || item_data < 0 || item_data > 2)
        return 0;
    return (int)item_data;
}

int split_licence_lines(char *text, size_t length, char **lines, int max_lines)
{
    int count = 0;
    size_t start = 0;
    for (size_t i = 0; i < length && text[i] && count < max_lines; i++) {
        if (text[i] != '\r')
            continue;
        text[i] = 0;
        lines[count++] = text + start;
        if (i + 1 < length && text[i + 1] == '\n')
            i++;
        start = i + 1;
    }
    return count;
}

unsigned long wait_left_ms(long long start, long long now, long long frequency, unsigned long minimum_ms)
{
    if (frequency <= 0)
        return 0;
    long long needed = (long long)minimum_ms * frequency;
    long long elapsed = now > start ? (now - start) * 1000 : 0;
    if (elapsed >= needed)
        return 0;
    return (unsigned long)((needed - elapsed + frequency - 1) / frequency);
}
