// The wizard dialog: its pages, navigation and the install step.
#ifndef TAVIK_WIZARD_H
#define TAVIK_WIZARD_H

#include <windows.h>

INT_PTR CALLBACK wizard_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
void show_page(HWND dialog, int page);

// Install-step pieces: the folder from the path edit made ready (created with
// its "doc" sub-folder when new; 0 after the folder message), and the mouse
// pointer brought onto the wizard.
int prepare_install_dir(HWND dialog);
void park_pointer(HWND dialog);

#endif
