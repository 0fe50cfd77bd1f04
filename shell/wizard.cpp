// The wizard dialog: its pages, navigation and the install step.
#include "wizard.h"

#include "state.h"

INT_PTR CALLBACK wizard_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam)
{
    (void)lparam;
    switch (message) {
    case WM_INITDIALOG:
        SendMessageA(dialog, WM_SETICON, ICON_BIG, (LPARAM)g_state.app_icon);
        SendMessageA(dialog, WM_SETICON, ICON_SMALL, (LPARAM)g_state.app_icon);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wparam) == IDCANCEL)
            g_state.wizard_page = -1;
        return FALSE;
    }
    return FALSE;
}

void show_page(HWND dialog, int page)
{
    (void)dialog;
    (void)page;
}
