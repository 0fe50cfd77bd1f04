// Destination folder chooser on the classic file-open dialog.
#ifndef TAVIK_CHOOSER_H
#define TAVIK_CHOOSER_H

#include <windows.h>

UINT_PTR CALLBACK folder_hook_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

#endif
