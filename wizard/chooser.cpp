// The destination folder chooser on the classic file-open dialog: its hook and its opener.
#include <windows.h>

#include <commdlg.h>

#include "resources/ids.h"
#include "ui/ui.h"
#include "wizard/wizard.h"
#include "wizard/wizard_rules.h"

// The chosen folder is the directory the dialog is in, without a trailing
// backslash; 0 when it does not fit a path buffer.
static int take_current_directory(void)
{
    char dir[PATH_SIZE];
    DWORD n = GetCurrentDirectoryA(sizeof(dir), dir);
    if (n == 0 || n >= sizeof(dir))
        return 0;
    drop_trailing_backslash(dir);
    return copy_text(g_state.install_dir, sizeof(g_state.install_dir), dir);
}

UINT_PTR CALLBACK folder_hook_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_INITDIALOG: {
        HWND cancel = GetDlgItem(dialog, IDCANCEL);
        SetWindowLongPtrA(cancel, GWL_STYLE, GetWindowLongPtrA(cancel, GWL_STYLE) | BS_OWNERDRAW);
        SetFocus(GetDlgItem(dialog, IDC_OFN_DIR_LIST));
        return TRUE;
    }
    case WM_DRAWITEM: {
        const DRAWITEMSTRUCT *item = (const DRAWITEMSTRUCT *)lparam;
        // Cancel is owner-drawn from here on: left undrawn it would be an invisible button.
        if (item->CtlID != IDC_CHOOSER_DIR_LABEL && item->CtlID != IDC_CHOOSER_DRIVE_LABEL &&
            item->CtlID != IDCANCEL)
            return FALSE;
        // Nothing in the chooser is drawn as the default button.
        draw_owner_button(item, 0, 0);
        return TRUE;
    }
    case WM_COMMAND:
        // The highlighted but unopened list entry plays no part.
        if (LOWORD(wparam) != IDOK || !take_current_directory())
            return FALSE;
        EndDialog(dialog, 1);
        return TRUE;
    }
    return FALSE;
}

typedef BOOL(WINAPI *OpenFn)(OPENFILENAMEA *);

// Loaded only when the chooser opens: imported, COMDLG32 would pull the print spooler and, on
// some systems, its network libraries into every run, the unattended one included.
static OpenFn open_file_dialog(void)
{
    char system[PATH_SIZE], path[PATH_SIZE];
    UINT n = GetSystemDirectoryA(system, sizeof(system));
    if (n == 0 || n >= sizeof(system) || !format_text(path, sizeof(path), "%s\\comdlg32.dll", system))
        return NULL;
    HMODULE library = LoadLibraryExA(path, NULL, LOAD_WITH_ALTERED_SEARCH_PATH);
    return library ? (OpenFn)(void *)GetProcAddress(library, "GetOpenFileNameA") : NULL;
}

int choose_folder(HWND owner, char *out, size_t size)
{
    char file[PATH_SIZE] = "";
    OPENFILENAMEA request = {};
    request.lStructSize = sizeof(request);
    request.hwndOwner = owner;
    request.hInstance = (HINSTANCE)g_state.instance;
    request.lpstrFile = file;
    request.nMaxFile = 128;
    // Some platforms name the dialog "Open" unless told otherwise.
    request.lpstrTitle = "Choose Destination Directory";
    request.Flags =
        OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_ENABLEHOOK | OFN_ENABLETEMPLATE | OFN_PATHMUSTEXIST;
    request.lpfnHook = folder_hook_proc;
    request.lpTemplateName = MAKEINTRESOURCEA(IDD_CHOOSER);

    // OFN_NOCHANGEDIR is not honoured everywhere: keep the directory ourselves.
    char saved[PATH_SIZE];
    DWORD n = GetCurrentDirectoryA(sizeof(saved), saved);
    int have_saved = n > 0 && n < sizeof(saved);
    BOOL chosen = FALSE;
    OpenFn open = open_file_dialog();
    if (open)
        chosen = open(&request);
    if (have_saved)
        SetCurrentDirectoryA(saved);
    return chosen && copy_text(out, size, g_state.install_dir);
}
