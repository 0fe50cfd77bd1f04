// The switches of both programs, read into one record of choices before any window exists; no system call.
#include "app/switches.h"

#include <string.h>
#include <strings.h>

#include "base/base.h"

static int is_blank(char c)
{
    return c == ' ' || c == '\t';
}

int no_arguments(const char *arguments)
{
    while (arguments && is_blank(*arguments))
        arguments++;
    return !arguments || !*arguments;
}

static void mark_bad(SetupChoices *choices, const char *token, size_t length)
{
    if (!choices->bad) {
        size_t n = length < sizeof(choices->bad_switch) - 1 ? length : sizeof(choices->bad_switch) - 1;
        memcpy(choices->bad_switch, token, n);
        choices->bad_switch[n] = 0;
    }
    choices->bad = 1;
}

// A switch's value after "=": quoted (up to the closing quote) or bare (up to a blank); inside a
// switch quoted whole, up to that quote, which is left for the caller. Returns the position after
// it, or null when it is malformed (no closing quote, empty, too long).
static const char *read_value(const char *at, int in_quotes, char *value, size_t size)
{
    const char *end;
    if (in_quotes) {
        end = strchr(at, '"');
        if (!end)
            return NULL;
    } else if (*at == '"') {
        end = strchr(++at, '"');
        if (!end)
            return NULL;
    } else {
        end = at;
        while (*end && !is_blank(*end))
            end++;
    }
    size_t length = (size_t)(end - at);
    if (length == 0 || length >= size)
        return NULL;
    memcpy(value, at, length);
    value[length] = 0;
    return *end == '"' && !in_quotes ? end + 1 : end;
}

// "yes" or "no" in any case: 1 or 0; -1 for anything else.
static int yes_or_no(const char *value)
{
    return strcasecmp(value, "yes") == 0 ? 1 : strcasecmp(value, "no") == 0 ? 0 : -1;
}

static int language_of(const char *value)
{
    static const char *const names[] = {"english", "simplified", "traditional"};
    for (int i = 0; i < 3; i++)
        if (strcasecmp(value, names[i]) == 0)
            return i;
    return -1;
}

enum { TAKES_NONE, TAKES_VALUE, TAKES_OPTIONAL_VALUE };

struct SwitchName {
    const char *name;
    int takes;
    int uninstaller; // the uninstaller reads it too
};

static const SwitchName switch_names[] = {
    {"S", TAKES_NONE, 1},
    {"VERYSILENT", TAKES_NONE, 1},
    {"SILENT", TAKES_NONE, 1},
    {"DIR", TAKES_VALUE, 0},
    {"LOG", TAKES_OPTIONAL_VALUE, 1},
    {"NODESKTOPICON", TAKES_NONE, 0},
    {"AUTOSTART", TAKES_NONE, 0},
    {"LANG", TAKES_VALUE, 0},
    {"DISPLAYOK", TAKES_VALUE, 0},
    {"KEEPWORDBASE", TAKES_VALUE, 0},
    {"SUPPRESSMSGBOXES", TAKES_NONE, 1},
    {"NORESTART", TAKES_NONE, 1},
    {"?", TAKES_NONE, 1},
    {"HELP", TAKES_NONE, 1},
};

// Applies one switch with its value (empty when none); 0 when the value does not fit it.
static int apply(SetupChoices *choices, const char *name, const char *value)
{
    if (!strcasecmp(name, "S") || !strcasecmp(name, "VERYSILENT"))
        choices->mode = MODE_VERY_SILENT;
    else if (!strcasecmp(name, "SILENT"))
        choices->mode = choices->mode == MODE_VERY_SILENT ? MODE_VERY_SILENT : MODE_SILENT;
    else if (!strcasecmp(name, "DIR"))
        choices->folder_given = copy_text(choices->folder, sizeof(choices->folder), value);
    else if (!strcasecmp(name, "LOG"))
        choices->log = copy_text(choices->log_path, sizeof(choices->log_path), value);
    else if (!strcasecmp(name, "NODESKTOPICON"))
        choices->desktop_icon = 0;
    else if (!strcasecmp(name, "AUTOSTART"))
        choices->auto_start = 1;
    else if (!strcasecmp(name, "LANG"))
        return (choices->language = language_of(value)) >= 0;
    else if (!strcasecmp(name, "DISPLAYOK"))
        return (choices->display_ok = yes_or_no(value)) >= 0;
    else if (!strcasecmp(name, "KEEPWORDBASE"))
        return (choices->keep_word_base = yes_or_no(value)) >= 0;
    else if (!strcasecmp(name, "?") || !strcasecmp(name, "HELP"))
        choices->help = 1;
    return 1;
}

// 1 when a known switch of the setup starts at "/": its name ends at a blank, "=" or the end.
static int starts_setup_switch(const char *at)
{
    if (*at != '/')
        return 0;
    for (const SwitchName &s : switch_names) {
        size_t n = strlen(s.name);
        if (strncasecmp(at + 1, s.name, n) == 0 && (!at[n + 1] || is_blank(at[n + 1]) || at[n + 1] == '='))
            return 1;
    }
    return 0;
}

// "/D=" takes the rest of the line, blanks and all, as NSIS reads it. Tools that add their own
// switches after it (a log, say) are met half-way: a blank followed by one of our switches ends the
// folder, since no folder name starts with "/". Returns where reading goes on, or null.
static const char *read_nsis_folder(SetupChoices *choices, const char *value)
{
    const char *end = value;
    while (*end && !(is_blank(*end) && starts_setup_switch(end + 1)))
        end++;
    size_t length = (size_t)(end - value);
    while (length > 0 && is_blank(value[length - 1]))
        length--;
    if (length >= 2 && value[0] == '"' && value[length - 1] == '"') {
        value++; // quoted all the same: the quotes are not part of the folder
        length -= 2;
    }
    if (length == 0 || length >= sizeof(choices->folder) || memchr(value, '"', length))
        return NULL;
    memcpy(choices->folder, value, length);
    choices->folder[length] = 0;
    choices->folder_given = 1;
    return end;
}

void read_switches(const char *arguments, int program, SetupChoices *choices)
{
    *choices = SetupChoices{};
    choices->desktop_icon = 1;
    choices->display_ok = -1;
    choices->keep_word_base = 1;
    const char *at = arguments ? arguments : "";
    for (;;) {
        while (is_blank(*at))
            at++;
        if (!*at)
            return;
        const char *token = at;
        // Tools that quote every argument holding a blank pass "/DIR=C:\Program Files\Tavik" whole.
        int in_quotes = *at == '"' && (at[1] == '/' || at[1] == '-');
        at += in_quotes;
        if (*at != '/' && *at != '-') {
            while (*at && !is_blank(*at))
                at++;
            mark_bad(choices, token, (size_t)(at - token));
            continue;
        }
        const char *name = ++at;
        while (*at && !is_blank(*at) && *at != '=' && !(in_quotes && *at == '"'))
            at++;
        char switch_name[32] = "";
        size_t name_length = (size_t)(at - name);
        if (program == SWITCHES_SETUP && name_length == 1 && (*name == 'D' || *name == 'd') && *at == '=') {
            const char *next = NULL;
            if (!in_quotes)
                next = read_nsis_folder(choices, at + 1);
            else if ((next = read_value(at + 1, 1, choices->folder, sizeof(choices->folder))) != NULL) {
                choices->folder_given = 1;
                next++; // past the switch's own closing quote
            }
            if (!next) {
                mark_bad(choices, token, strlen(token));
                return;
            }
            at = next;
            continue;
        }
        const SwitchName *known = NULL;
        if (name_length > 0 && name_length < sizeof(switch_name)) {
            memcpy(switch_name, name, name_length);
            for (const SwitchName &s : switch_names)
                if (strcasecmp(s.name, switch_name) == 0 && (program == SWITCHES_SETUP || s.uninstaller))
                    known = &s;
        }
        char value[SWITCH_VALUE_SIZE] = "";
        int fits = known != NULL;
        if (*at == '=') {
            at = fits && known->takes != TAKES_NONE ? read_value(at + 1, in_quotes, value, sizeof(value))
                                                    : NULL;
            fits = at != NULL;
        } else if (fits && known->takes == TAKES_VALUE) {
            fits = 0;
        }
        if (at && in_quotes) // the switch's own closing quote
            at = *at == '"' ? at + 1 : NULL;
        if (!at) // a malformed value: the rest of the token goes with it
            for (at = token; *at && !is_blank(*at);)
                at++;
        if (!fits || !apply(choices, switch_name, value))
            mark_bad(choices, token, (size_t)(at - token));
    }
}
