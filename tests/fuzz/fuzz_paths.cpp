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

    // Only the device namespace prefix makes a path a device.
    if (names_a_device(a.c_str()) != (a.compare(0, 4, "\\\\.\\") == 0))
        abort();

    std::vector<char> path(a.begin(), a.end());
    path.resize(a.size() + 1 + (cap % 3), 0);
    add_trailing_backslash(path.data(), path.size());
    if (memchr(path.data(), 0, path.size()) == nullptr)
        abort();
    drop_trailing_backslash(path.data());
    return 0;
}
