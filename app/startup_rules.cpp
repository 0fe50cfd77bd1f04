// Start-up decisions kept apart from the Win32 calls so they can be tested anywhere.
#include "app/startup_rules.h"

#include "base/base.h"

#include <string.h>
#include <strings.h>

int chinese_script_for(int dbcs_system, unsigned lang_id)
{
    if (!dbcs_system || (lang_id & 0x3ff) != 4)
        return 0;
    return (lang_id & 0x400) ? 2 : 1;
}

int module_dir_from_path(char *out, size_t size, const char *path)
{
    const char *slash = path ? strrchr(path, '\\') : NULL;
    size_t n = slash ? (size_t)(slash - path) + 1 : 0;
    if (n == 0 || n >= size) {
        if (size >= 4)
            memcpy(out, "A:\\", 4);
        return n == 0;
    }
    memcpy(out, path, n);
    out[n] = 0;
    return 1;
}

int enter_key_command(unsigned long key_flags, int has_focus, const char *class_name, unsigned long style,
                      int control_id, int default_command, int *drop)
{
    // One press, one page: a held Enter must not walk on through the wizard.
    if (key_flags & (1ul << 30)) {
        *drop = 1;
        return 0;
    }
    *drop = 0;
    // Check boxes, radio and three-state buttons: the forward button.
    if (has_focus && class_name && strcasecmp(class_name, "button") == 0 &&
        button_kind(style) == BUTTON_OTHER) {
        *drop = 1;
        return control_id;
    }
    return default_command;
}
