// The switch reader on any command line: every value fits and is terminated, every field stays in range.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "app/switches.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    std::string line((const char *)data + 1, size - 1);
    SetupChoices choices;
    read_switches(line.c_str(), data[0] & 1 ? SWITCHES_UNINSTALLER : SWITCHES_SETUP, &choices);
    if (!memchr(choices.folder, 0, sizeof(choices.folder)) ||
        !memchr(choices.log_path, 0, sizeof(choices.log_path)) ||
        !memchr(choices.bad_switch, 0, sizeof(choices.bad_switch)))
        abort();
    if (choices.mode < MODE_WIZARD || choices.mode > MODE_VERY_SILENT || choices.language < -1 ||
        choices.language > 2 || choices.display_ok < -1 || choices.display_ok > 1 ||
        choices.keep_word_base < -1 || choices.keep_word_base > 1)
        abort();
    // Nothing but blanks is no switch at all.
    if (no_arguments(line.c_str()) && (choices.bad || choices.mode != MODE_WIZARD || choices.log))
        abort();
    return 0;
}
