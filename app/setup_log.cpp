// The log both programs keep when asked with /LOG: where it goes, its first lines and its last.
#include <windows.h>

#include "app/app.h"
#include "app/switches.h"
#include "base/base.h"

int open_setup_log(const SetupChoices *choices, const char *program, const char *arguments)
{
    if (!choices->log)
        return 1;
    char path[PATH_SIZE];
    const char *name = choices->log_path;
    if (!name[0] && log_default_path(path, sizeof(path), program))
        name = path;
    if (!name[0] || !log_open(name))
        return 0;
    log_line("%s.exe %s, %d-bit, started with: %s", program, SETUP_VERSION, (int)(sizeof(void *) * 8),
             arguments ? arguments : "");
    return 1;
}

int close_setup_log(int code)
{
    log_line("exit code %d", code);
    log_close();
    return code;
}
