// The product profile table: English and GBK names here, Big5 ones in profiles_big5.cpp.
#include "install/profiles.h"

const ProductProfile product_profiles[PRODUCT_COUNT] = {
    {{"Mereda", "Tavik文本编辑", editor_folder_big5},
     {"Mereda", "Tavik文本编辑", editor_shortcut_big5},
     {"Mereda UnInstall", "Tavik文本编辑卸载", editor_uninstall_big5},
     "Mereda.exe",
     "MdUnInstall.exe"},
    {{"Tavik Chinese Input Engine", "Tavik中文输入引擎", engine_folder_big5},
     {"Tavik Chinese Input Engine", "Tavik中文输入引擎", engine_shortcut_big5},
     {"Tavik UnInstall", "Tavik输入引擎卸载", engine_uninstall_big5},
     "TVK.exe",
     "TVKUnInstall.exe"},
    {{"Tavik Smart Editor", "Tavik巧文书", smart_folder_big5},
     {"Tavik Smart Editor", "Tavik巧文书", smart_shortcut_big5},
     {"Tavik Smart Editor UnInstall", "Tavik巧文书卸载", smart_uninstall_big5},
     "TVKEdit.exe",
     "TVKEditUnInstall.exe"},
    {{"Mereda-Keyla", "TavikKeyla输入法", keyla_folder_big5},
     {"Mereda-Keyla", "TavikKeyla输入法", keyla_shortcut_big5},
     {"UnInstall", "卸载", keyla_uninstall_big5},
     "KL.exe",
     "KLUnInstall.exe"},
};

int script_form(int system_chinese)
{
    if (system_chinese < SCRIPT_ENGLISH)
        return SCRIPT_ENGLISH;
    if (system_chinese > SCRIPT_TRADITIONAL)
        return SCRIPT_TRADITIONAL;
    return system_chinese;
}
