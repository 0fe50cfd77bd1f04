// Traditional-Chinese names of the product profiles, stored in Big5.
#include "install/profiles.h"

const char editor_folder_big5[] = "Tavik文本編輯";
const char editor_shortcut_big5[] = "Tavik文本編輯";
const char editor_uninstall_big5[] = "Tavik文本編輯卸載";
const char engine_folder_big5[] = "Tavik中文輸入引擎";
const char engine_shortcut_big5[] = "Tavik中文輸入引擎";
const char engine_uninstall_big5[] = "Tavik輸入引擎卸載";
const char smart_folder_big5[] = "Tavik巧文書";
const char smart_shortcut_big5[] = "Tavik巧文書";
const char smart_uninstall_big5[] = "Tavik巧文書卸載";
const char keyla_folder_big5[] = "TavikKeyla輸入法";
const char keyla_shortcut_big5[] = "TavikKeyla輸入法";
const char keyla_uninstall_big5[] = "卸載";
