// The licence page's texts: the Chinese one cut into list lines, the English one whole.
#include <stdlib.h>

#include "resources/ids.h"
#include "ui/ui.h"
#include "wizard/wizard.h"
#include "wizard/wizard_rules.h"

// Inflates one licence resource and hands it to its control; 1 when it is there.
static int load_licence_text(HWND dialog, int id)
{
    char *text = (char *)malloc(LICENCE_TEXT_SIZE + 1);
    if (!text) {
        show_text_message(MSG_NO_MEMORY, MESSAGE_NOTICE, g_state.wizard_window);
        return 0;
    }
    // A longer text does not inflate into the buffer and is refused whole.
    unsigned long size = 0;
    if (!inflate_resource(g_state.instance, id, text, LICENCE_TEXT_SIZE, &size)) {
        free(text);
        return 0;
    }
    text[size] = 0;

    if (id == IDR_LICENCE_CN) {
        char *lines[LICENCE_MAX_LINES];
        int count = split_licence_lines(text, size, lines, LICENCE_MAX_LINES);
        HWND list = GetDlgItem(dialog, IDC_LICENCE_CN_LIST);
        // A retry after a failed load must not add the lines a second time.
        SendMessageA(list, LB_RESETCONTENT, 0, 0);
        SendMessageA(list, WM_SETREDRAW, FALSE, 0);
        for (int i = 0; i < count; i++) {
            char item[PATH_SIZE]; // the list draws items of up to 259 bytes
            copy_text_truncated(item, sizeof(item), lines[i]);
            SendMessageA(list, LB_ADDSTRING, 0, (LPARAM)item);
        }
        SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    } else {
        SendDlgItemMessageA(dialog, IDC_LICENCE_EN_TEXT, WM_SETTEXT, 0, (LPARAM)text);
    }
    free(text);
    return 1;
}

int load_licence_texts(HWND dialog)
{
    return load_licence_text(dialog, IDR_LICENCE_CN) && load_licence_text(dialog, IDR_LICENCE_EN);
}
