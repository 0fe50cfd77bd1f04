// What a run leaves behind, named for the uninstaller from the run's own tables.
#include <string.h>

#include "install/install.h"
#include "install/manifest.h"
#include "install/profiles.h"
#include "install/replace.h"

// In the folder while staged files are moved over their names: a run that finds it knows the set
// there may be part old, part new, and that no old word base in it can be trusted.
const char INSTALL_MARKER_NAME[] = "~tvkinstall.mark";

int installed_file_count(void)
{
    int count = 0;
    for (int i = 0; i < manifest_rows; i++)
        if (manifest[i].file_name)
            count++;
    return count;
}

const char *installed_file_name(int index)
{
    if (index < 0)
        return NULL;
    for (int i = 0; i < manifest_rows; i++)
        if (manifest[i].file_name && index-- == 0)
            return manifest[i].file_name;
    return NULL;
}

const char *installed_name(int name, int script)
{
    int form = script_form(script);
    const ProductProfile *engine = &product_profiles[PRODUCT_ENGINE];
    const ProductProfile *editor = &product_profiles[PRODUCT_EDITOR];
    switch (name) {
    case NAME_ENGINE_FOLDER:
        return engine->folder_name[form];
    case NAME_ENGINE_SHORTCUT:
        return engine->shortcut_name[form];
    case NAME_ENGINE_UNINSTALL_SHORTCUT:
        return engine->uninstall_shortcut_name[form];
    case NAME_EDITOR_SHORTCUT:
        return editor->shortcut_name[form];
    case NAME_ENGINE_PROGRAM:
        return engine->program_file;
    case NAME_ENGINE_UNINSTALLER:
        return engine->uninstaller_file;
    case NAME_EDITOR_PROGRAM:
        return editor->program_file;
    default:
        return NULL;
    }
}

int is_run_leftover_name(const char *name)
{
    return lstrcmpiA(name, INSTALL_MARKER_NAME) == 0 || is_temporary_name(name);
}
