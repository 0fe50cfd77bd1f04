// Sets the two wizard choices in the products' INI text without touching any other byte.
#include "install/ini_update.h"

#include <stdio.h>
#include <string.h>

namespace
{

struct Line {
    size_t start;       // first byte of the line
    size_t content_end; // end of its text, before the CR/LF that end it
    size_t next;        // first byte of the following line
};

struct KeyPlace {
    const char *key;
    std::string value;
    size_t value_start; // npos while the key has not been seen in [Config]
    size_t value_end;
};

const size_t NONE = std::string::npos;

Line line_at(const std::string &text, size_t start)
{
    Line line = {start, text.size(), text.size()};
    size_t lf = text.find('\n', start);
    if (lf != NONE) {
        line.content_end = lf;
        line.next = lf + 1;
    }
    while (line.content_end > start && text[line.content_end - 1] == '\r')
        line.content_end--;
    return line;
}

size_t skip_blanks(const std::string &text, size_t i, size_t end)
{
    while (i < end && (text[i] == ' ' || text[i] == '\t'))
        i++;
    return i;
}

// Profile readers compare section and key names without regard to ASCII case.
bool same_name(const std::string &text, size_t at, size_t end, const char *name)
{
    size_t n = strlen(name);
    if (end - at < n)
        return false;
    for (size_t i = 0; i < n; i++) {
        char a = text[at + i], b = name[i];
        if (a >= 'A' && a <= 'Z')
            a = (char)(a - 'A' + 'a');
        if (b >= 'A' && b <= 'Z')
            b = (char)(b - 'A' + 'a');
        if (a != b)
            return false;
    }
    return true;
}

// A header is "[" after optional blanks with a "]" further on the line.
bool is_section_header(const std::string &text, const Line &line, size_t first)
{
    if (first >= line.content_end || text[first] != '[')
        return false;
    return text.find(']', first) < line.content_end;
}

bool is_config_header(const std::string &text, const Line &line, size_t first)
{
    size_t end = line.content_end;
    while (end > first && (text[end - 1] == ' ' || text[end - 1] == '\t'))
        end--;
    return end - first == 8 && same_name(text, first, end, "[Config]");
}

// "key", optional blanks, "=": returns the position after "=", or NONE.
size_t value_start(const std::string &text, const Line &line, size_t first, const char *key)
{
    if (!same_name(text, first, line.content_end, key))
        return NONE;
    size_t i = skip_blanks(text, first + strlen(key), line.content_end);
    if (i >= line.content_end || text[i] != '=')
        return NONE;
    return i + 1;
}

} // namespace

std::string update_config_text(const std::string &text, int display_ok, int force_language)
{
    char language[16];
    snprintf(language, sizeof(language), "%d", force_language);
    KeyPlace keys[2] = {{"UseBmpFont", display_ok ? "0" : "1", NONE, NONE},
                        {"ForceLanguage", language, NONE, NONE}};

    bool config_seen = false, in_config = false;
    size_t config_end = NONE; // start of the header after the first [Config]
    // A UTF-8 byte-order mark does not belong to the first line's text.
    size_t start = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    while (start < text.size()) {
        Line line = line_at(text, start);
        size_t first = skip_blanks(text, start, line.content_end);
        if (is_section_header(text, line, first)) {
            if (in_config)
                config_end = start;
            // Readers take the first [Config]; a repeated one is left alone.
            in_config = !config_seen && is_config_header(text, line, first);
            config_seen = config_seen || in_config;
        } else if (in_config) {
            for (KeyPlace &k : keys) {
                size_t v = value_start(text, line, first, k.key);
                if (v != NONE && k.value_start == NONE) {
                    // Only the value's own characters change: blanks before it and whatever
                    // follows it on the line (a comment, say) stay as they are.
                    k.value_start = skip_blanks(text, v, line.content_end);
                    k.value_end = k.value_start;
                    while (k.value_end < line.content_end && !strchr(" \t;", text[k.value_end]))
                        k.value_end++;
                }
            }
        }
        start = line.next;
    }

    std::string out;
    out.reserve(text.size() + 64);
    size_t copied = 0;
    // Values in file order; both keys can never share a line.
    KeyPlace *ordered[2] = {&keys[0], &keys[1]};
    if (keys[1].value_start < keys[0].value_start) {
        ordered[0] = &keys[1];
        ordered[1] = &keys[0];
    }
    for (KeyPlace *k : ordered) {
        if (k->value_start == NONE)
            continue;
        out.append(text, copied, k->value_start - copied);
        out += k->value;
        copied = k->value_end;
    }

    std::string missing;
    if (config_end != NONE) {
        // [Config] is followed by another section: the keys go to its end.
        for (const KeyPlace &k : keys)
            if (k.value_start == NONE)
                missing += std::string(k.key) + "=" + k.value + "\r\n";
        out.append(text, copied, config_end - copied);
        out += missing;
        out.append(text, config_end, NONE);
        return out;
    }
    out.append(text, copied, NONE);
    if (!config_seen)
        out += "\r\n\r\n[Config]\r\n\r\n";
    for (const KeyPlace &k : keys)
        if (k.value_start == NONE)
            out += std::string("\r\n") + k.key + "=" + k.value + "\r\n";
    return out;
}
