// Destination folder chooser on the classic file-open dialog.
#include "wizard/chooser.h"

#include "resources/ids.h"
#include "base/base.h"
#include "wizard/state.h"
#include "wizard/wizard_rules.h"
#include "ui/ui.h"

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
        draw_owner_button(item);
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
