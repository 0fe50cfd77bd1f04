// The configuration update: only the two values change, and a second update settles.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

#include <string>

#include "install/ini_update.h"

// The value of key in the first "[Config]" section, or "?" when absent.
static std::string config_value(const std::string &text, const std::string &key)
{
    bool in_config = false;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(at, end - at);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        size_t first = line.find_first_not_of(" \t");
        std::string trimmed = first == std::string::npos ? "" : line.substr(first);
        if (!trimmed.empty() && trimmed[0] == '[') {
            size_t last = trimmed.find_last_not_of(" \t");
            in_config = trimmed.substr(0, last + 1) == "[Config]";
        } else if (in_config && trimmed.compare(0, key.size() + 1, key + "=") == 0) {
            return trimmed.substr(key.size() + 1);
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
    if (once.size() < text.size())
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
