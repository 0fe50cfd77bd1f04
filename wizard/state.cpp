// Storage of the installer state and the shared message texts.
#include "wizard/state.h"

InstallerState g_state = {};

const char *const shared_text[3] = {
    "内存不够。安装无法继续。",
    "Memory not enough!",
    "Cannot create folder!",
};
