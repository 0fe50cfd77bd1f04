// TavikSetup.exe run by its switches: no question, no message, choices from the command line, an exit code.
#include <windows.h>

#include "app/app.h"
#include "app/switches.h"
#include "install/install.h"
#include "resources/ids.h"
#include "ui/ui.h"
#include "wizard/wizard.h"

struct Unattended {
    const SetupChoices *choices;
    HWND view;   // the installing view under /SILENT; null under /S
    int failure; // the first RunFailure the run reported, or -1
};

static void on_progress(void *context, int position)
{
    Unattended *run = (Unattended *)context;
    if (run->view)
        show_install_progress(run->view, position);
}

static void on_pump(void *context)
{
    if (((Unattended *)context)->view)
        pump_install_messages(NULL);
}

// Nothing of the user's is replaced unless the switches ask for it.
static int on_old_word_base(void *context, int ask)
{
    int keep = ((Unattended *)context)->choices->keep_word_base;
    if (ask)
        log_line("the folder holds an old word base: %s", keep ? "kept (/KEEPWORDBASE=yes)" : "replaced");
    return !keep;
}

static void on_notice(void *context, int notice, const char *file)
{
    (void)context;
    static const char *const notices[] = {"no memory", "a shortcut could not be saved",
                                          "a shortcut's folder could not be made"};
    log_line("%s%s%s", notices[notice >= 0 && notice < 3 ? notice : 0], file ? ": " : "", file ? file : "");
}

static void on_step(void *context, int step, const char *name, unsigned long long value)
{
    Unattended *run = (Unattended *)context;
    if (step == STEP_FAILED && run->failure < 0)
        run->failure = (int)value;
    log_install_step(NULL, step, name, value);
}

static int exit_code_of(int failure)
{
    switch (failure) {
    case FAILURE_DAMAGED:
        return EXIT_DAMAGED;
    case FAILURE_DISK_FULL:
        return EXIT_DISK_FULL;
    case FAILURE_IN_USE:
        return EXIT_FILE_IN_USE;
    default:
        return EXIT_FAILED;
    }
}

// The installer state as the wizard's pages would leave it, from the switches.
static void take_choices(const SetupChoices *choices)
{
    // Unless told, the products draw Chinese with the system's fonts only where the system's code
    // page is a Chinese one.
    UINT code_page = GetACP();
    g_state.display_ok =
        choices->display_ok >= 0 ? choices->display_ok : code_page == 936 || code_page == 950;
    g_state.want_desktop_icon = choices->desktop_icon;
    g_state.want_auto_start = choices->auto_start;
    g_state.force_language = choices->language;
    log_line("desktop icon %s, auto-start %s, display OK %s, language %d, keep an old word base %s",
             g_state.want_desktop_icon ? "yes" : "no", g_state.want_auto_start ? "yes" : "no",
             g_state.display_ok ? "yes" : "no", g_state.force_language,
             choices->keep_word_base ? "yes" : "no");
}

// The wizard shown as it is while it installs, and nothing else of it.
static HWND open_installing_view(HINSTANCE instance)
{
    if (load_glyph_atlas() != ATLAS_OK)
        return NULL;
    load_common_controls();
    g_state.app_icon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_APP));
    HWND view = CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_WIZARD), NULL, wizard_proc, 0);
    if (!view)
        return NULL;
    g_state.wizard_window = view;
    g_state.wizard_page = 99;
    show_page(view, 3);
    enter_installing_view(view);
    return view;
}

static int install_unattended(HINSTANCE instance, const SetupChoices *choices, Unattended *run)
{
    if (choices->bad) {
        log_line("unknown or malformed switch: %s", choices->bad_switch);
        return EXIT_BAD_COMMAND_LINE;
    }
    if (!take_setup_lock(0)) {
        log_line("another Tavik setup or uninstaller is running");
        return EXIT_ANOTHER_SETUP;
    }
    probe_environment();
    find_module_dir();
    g_state.instance = instance;
    g_drawing.instance = instance;
    copy_text(g_state.default_folder_name, sizeof(g_state.default_folder_name), "Tavik");
    char typed[PATH_SIZE];
    if (choices->folder_given)
        copy_text(typed, sizeof(typed), choices->folder);
    else if (!read_windows_dir() || !format_text(typed, sizeof(typed), "%c:\\%s", g_state.windows_dir[0],
                                                 g_state.default_folder_name))
        typed[0] = 0;
    read_windows_dir();
    take_choices(choices);
    if (choices->mode == MODE_SILENT && !(run->view = open_installing_view(instance))) {
        log_line("the installing view could not be shown");
        return EXIT_CANNOT_START;
    }
    // Nobody is there to say yes to a folder of the user's: it is refused, as No would.
    DestinationAsk nobody = {NULL, NULL};
    int destination = prepare_destination(typed, &nobody);
    if (destination != DESTINATION_READY) {
        log_line("folder %s refused: %s", typed,
                 destination == DESTINATION_DECLINED ? "it holds other files and no Tavik install"
                                                     : "not a folder the files can go into safely");
        return EXIT_FOLDER_REFUSED;
    }
    log_line("folder %s%s", g_state.install_dir,
             g_state.created_install_dir ? " (made for this install)" : "");
    InstallCallbacks report = {run, on_progress, on_old_word_base, on_notice, on_pump, on_step};
    if (run_install_with(&report))
        return EXIT_DONE;
    return exit_code_of(run->failure);
}

int run_unattended(HINSTANCE instance, const SetupChoices *choices)
{
    Unattended run = {choices, NULL, -1};
    int code = install_unattended(instance, choices, &run);
    if (run.view)
        DestroyWindow(run.view);
    g_state.wizard_window = NULL;
    release_drawing_kit();
    return code;
}
