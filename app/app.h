// Process start-up and teardown: DLL search, probes, the drawing kit, the message loop.
#ifndef TAVIK_APP_H
#define TAVIK_APP_H

#include <windows.h>

void restrict_dll_search(void);
// The progress bar's class, from the system folder's COMCTL32 only; 1 when it is registered.
int load_common_controls(void);
void probe_environment(void);
void find_module_dir(void);
// The Enter-key rule applied to one message; returns 1 when it was consumed.
int apply_enter_key(const MSG *msg);
void run_message_loop(void);
// The lock every Tavik setup and uninstaller holds while it may change anything, taken within
// wait_ms; null when another one holds it. It is let go at the latest when the process ends.
HANDLE take_setup_lock(DWORD wait_ms);
void release_setup_lock(HANDLE lock);
int run_installer(HINSTANCE instance);
// TVKUnInstall.exe: without arguments it asks and hands over to a copy of itself in the
// temporary folder, which removes the install once the first has ended.
int run_uninstaller(HINSTANCE instance, const char *arguments);

#endif
