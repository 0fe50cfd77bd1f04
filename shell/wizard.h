// The wizard dialog: its pages, navigation and the install step.
#ifndef TAVIK_WIZARD_H
#define TAVIK_WIZARD_H

#include <windows.h>

INT_PTR CALLBACK wizard_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
void show_page(HWND dialog, int page);

#endif
