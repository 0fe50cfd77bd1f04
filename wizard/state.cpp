// Storage of the installer's process-wide record.
#include "wizard/wizard.h"

InstallerState g_state = {};
