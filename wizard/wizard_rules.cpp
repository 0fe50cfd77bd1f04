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

// Offset just past the last character of path that is not one of the single-byte drop
// characters.
static size_t kept_length(const char *path, const char *drop)
{
    size_t kept = 0;
    for (size_t i = 0, n; (n = path_char_size(path + i)) != 0; i += n)
        if (n != 1 || !strchr(drop, path[i]))
            kept = i + n;
    return kept;
}

void tidy_typed_path(char *path)
{
    size_t start = strspn(path, " \t");
    memmove(path, path + start, strlen(path + start) + 1);
    // Windows drops trailing dots and blanks of the last component itself: "C:\Tavik." is
    // made as "C:\Tavik", which is then the folder the files must name.
    path[kept_length(path, " \t.\\")] = 0;
}

static int is_separator(char c)
{
    return c == '\\' || c == '/';
}

static int is_letter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

static int is_bare_drive(const char *path, size_t length)
{
    return length == 2 && is_letter(path[0]) && path[1] == ':';
}

// "\\?\", "\\.\" or "\??\" with either slash: the system hands such paths on without the
// checks and changes ordinary paths get.
static int starts_in_namespace(const char *path)
{
    if (is_separator(path[0]) && is_separator(path[1]) && (path[2] == '?' || path[2] == '.'))
        return is_separator(path[3]);
    return is_separator(path[0]) && path[1] == '?' && path[2] == '?' && is_separator(path[3]);
}

int path_to_resolve(char *out, size_t size, const char *typed)
{
    if (size)
        out[0] = 0;
    const char *from = typed + strspn(typed, " \t");
    size_t length = kept_length(from, " \t");
    if (!length || starts_in_namespace(from))
        return 0;
    int bare = is_bare_drive(from, length);
    if (length + bare + 1 > size)
        return 0;
    memcpy(out, from, length);
    if (bare)
        out[length++] = '\\';
    out[length] = 0;
    return 1;
}

static char upper(char c)
{
    return c >= 'a' && c <= 'z' ? (char)(c - 'a' + 'A') : c;
}

static int same_letters(const char *name, const char *upper_name, size_t length)
{
    for (size_t i = 0; i < length; i++)
        if (upper(name[i]) != upper_name[i])
            return 0;
    return 1;
}

static const char *const device_names[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};

// A component of length bytes. Windows reads the name up to the first dot or colon without
// its trailing blanks, so "nul.", "con .txt" and "aux  " are devices too, whatever the
// extension is written in.
static int is_device_component(const char *name, size_t length)
{
    size_t base = 0;
    for (; base < length; base++) {
        if (path_char_size(name + base) != 1)
            return 0; // no device name has a two-byte character
        if (name[base] == '.' || name[base] == ':')
            break;
    }
    while (base > 0 && name[base - 1] == ' ')
        base--;
    for (const char *device : device_names)
        if (strlen(device) == base && same_letters(name, device, base))
            return 1;
    if (base != 4 || !(same_letters(name, "COM", 3) || same_letters(name, "LPT", 3)))
        return 0;
    unsigned char number = (unsigned char)name[3];
    // Code page 1252's superscripts one, two and three count as digits here.
    return (number >= '0' && number <= '9') || number == 0xB9 || number == 0xB2 || number == 0xB3;
}

int names_a_device(const char *path)
{
    if (starts_in_namespace(path))
        return 1;
    size_t start = 0;
    for (size_t i = 0;;) {
        size_t n = path_char_size(path + i);
        if (n == 0 || (n == 1 && is_separator(path[i]))) {
            if (is_device_component(path + start, i - start))
                return 1;
            if (n == 0)
                return 0;
            start = i + 1;
        }
        i += n;
    }
}

int usable_folder_path(const char *path)
{
    size_t i;
    int need_components;
    if (is_letter(path[0]) && path[1] == ':' && (path[2] == 0 || path[2] == '\\')) {
        i = 2;
        need_components = 0;
    } else if (path[0] == '\\' && path[1] == '\\') {
        i = 1;
        need_components = 2; // server and share
    } else {
        return 0;
    }
    if (names_a_device(path))
        return 0;
    int components = 0;
    while (path[i]) {
        // A backslash, then one component up to the next.
        i++;
        size_t length = 0, n;
        char last = 0; // the component's last byte when it is a whole character
        while ((n = path_char_size(path + i)) != 0 && !(n == 1 && path[i] == '\\')) {
            if (n == 1 && ((unsigned char)path[i] < 0x20 || strchr("<>:\"|?*/", path[i])))
                return 0;
            last = n == 1 ? path[i] : 0;
            length += n;
            i += n;
        }
        // Windows makes "a." as "a" at the end of a path and keeps a trailing blank inside one:
        // the folder made would not be the folder named.
        if (length == 0 || last == '.' || last == ' ')
            return 0;
        components++;
    }
    return components >= need_components;
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
