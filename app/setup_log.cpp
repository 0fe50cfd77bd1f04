// The log both programs keep when asked with /LOG: where it goes, its first lines and its last.
#include <windows.h>

#include "app/app.h"
#include "app/switches.h"
#include "base/base.h"

void open_setup_log(SetupChoices *choices, const char *program, const char *arguments)
{
    if (!choices->log)
        return;
    char path[PATH_SIZE];
    const char *name = choices->log_path;
    if (!name[0] && log_default_path(path, sizeof(path), program))
        name = path;
    if (!name[0] || !log_open(name)) {
        // Asked for and not kept: the command line cannot be carried out as given.
        choices->bad = 1;
        copy_text(choices->bad_switch, sizeof(choices->bad_switch), "/LOG");
        return;
    }
    log_line("%s.exe %s, %d-bit, started with: %s", program, SETUP_VERSION, (int)(sizeof(void *) * 8),
             arguments ? arguments : "");
}

int close_setup_log(int code)
{
    log_line("exit code %d", code);
    log_close();
    return code;
}
