// Every text the installer shows: the message pairs, the captions of its controls, the languages.
#include "resources/ids.h"
#include "ui/owner_layout.h"
#include "ui/ui.h"

const MessageText message_texts[MSG_COUNT] = {
    {"内存不够。安装无法继续。", "Memory not enough!"},
    {"无法建目录。请检查所列目录是否合法（注意：子目录只能在已存在的目录下建）。",
     "Cannot create folder! Please check folder path."},
    {"请您回答提问.", "Please select a choice."},
    {"安装目录有老词库。是否安装新词库(会冲掉老词库)?",
     "Old CiKu (Word Base) is detected. Replace it with new CiKu?"},
    {"祝贺您：安装顺利完成！", "Congratulations! Installation Success!"},
    {"安装失败！请检查一下系统后，再重新安装。谢谢！",
     "Installation failed. Please check your system (quit all Tavik applications) and try again."},
    {"无法在 Start 菜单中为本程序建立一个条目。很抱歉，只好请您以后自已建立了。",
     "Failed to create an entry on Start Menu."},
    {"无法建目录(%s)!", "Cannot create folder!"},
    {"所选目录里已有别的文件，同名文件将被替换。仍然安装到这个目录吗？",
     "The folder already holds other files; those with the names of Tavik's files would be replaced. "
     "Install into it anyway?"},
    {"另一个 Tavik 安装或卸载程序正在运行。请等它结束后再试。",
     "Another Tavik setup or uninstaller is running. Let it finish, then try again."},
    {"确实要删除 Tavik 中文输入引擎吗？", "Remove the Tavik Chinese Input Engine from this computer?"},
    {"Tavik 中文输入引擎已全部删除。", "The Tavik Chinese Input Engine has been removed."},
    {"Tavik 中文输入引擎已删除。安装目录里有您自己的文件，目录已保留。",
     "Tavik was removed. Its folder was kept: it holds files the setup did not install (your own files)."},
    {"以下文件正在使用，未能删除：%s",
     "Some files are in use and were not removed. Quit all Tavik programs and uninstall again."},
    {"以下文件安装后被修改过，已保留：%s",
     "Tavik was removed, but files you changed after the install were kept, and so was their folder."},
    {"本程序所在的目录不是 Tavik 的安装目录，没有删除任何文件。",
     "This folder does not hold a Tavik installation. Nothing was removed."},
    {"卸载程序无法启动，没有删除任何文件。",
     "The uninstaller could not start from the temporary folder. Nothing was removed."},
};

const ButtonCaption button_captions[] = {
    {IDC_MSG_OK, {CAPTION_FIXED, "确认 OK", 1, 1}},
    {IDC_CANCEL, {CAPTION_FIXED, "取消 Cancel", 1, 1}},
    {IDC_BACK, {CAPTION_FIXED, "退一步 Back", 1, 1}},
    {IDC_MSG_YES, {CAPTION_FIXED, "是 Yes", 1, 1}},
    {IDC_MSG_NO, {CAPTION_FIXED, "否 No", 1, 1}},
    {IDC_NEXT, {CAPTION_FIXED, "下一步 Next", 1, 1}},
    {IDC_BROWSE, {CAPTION_FIXED, "改变 Browse ....", 1, 1}},
    {IDC_PATH_LABEL, {CAPTION_FIXED, "安装路径： (Install Path)", 0, 0}},
    {IDC_CHOOSER_DIR_LABEL, {CAPTION_FIXED, "路径 (Directories):", 0, 0}},
    {IDC_BANNER_FAMILY, {CAPTION_FIXED, "《Tavik》 Tavik", 0, 1}},
    {IDC_CHOOSER_DRIVE_LABEL, {CAPTION_FIXED, "磁盘 (Drives):", 0, 0}},
    {IDC_BANNER_ENGINE, {CAPTION_FIXED, "中文输入引擎 Input Engine", 0, 1}},
    {IDC_BANNER_INSTALLER, {CAPTION_FIXED, "安装程序", 0, 1}},
    {IDC_MSG_CHINESE, {CAPTION_WINDOW_TEXT, 0, 0, 1}},
    {IDC_UNUSED_LABEL, {CAPTION_WINDOW_TEXT, 0, 0, 0}},
    {IDC_DISPLAY_QUESTION, {CAPTION_FIXED, "以上中文显示正确吗 (Is the Above Chinese Display OK)?", 0, 1}},
    {IDC_SAMPLE_LINE, {CAPTION_SYSTEM_FONT, "日出江花红胜火", 0, 1}},
    {IDC_BANNER_BLANK, {CAPTION_NOTHING, 0, 0, 0}},
    {IDC_UNUSED_FACE, {CAPTION_FIXED, "", 0, 0}},
    {IDC_LANGUAGE_LABEL, {CAPTION_FIXED, "User Interface Language 用户界面语言", 0, 1}},
};
const int button_caption_count = sizeof(button_captions) / sizeof(button_captions[0]);

const char uninstaller_caption[] = "Tavik Chinese Input Engine Uninstaller";

const char install_caption[] = "同意/安装 Agree/Install";

const CheckCaption check_captions[] = {
    {IDC_DESKTOP_ICON, "建立桌面图标？  (Place an icon on Desktop)"},
    {IDC_AUTO_START, "开机时自动启动？(Auto-start on boot)"},
    {IDC_DISPLAY_OK, "正确(OK)"},
    {IDC_DISPLAY_NO, "不正确(NO)"},
};
const int check_caption_count = sizeof(check_captions) / sizeof(check_captions[0]);

const char *const language_names[3] = {
    "English 英文",
    "Chinese(Simplified)  中文简体",
    "Chinese(Traditional) 中文繁体",
};
