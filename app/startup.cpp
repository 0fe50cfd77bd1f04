// Probes the system, builds the drawing resources and runs the wizard's message loop.
#include "app/app.h"

#include <commctrl.h>

#include "app/startup_rules.h"
#include "app/switches.h"
#include "base/base.h"
#include "resources/ids.h"
#include "ui/ui.h"
#include "wizard/wizard.h"

void probe_environment(void)
{
    read_platform(&g_state.is_nt, &g_state.os_major_is_3);
    CPINFO cp = {};
    if (GetCPInfo(CP_ACP, &cp))
        g_state.dbcs_system = cp.MaxCharSize > 1;
    g_state.system_chinese = chinese_script_for(g_state.dbcs_system, GetSystemDefaultLangID());
    g_drawing.ansi_text_output = g_state.is_nt;
}

void find_module_dir(void)
{
    char path[PATH_SIZE];
    DWORD n = GetModuleFileNameA(NULL, path, sizeof(path));
    if (n == 0 || n >= sizeof(path))
        path[0] = 0;
    module_dir_from_path(g_state.module_dir, sizeof(g_state.module_dir), path);
}

int apply_enter_key(const MSG *msg)
{
    if (msg->message != WM_KEYDOWN || msg->wParam != VK_RETURN)
        return 0;
    HWND focus = GetFocus();
    char class_name[100] = "";
    LONG_PTR style = 0;
    int id = 0;
    if (focus) {
        GetClassNameA(focus, class_name, sizeof(class_name));
        style = GetWindowLongPtrA(focus, GWL_STYLE);
        id = (int)GetWindowLongPtrA(focus, GWLP_ID);
    }
    int drop = 0;
    int command = enter_key_command((unsigned long)msg->lParam, focus != NULL, class_name,
                                    (unsigned long)style, id, g_state.default_command, &drop);
    if (command)
        PostMessageA(g_state.wizard_window, WM_COMMAND, MAKEWPARAM(command, BN_CLICKED), 0);
    return drop;
}

void run_message_loop(void)
{
    MSG msg;
    while (g_state.wizard_page >= 0) {
        if (GetMessageA(&msg, NULL, 0, 0) <= 0)
            break;
        if (apply_enter_key(&msg))
            continue;
        if (!IsDialogMessageA(g_state.wizard_window, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

// The choices the switches made, as the wizard's first pages show them.
static void show_switch_choices(const SetupChoices *choices)
{
    if (choices->folder_given)
        SetDlgItemTextA(g_state.wizard_window, IDC_PATH, choices->folder);
    CheckDlgButton(g_state.wizard_window, IDC_DESKTOP_ICON,
                   choices->desktop_icon ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(g_state.wizard_window, IDC_AUTO_START, choices->auto_start ? BST_CHECKED : BST_UNCHECKED);
}

static int run_wizard(HINSTANCE instance, const SetupChoices *choices, int with_switches)
{
    SetCursor(LoadCursorA(NULL, (LPCSTR)IDC_WAIT));
    probe_environment();
    // Without /LANG the first entry is English, whatever the system's language.
    g_state.force_language = choices->language;
    g_state.instance = instance;
    g_drawing.instance = instance;
    create_test_font();
    copy_text(g_state.default_folder_name, sizeof(g_state.default_folder_name), "Tavik");
    find_module_dir();

    int atlas = load_glyph_atlas();
    if (atlas != ATLAS_OK) {
        release_drawing_kit();
        return atlas == ATLAS_NO_GDI ? 0 : 1;
    }
    if (choices->help || choices->bad) {
        show_long_message(setup_usage_chinese, setup_usage_english, NULL);
        release_drawing_kit();
        return choices->bad ? EXIT_BAD_COMMAND_LINE : EXIT_DONE;
    }

    // A second setup would sweep away the first one's staged files half-way through its run.
    HANDLE lock = take_setup_lock(0);
    if (!lock) {
        show_text_message(MSG_ANOTHER_SETUP, MESSAGE_NOTICE, NULL);
        release_drawing_kit();
        return 0;
    }
    load_common_controls();

    g_state.wizard_page = 0;
    g_state.app_icon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_APP));
    // Without the wizard the loop would wait for ever: the process ends as after a cancel.
    g_state.wizard_window = CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_WIZARD), NULL, wizard_proc, 0);
    if (g_state.wizard_window && with_switches)
        show_switch_choices(choices);
    if (g_state.wizard_window && g_state.wizard_page >= 0)
        run_message_loop();

    if (g_state.wizard_window)
        DestroyWindow(g_state.wizard_window);
    g_state.wizard_window = NULL;
    release_drawing_kit();
    release_setup_lock(lock);
    return 0;
}

int run_installer(HINSTANCE instance, const char *arguments)
{
    SetupChoices choices;
    read_switches(arguments, SWITCHES_SETUP, &choices);
    open_setup_log(&choices, "TavikSetup", arguments);
    if (choices.mode != MODE_WIZARD && !choices.help)
        return close_setup_log(run_unattended(instance, &choices));
    return close_setup_log(run_wizard(instance, &choices, !no_arguments(arguments)));
}
