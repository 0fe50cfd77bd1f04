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

const char setup_usage_chinese[] =
    "用法：TavikSetup.exe [开关]，不带开关时显示安装向导。\r\n"
    "/S 或 /VERYSILENT：不显示任何窗口；/SILENT：只显示安装进度。\r\n"
    "/D=目录（放在最后，不加引号）或 /DIR=\"目录\"：安装目录。\r\n"
    "/LOG 或 /LOG=\"文件\"：写安装日志（UTF-8）。\r\n"
    "/NODESKTOPICON：不建桌面图标；/AUTOSTART：开机时自动启动。\r\n"
    "/LANG=english|simplified|traditional：用户界面语言。\r\n"
    "/DISPLAYOK=yes|no：中文显示是否正确；/KEEPWORDBASE=yes|no：是否保留老词库。\r\n"
    "/SUPPRESSMSGBOXES、/NORESTART：可用，不起作用。\r\n"
    "退出码：0 安装成功；1 无法启动；13 安装程序文件已损坏；32 有文件正在使用；\r\n"
    "87 命令行有错；112 磁盘已满；267 目录不可用；1603 安装失败；1618 另一个安装程序正在运行。";
const char setup_usage_english[] =
    "Usage: TavikSetup.exe [switches]; without any, the setup wizard.\r\n"
    "/S or /VERYSILENT: no window at all.  /SILENT: only the progress.\r\n"
    "/D=folder (last, no quotes) or /DIR=\"folder\": the folder to install into.\r\n"
    "/LOG or /LOG=\"file\": a log of the install (UTF-8).\r\n"
    "/NODESKTOPICON: no desktop icons.  /AUTOSTART: start with Windows.\r\n"
    "/LANG=english|simplified|traditional: the products' interface language.\r\n"
    "/DISPLAYOK=yes|no: Chinese displays correctly.  /KEEPWORDBASE=yes|no: keep an old word base.\r\n"
    "/SUPPRESSMSGBOXES and /NORESTART are accepted and change nothing.\r\n"
    "Exit codes: 0 installed; 1 could not start; 13 the installer file is damaged; 32 a file is in use;\r\n"
    "87 bad command line; 112 disk full; 267 folder refused; 1603 install failed; 1618 another setup "
    "running.";
const char uninstaller_usage_chinese[] =
    "用法：TVKUnInstall.exe [开关]，不带开关时先问您是否删除。\r\n"
    "/S、/VERYSILENT 或 /SILENT：不问就删除，不显示任何窗口。\r\n"
    "/LOG 或 /LOG=\"文件\"：写删除日志（UTF-8）。\r\n"
    "/SUPPRESSMSGBOXES、/NORESTART：可用，不起作用。\r\n"
    "退出码：0 已全部删除；32 有文件正在使用，请退出后再删除一次；145 您自己的或改过的文件已保留；\r\n"
    "87 命令行有错；1603 无法启动；1605 这里没有安装 Tavik；1618 另一个安装程序正在运行。";
const char uninstaller_usage_english[] =
    "Usage: TVKUnInstall.exe [switches]; without any, it asks first.\r\n"
    "/S, /VERYSILENT or /SILENT: remove without asking and without any window.\r\n"
    "/LOG or /LOG=\"file\": a log of the removal (UTF-8).\r\n"
    "/SUPPRESSMSGBOXES and /NORESTART are accepted and change nothing.\r\n"
    "Exit codes: 0 all removed; 32 files in use (quit them, run it again); 145 your own or changed files "
    "kept;\r\n"
    "87 bad command line; 1603 could not start; 1605 no Tavik installation here; 1618 another setup running.";
