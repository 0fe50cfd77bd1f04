// The configuration update: only the two values change, and a second update settles.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

#include <ctype.h>

#include <string>

#include "install/ini_update.h"

static bool same_name(const std::string &a, const std::string &b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); i++)
        if (tolower((unsigned char)a[i]) != tolower((unsigned char)b[i]))
            return false;
    return true;
}

// The value of key in the first "[Config]" section as a profile reader takes a number from it
// (names without regard to case, blanks around "=", anything after the value), or "?" when absent.
static std::string config_value(const std::string &text, const std::string &key)
{
    bool in_config = false, config_seen = false;
    size_t at = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(at, end - at);
        while (!line.empty() && line.back() == '\r')
            line.pop_back();
        size_t first = line.find_first_not_of(" \t");
        std::string trimmed = first == std::string::npos ? "" : line.substr(first);
        size_t last = trimmed.find_last_not_of(" \t");
        std::string bare = last == std::string::npos ? "" : trimmed.substr(0, last + 1);
        if (!trimmed.empty() && trimmed[0] == '[' && trimmed.find(']') != std::string::npos) {
            in_config = !config_seen && same_name(bare, "[Config]");
            config_seen = config_seen || in_config;
        } else if (in_config && same_name(trimmed.substr(0, key.size()), key)) {
            size_t eq = trimmed.find_first_not_of(" \t", key.size());
            if (eq != std::string::npos && trimmed[eq] == '=') {
                // The number a reader takes: blanks, then the value up to a blank or a comment.
                size_t from = trimmed.find_first_not_of(" \t", eq + 1);
                if (from == std::string::npos)
                    return "";
                return trimmed.substr(from, trimmed.find_first_of(" \t;", from) - from);
            }
        }
        at = end + 1;
    }
    return "?";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2 || size > 20000)
        return 0;
    int display_ok = data[0] & 1, language = data[0] >> 1 & 3;
    std::string text((const char *)data + 1, size - 1);
    std::string once = update_config_text(text, display_ok, language);
    // Without any [Config] section the text only grows at its end: no byte is lost.
    std::string lower = text;
    for (char &c : lower)
        c = (char)tolower((unsigned char)c);
    if (lower.find("config") == std::string::npos && once.compare(0, text.size(), text) != 0)
        abort();
    std::string twice = update_config_text(once, display_ok, language);
    if (twice != once)
        abort();
    // Changing the answers back and forth ends where one update ends.
    std::string other = update_config_text(once, !display_ok, (language + 1) % 3);
    if (update_config_text(other, display_ok, language) != once)
        abort();
    // A text without line breaks inside keys reads back the values written.
    if (text.find('\0') == std::string::npos && text.find('\r') == std::string::npos) {
        if (config_value(once, "UseBmpFont") != (display_ok ? "0" : "1"))
            abort();
        if (config_value(once, "ForceLanguage") != std::to_string(language))
            abort();
    }
    return 0;
}
