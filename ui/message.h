// The one bilingual message dialog every notice and question goes through.
#ifndef TAVIK_MESSAGE_H
#define TAVIK_MESSAGE_H

#include <windows.h>

enum { MESSAGE_NOTICE = 0, MESSAGE_QUESTION = 4 };

// Returns the id of the button that closed the dialog (1, 2, 6 or 7), or
// DialogBoxParamA's failure value.
int show_message(const char *chinese, const char *english, int kind, HWND owner);

#endif
