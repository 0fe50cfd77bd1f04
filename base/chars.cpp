// Two rules of the platform that need no window: path characters and button styles.
#include "base/base.h"

size_t path_char_size(const char *path)
{
    if (!path[0])
        return 0;
#ifdef _WIN32
    int lead = IsDBCSLeadByte((BYTE)path[0]);
#else
    // Host builds (fuzzing) walk as a double-byte system would.
    int lead = (unsigned char)path[0] >= 0x80;
#endif
    return lead && path[1] ? 2 : 1;
}

int button_kind(unsigned long style)
{
    switch (style & 0xFF) {
    case 2: // BS_CHECKBOX
    case 3: // BS_AUTOCHECKBOX
        return BUTTON_CHECK_BOX;
    case 4: // BS_RADIOBUTTON
    case 9: // BS_AUTORADIOBUTTON
        return BUTTON_RADIO;
    case 5: // BS_3STATE
    case 6: // BS_AUTO3STATE
        return BUTTON_THREE_STATE;
    default:
        return BUTTON_OTHER;
    }
}
