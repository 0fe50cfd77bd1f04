// The one bilingual message dialog every notice and question goes through.
#include "message.h"

#include "state.h"

// Stand-in until the owner-drawn dialog exists: start-up's one message has no owner.
int show_message(const char *chinese, const char *english, int kind, HWND owner)
{
    (void)chinese;
    (void)english;
    (void)kind;
    (void)owner;
    return 0;
}
