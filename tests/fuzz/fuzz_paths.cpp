// Bounded path helpers: a result always fits and is terminated, or the call fails.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "base/base.h"
#include "app/startup_rules.h"
#include "wizard/wizard_rules.h"

static void check_terminated(const std::vector<char> &buf, size_t size)
{
    if (memchr(buf.data(), 0, size) == nullptr)
        abort();
    for (size_t i = size; i < buf.size(); i++)
        if (buf[i] != 0x5a)
            abort(); // guard bytes after the declared size stay untouched
}

static bool is_slash(char c)
{
    return c == '\\' || c == '/';
}

// "\\?\", "\\.\" or "\??\" with either slash, written out apart from the rules under test.
static bool in_namespace(const std::string &p)
{
    return p.size() >= 4 && is_slash(p[0]) && is_slash(p[3]) &&
           ((is_slash(p[1]) && (p[2] == '?' || p[2] == '.')) || (p[1] == '?' && p[2] == '?'));
}

// A path whose last character is a byte that would pair with one appended after it.
static bool ends_in_lone_lead(const std::string &p)
{
    size_t i = 0, last = 0;
    while (i < p.size()) {
        last = i;
        i += path_char_size(p.c_str() + i);
    }
    return !p.empty() && p.size() - last == 1 && (unsigned char)p[last] >= 0x80;
}

static std::string tidied(const std::string &p)
{
    std::vector<char> buf(p.begin(), p.end());
    buf.push_back(0);
    tidy_typed_path(buf.data());
    return buf.data();
}

// The typed-path rules: bounded results, devices in every spelling, and tidy paths that stay tidy.
static void check_typed_path_rules(const std::string &a, size_t cap)
{
    int device = names_a_device(a.c_str());
    if (in_namespace(a) && !device)
        abort();
    if (!ends_in_lone_lead(a)) {
        // Another component after it never makes a device path a plain one.
        if (device && !names_a_device((a + "\\x").c_str()))
            abort();
        // Windows drops trailing dots and blanks before it looks for a device.
        if (!a.empty() && !is_slash(a.back()))
            for (const char *tail : {".", " ", ". ."})
                if (names_a_device((a + tail).c_str()) != device)
                    abort();
    }
    bool ascii = true;
    for (char c : a)
        ascii = ascii && (unsigned char)c < 0x80;
    if (ascii) {
        std::string upper = a, lower = a;
        for (char &c : upper)
            c = (c >= 'a' && c <= 'z') ? (char)(c - 32) : c;
        for (char &c : lower)
            c = (c >= 'A' && c <= 'Z') ? (char)(c + 32) : c;
        if (names_a_device(upper.c_str()) != device || names_a_device(lower.c_str()) != device)
            abort();
    }

    std::string once = tidied(a);
    if (once.size() > a.size() || tidied(once) != once)
        abort();
    if (usable_folder_path(a.c_str()) && (device || once != a))
        abort(); // a usable folder is tidy and no device

    std::vector<char> buf(cap + 16, 0x5a);
    int ok = path_to_resolve(buf.data(), cap, a.c_str());
    check_terminated(buf, cap);
    std::string out = buf.data();
    if (!ok && !out.empty())
        abort();
    if (ok &&
        (out.empty() || out.size() > a.size() + 1 || in_namespace(out) || out[0] == ' ' || out[0] == '\t'))
        abort();

    std::fill(buf.begin(), buf.end(), 0x5a);
    ok = folder_for_calls(buf.data(), cap, a.c_str());
    check_terminated(buf, cap);
    if (ok && strlen(buf.data()) > a.size() + 1)
        abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2 || size > 2000)
        return 0;
    size_t cap = data[0] % 64 + 1;
    std::string a((const char *)data + 1, size - 1);
    a = a.substr(0, a.find('\0'));
    std::string b = a.substr(a.size() / 2);

    std::vector<char> buf(cap + 16, 0x5a);
    int ok = browse_result_path(buf.data(), cap, a.c_str(), b.c_str());
    check_terminated(buf, cap);
    if (ok && strlen(buf.data()) != a.size() + 1 + b.size())
        abort();

    std::fill(buf.begin(), buf.end(), 0x5a);
    copy_text_truncated(buf.data(), cap, a.c_str());
    check_terminated(buf, cap);
    size_t kept = strlen(buf.data());
    if (memcmp(buf.data(), a.data(), kept) != 0)
        abort();

    std::fill(buf.begin(), buf.end(), 0x5a);
    ok = module_dir_from_path(buf.data(), cap < 4 ? 4 : cap, a.c_str());
    (void)ok;
    if (cap >= 4)
        check_terminated(buf, cap);

    check_typed_path_rules(a, cap);
    std::vector<char> path(a.begin(), a.end());
    path.resize(a.size() + 1 + (cap % 3), 0);
    add_trailing_backslash(path.data(), path.size());
    if (memchr(path.data(), 0, path.size()) == nullptr)
        abort();
    drop_trailing_backslash(path.data());
    return 0;
}
