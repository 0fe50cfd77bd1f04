#!/usr/bin/env python3
"""Generates the sample product payload: OUTDIR/<id>.bin, one raw file per id.

Every file is made up here from small fixed tables and a seeded PRNG, so the
output is the same bytes on every run and every machine. The manifest in
install/manifest.cpp decides which ids exist and what each file is called;
the file name decides what kind of content it gets.
"""
import argparse
import itertools
import math
import os
import random
import re
import struct
import sys
import time
import zlib

ROW = re.compile(r'\{\s*(\d+)\s*,\s*"([^"]+)"')
EXTRA = re.compile(r'unused_payload_ids\[\]\s*=\s*\{([^}]*)\}')

CEDICT_SIZE = 38013217
LICENCE_LINE_MAX = 55
PLACEHOLDER_PROGRAMS = {
    "tvk.exe", "mereda.exe", "tvkuninstall.exe", "keylashow.exe", "chinesetypingtutorial.exe",
}
# The shipped ini must leave these to the installer.
INI_RESERVED = (b"usebmpfont", b"forcelanguage")


def fail(message):
    sys.exit(f"gen_payload: {message}")


def seeded(name):
    # str hash() is salted per process; crc32 is not.
    return random.Random(zlib.crc32(name.lower().encode()) ^ 0x5EED7A1C)


def crlf(text):
    return text.replace("\r\n", "\n").replace("\n", "\r\n")


# --------------------------------------------------------------------------
# Shared text tables

# simplified, traditional, pinyin; roughly in order of use.
CHAR_TABLE = """
的的de5 一一yi1 是是shi4 不不bu4 了了le5 人人ren2 我我wo3 在在zai4
有有you3 他他ta1 这這zhe4 中中zhong1 大大da4 来來lai2 上上shang4 国國guo2
个個ge4 到到dao4 说說shuo1 们們men5 为為wei4 子子zi3 和和he2 你你ni3
地地di4 出出chu1 道道dao4 也也ye3 时時shi2 年年nian2 得得de2 就就jiu4
那那na4 要要yao4 下下xia4 以以yi3 生生sheng1 会會hui4 自自zi4 着著zhe5
去去qu4 之之zhi1 过過guo4 家家jia1 学學xue2 对對dui4 可可ke3 她她ta1
里裡li3 后後hou4 小小xiao3 么麼me5 心心xin1 多多duo1 天天tian1 而而er2
能能neng2 好好hao3 都都dou1 然然ran2 没沒mei2 日日ri4 于於yu2 起起qi3
还還hai2 发發fa1 成成cheng2 事事shi4 只只zhi3 作作zuo4 当當dang1 想想xiang3
看看kan4 文文wen2 无無wu2 开開kai1 手手shou3 十十shi2 用用yong4 主主zhu3
行行xing2 方方fang1 又又you4 如如ru2 前前qian2 所所suo3 本本ben3 见見jian4
经經jing1 头頭tou2 面面mian4 公公gong1 同同tong2 三三san1 已已yi3 老老lao3
从從cong2 动動dong4 两兩liang3 长長chang2 知知zhi1 民民min2 样樣yang4 现現xian4
分分fen1 将將jiang1 外外wai4 但但dan4 身身shen1 些些xie1 与與yu3 高高gao1
意意yi4 进進jin4 把把ba3 法法fa3 此此ci3 实實shi2 回回hui2 二二er4
理理li3 美美mei3 点點dian3 月月yue4 明明ming2 其其qi2 种種zhong3 声聲sheng1
全全quan2 工工gong1 己己ji3 话話hua4 儿兒er2 者者zhe3 向向xiang4 情情qing2
部部bu4 正正zheng4 名名ming2 定定ding4 女女nu:3 问問wen4 力力li4 机機ji1
给給gei3 等等deng3 几幾ji3 很很hen3 业業ye4 最最zui4 间間jian1 新新xin1
什什shen2 打打da3 便便bian4 位位wei4 因因yin1 重重zhong4 被被bei4 走走zou3
电電dian4 四四si4 第第di4 门門men2 相相xiang1 次次ci4 东東dong1 政政zheng4
海海hai3 口口kou3 使使shi3 教教jiao4 西西xi1 再再zai4 平平ping2 真真zhen1
听聽ting1 世世shi4 气氣qi4 信信xin4 北北bei3 少少shao3 关關guan1 并並bing4
内內nei4 加加jia1 化化hua4 由由you2 却卻que4 代代dai4 军軍jun1 产產chan3
入入ru4 先先xian1 山山shan1 五五wu3 太太tai4 水水shui3 万萬wan4 市市shi4
眼眼yan3 体體ti3 别別bie2 处處chu4 总總zong3 才才cai2 场場chang3 师師shi1
书書shu1 比比bi3 住住zhu4 员員yuan2 九九jiu3 笑笑xiao4 性性xing4 通通tong1
目目mu4 华華hua2 报報bao4 立立li4 马馬ma3 命命ming4 张張zhang1 活活huo2
难難nan2 神神shen2 数數shu4 件件jian4 安安an1 表表biao3 原原yuan2 车車che1
白白bai2 应應ying1 路路lu4 期期qi1 叫叫jiao4 死死si3 常常chang2 提提ti2
感感gan3 金金jin1 何何he2 更更geng4 反反fan3 合合he2 放放fang4 做做zuo4
系係xi4 计計ji4 或或huo4 司司si1 利利li4 受受shou4 光光guang1 王王wang2
果果guo3 亲親qin1 界界jie4 及及ji2 今今jin1 京京jing1 务務wu4 制制zhi4
解解jie3 各各ge4 任任ren4 至至zhi4 清清qing1 物物wu4 台臺tai2 象象xiang4
记記ji4 边邊bian1 共共gong4 风風feng1 战戰zhan4 干幹gan4 接接jie1 它它ta1
许許xu3 八八ba1 特特te4 觉覺jue2 望望wang4 直直zhi2 服服fu2 毛毛mao2
林林lin2 题題ti2 结結jie2 改改gai3 保保bao3 品品pin3 语語yu3 言言yan2
字字zi4 词詞ci2 汉漢han4 输輸shu1 软軟ruan3 键鍵jian4 盘盤pan2 码碼ma3
拼拼pin1 音音yin1 典典dian3 写寫xie3 读讀du2 朋朋peng2 友友you3 习習xi2
脑腦nao3 画畫hua4 笔筆bi3 龙龍long2 鸟鳥niao3 鱼魚yu2 云雲yun2 飞飛fei1
爱愛ai4 乐樂le4 红紅hong2 绿綠lu:4 黄黃huang2 蓝藍lan2 春春chun1 秋秋qiu1
花花hua1 草草cao3 木木mu4 火火huo3 石石shi2 田田tian2 米米mi3 茶茶cha2
饭飯fan4 买買mai3 卖賣mai4 钱錢qian2 银銀yin2 铁鐵tie3 门門men2 窗窗chuang1
桥橋qiao2 城城cheng2 乡鄉xiang1 村村cun1 岁歲sui4 星星xing1 雨雨yu3 雪雪xue3
"""

ENGLISH_WORDS = """
able about above act add after again age air all also always animal answer
area arm art ask away baby back bad bag ball bank base bear beat become bed
before begin behind bell best better big bird black blood blue board boat body
bone book born both box boy bread break bring brother brown build burn buy call
calm can car card care carry case cat catch cause centre certain chair chance
change character child choose city class clean clear close cloth cloud coast
cold colour come common copy corner count country course cover cross crowd cup
cut dark daughter day dead deal dear deep degree desk die different difficult
dinner direction distance divide doctor dog door double down draw dream dress
drink drive dry during duty each early earth east easy eat edge egg enemy
energy enter equal even evening event every exact example eye face fact fall
family far farm fast father fear feel field fight figure fill find fine finger
finish fire first fish fit flat floor flower fly follow food foot forest form
free fresh friend front fruit full game garden gate gather general gentle gift
girl give glass gold good grass great green ground group grow guard guess guide
hair half hall hand hang happen happy hard head hear heart heat heavy help high
hill history hold hole home hope horse hot hour house human hundred hunt idea
inch inside iron island join joy jump just keep key kind king kitchen know lake
land language large last late laugh lead learn leave left letter level lie
life light line list listen little live long look lose loud love low machine
main make man many map mark market matter meal mean measure meet metal middle
milk mind minute miss moon morning mother mountain mouth move music name nation
near neck need never new night noise north nose note number ocean offer office
old open order paper part party pass past path pay people person picture piece
place plain plant play point poor power press price print public pull push
quick quiet rain raise reach read ready record red remember rest rich ride
right ring rise river road rock room root rule run safe salt sand save say
school sea season seat second see seed sell send sense serve set shape share
ship shoe shop short show side sign silver simple sing sister sit skin sky
sleep slow small smile snow soft soil soldier son song sound south space speak
speed spring square stand star start state station stay step stone stop store
story straight street strong student study sugar summer sun table tail talk
tall teach team tell test thick thin thing think thousand tie time tired today
together tool top touch town track trade train travel tree trip true turn type
under unit use valley village visit voice wait walk wall warm wash watch water
wave way weather week weight west wheel white whole wide wife wild win wind
window winter wish woman wonder wood word work world write year young
"""

SYLLABLES = """
a ai an ang ao ba bai ban bang bao bei ben beng bi bian biao bie bin bing bo bu
ca cai can cang cao ce cen ceng cha chai chan chang chao che chen cheng chi chong
chou chu chuai chuan chuang chui chun chuo ci cong cou cu cuan cui cun cuo da dai
dan dang dao de deng di dian diao die ding diu dong dou du duan dui dun duo e en
er fa fan fang fei fen feng fo fou fu ga gai gan gang gao ge gei gen geng gong gou
gu gua guai guan guang gui gun guo ha hai han hang hao he hei hen heng hong hou hu
hua huai huan huang hui hun huo ji jia jian jiang jiao jie jin jing jiong jiu ju
juan jue jun ka kai kan kang kao ke ken keng kong kou ku kua kuai kuan kuang kui
kun kuo la lai lan lang lao le lei leng li lia lian liang liao lie lin ling liu
long lou lu luan lun luo lv lve ma mai man mang mao mei men meng mi mian miao mie
min ming miu mo mou mu na nai nan nang nao ne nei nen neng ni nian niang niao nie
nin ning niu nong nu nuan nuo nv nve o ou pa pai pan pang pao pei pen peng pi pian
piao pie pin ping po pou pu qi qia qian qiang qiao qie qin qing qiong qiu qu quan
que qun ran rang rao re ren reng ri rong rou ru ruan rui run ruo sa sai san sang
sao se sen seng sha shai shan shang shao she shei shen sheng shi shou shu shua
shuai shuan shuang shui shun shuo si song sou su suan sui sun suo ta tai tan tang
tao te teng ti tian tiao tie ting tong tou tu tuan tui tun tuo wa wai wan wang wei
wen weng wo wu xi xia xian xiang xiao xie xin xing xiong xiu xu xuan xue xun ya
yan yang yao ye yi yin ying yo yong you yu yuan yue yun za zai zan zang zao ze zei
zen zeng zha zhai zhan zhang zhao zhe zhen zheng zhi zhong zhou zhu zhua zhuai
zhuan zhuang zhui zhun zhuo zi zong zou zu zuan zui zun zuo
""".split()


def char_table():
    rows = []
    seen = set()
    for token in CHAR_TABLE.split():
        simp, trad, py = token[0], token[1], token[2:]
        if simp not in seen:
            seen.add(simp)
            rows.append((simp, trad, py))
    return rows


def gb2312_hanzi():
    """All GB2312 hanzi in code order: 3755 of level 1, then level 2."""
    out = []
    for lead in range(0xB0, 0xF8):
        for trail in range(0xA1, 0xFF):
            raw = bytes((lead, trail))
            try:
                out.append((raw.decode("gb2312"), raw))
            except UnicodeDecodeError:
                pass
    return out


HANZI = gb2312_hanzi()
LEVEL1 = 3755

# One paragraph pool for help pages, tips and the readme files:
# simplified, traditional, English.
PARAGRAPHS = [
    ("按 Ctrl+空格键打开或关闭中文输入。输入拼音后，候选字词显示在光标旁边的小窗口中，按数字键选择，按空格键选择第一个。",
     "按 Ctrl+空格鍵打開或關閉中文輸入。輸入拼音後，候選字詞顯示在游標旁邊的小視窗中，按數字鍵選擇，按空格鍵選擇第一個。",
     "Press Ctrl+Space to turn Chinese input on or off. Type the pinyin; the candidate characters and words appear in a small window beside the caret. Press a number key to choose one, or Space for the first."),
    ("词库会记住您常用的词语，常用的词会排在前面。您也可以在词库编辑器中添加、修改或删除词语。",
     "詞庫會記住您常用的詞語，常用的詞會排在前面。您也可以在詞庫編輯器中添加、修改或刪除詞語。",
     "The word base remembers the words you use often and lists them first. You can also add, change or delete words in the word base editor."),
    ("拼形输入把拼音和字形结合起来：先输入拼音，再输入字的第一个部件的代码，就能很快找到要输入的字。",
     "拼形輸入把拼音和字形結合起來：先輸入拼音，再輸入字的第一個部件的代碼，就能很快找到要輸入的字。",
     "Pinxing input combines the sound and the shape of a character: type the pinyin, then the code of the first part of the character, and the character is found at once."),
    ("不知道读音的字，可以用笔画输入：按横、竖、撇、点、折的顺序输入笔画，候选窗口会显示符合的字。",
     "不知道讀音的字，可以用筆畫輸入：按橫、豎、撇、點、折的順序輸入筆畫，候選視窗會顯示符合的字。",
     "For a character whose sound you do not know, use stroke input: type its strokes in order, as horizontal, vertical, falling, dot and turning, and the candidate window shows the characters that match."),
    ("Mereda 编辑器可以打开和保存简体、繁体和 Unicode 文本文件，并能在简体和繁体之间转换。",
     "Mereda 編輯器可以打開和保存簡體、繁體和 Unicode 文字檔案，並能在簡體和繁體之間轉換。",
     "The Mereda editor opens and saves Simplified, Traditional and Unicode text files, and converts text between Simplified and Traditional characters."),
    ("如果屏幕上的汉字显示为方块或问号，请在设置中选择使用点阵字体，程序会用自带的字形显示汉字。",
     "如果螢幕上的漢字顯示為方塊或問號，請在設定中選擇使用點陣字型，程式會用內建的字形顯示漢字。",
     "If Chinese characters show as boxes or question marks on your screen, choose the bitmap glyphs in the settings, and the program draws the characters with its own glyphs."),
    ("按 Shift 键可以在中文和英文之间临时切换。按 Esc 键取消当前的输入。",
     "按 Shift 鍵可以在中文和英文之間臨時切換。按 Esc 鍵取消目前的輸入。",
     "Press Shift to switch between Chinese and English for a moment. Press Esc to cancel the current input."),
    ("小键盘输入适合只用一只手打字的用户：每个数字键代表一组笔画，连续按键就能输入汉字。",
     "小鍵盤輸入適合只用一隻手打字的使用者：每個數字鍵代表一組筆畫，連續按鍵就能輸入漢字。",
     "Keypad input suits people who type with one hand: each number key stands for a group of strokes, and a few key presses enter a character."),
    ("输入词语时，只输入每个字拼音的第一个字母也可以找到常用的词，例如输入 zg 可以得到“中国”。",
     "輸入詞語時，只輸入每個字拼音的第一個字母也可以找到常用的詞，例如輸入 zg 可以得到「中國」。",
     "When you type a word, the first letter of the pinyin of each character is often enough: typing zg finds the word for China."),
    ("定期备份词库文件，可以保护您自己添加的词语。重新安装时可以选择保留原来的词库。",
     "定期備份詞庫檔案，可以保護您自己添加的詞語。重新安裝時可以選擇保留原來的詞庫。",
     "Back up the word base files now and then to keep the words you added. When you install again you can choose to keep the old word base."),
]

# pinyin, simplified, traditional, English
EXAMPLES = [
    ("zhongguo", "中国", "中國", "China"),
    ("shuru", "输入", "輸入", "input"),
    ("hanzi", "汉字", "漢字", "Chinese character"),
    ("pengyou", "朋友", "朋友", "friend"),
    ("xuexi", "学习", "學習", "to study"),
    ("diannao", "电脑", "電腦", "computer"),
    ("jianpan", "键盘", "鍵盤", "keyboard"),
    ("cidian", "词典", "詞典", "dictionary"),
    ("yuyan", "语言", "語言", "language"),
    ("shijian", "时间", "時間", "time"),
    ("wenzi", "文字", "文字", "writing"),
    ("huar", "画儿", "畫兒", "picture"),
]

# base name: simplified, traditional, English title
PAGE_TITLES = {
    "tavikguide": ("Tavik 中文输入引擎使用指南", "Tavik 中文輸入引擎使用指南", "Tavik Chinese Input Engine Guide"),
    "tvkguide": ("Tavik 快速入门", "Tavik 快速入門", "Tavik Quick Start"),
    "tvkeditguide": ("编辑词库指南", "編輯詞庫指南", "Editing the Word Base"),
    "meredaguide": ("Mereda 编辑器使用说明", "Mereda 編輯器使用說明", "Using the Mereda Editor"),
    "chinese_input_samples": ("中文输入示例", "中文輸入示例", "Chinese Input Samples"),
    "input_assist": ("输入辅助功能", "輸入輔助功能", "Input Assistance"),
    "fast_steps": ("快速上手步骤", "快速上手步驟", "Fast Steps"),
    "pinyin_pinxing": ("拼音与拼形输入", "拼音與拼形輸入", "Pinyin and Pinxing Input"),
    "xingmaguide": ("形码输入指南", "形碼輸入指南", "Shape Code Input Guide"),
    "xingmajiyi": ("形码记忆方法", "形碼記憶方法", "Remembering the Shape Codes"),
    "kuai_jian": ("快键一览", "快鍵一覽", "Shortcut Keys"),
    "keylareadme": ("Keyla 小键盘输入说明", "Keyla 小鍵盤輸入說明", "Keyla Keypad Input: Read Me"),
}

TIPS = [
    ("按 Ctrl+空格键可以打开或关闭中文输入。", "Press Ctrl+Space to turn Chinese input on or off."),
    ("按 Shift 键可以在中文和英文之间临时切换。", "Press Shift to switch between Chinese and English for a moment."),
    ("输入拼音时可以不输入声调。", "You need not type the tones with the pinyin."),
    ("按减号键和等号键可以在候选窗口中翻页。", "Press minus and equals to page through the candidates."),
    ("常用的词语会自动排到前面。", "The words you use often move to the front by themselves."),
    ("在词库编辑器中可以添加您自己的词语。", "Add your own words in the word base editor."),
    ("不知道读音的字，可以用笔画输入。", "Use stroke input for a character whose sound you do not know."),
    ("按 Esc 键取消当前的输入。", "Press Esc to cancel the current input."),
    ("拼形输入可以大大减少重码。", "Pinxing input cuts down the number of candidates a great deal."),
    ("Mereda 编辑器可以在简体和繁体之间转换文本。", "The Mereda editor converts text between Simplified and Traditional."),
    ("如果汉字显示为方块，请在设置中选择点阵字形。", "If characters show as boxes, choose the bitmap glyphs in the settings."),
    ("小键盘输入适合只用一只手打字的用户。", "Keypad input suits people who type with one hand."),
    ("只输入每个字的第一个字母也可以找到常用词。", "The first letter of each syllable is often enough to find a word."),
    ("按 F1 键打开帮助。", "Press F1 for help."),
    ("定期备份词库文件，可以保护您添加的词语。", "Back up the word base now and then to keep the words you added."),
    ("在中文打字练习中可以练习打字速度。", "Practise your typing speed in the Chinese typing tutorial."),
    ("用鼠标右键单击状态窗口，可以打开设置菜单。", "Right-click the status window to open the settings menu."),
    ("按 Ctrl+句号可以切换中文和英文标点。", "Press Ctrl+full stop to switch between Chinese and English punctuation."),
]

CIKU_GUIDE = """词库使用指南

一、什么是词库
词库是输入法用来查找词语的文件。它保存在安装目录中，
文件名为 CiZuFlat.igb、pycizudic.idx 和 pxcizudic.idx。

二、添加词语
在编辑器中打开“词库”菜单，选择“添加词语”，输入词语和
拼音，然后按“确定”。新词会马上出现在候选窗口中。

三、删除词语
在候选窗口中选中要删除的词，按 Ctrl+Delete 键，或在词
库编辑器中选中这个词，再按“删除”。

四、导入和导出
您可以把词库导出为文本文件，也可以从文本文件导入词语。
每行一个词语，词语和拼音之间用空格分开，例如：
中国 zhong guo
输入 shu ru

五、保留旧词库
重新安装时，安装程序会询问是否保留原来的词库。选择保留，
您添加的词语就不会丢失。

六、备份
词库文件可以直接复制到其他文件夹中保存。恢复时先退出输入
法，再把文件复制回安装目录。
"""

# English key part, simplified, English value; the interface strings.
UI_TERMS = [
    ("File", "文件", "File"), ("New", "新建", "New"), ("Open", "打开", "Open"),
    ("Save", "保存", "Save"), ("SaveAs", "另存为", "Save As"), ("Close", "关闭", "Close"),
    ("Print", "打印", "Print"), ("PrintPreview", "打印预览", "Print Preview"),
    ("PageSetup", "页面设置", "Page Setup"), ("Exit", "退出", "Exit"), ("Edit", "编辑", "Edit"),
    ("Undo", "撤消", "Undo"), ("Redo", "重做", "Redo"), ("Cut", "剪切", "Cut"),
    ("Copy", "复制", "Copy"), ("Paste", "粘贴", "Paste"), ("Delete", "删除", "Delete"),
    ("SelectAll", "全选", "Select All"), ("Find", "查找", "Find"), ("FindNext", "查找下一个", "Find Next"),
    ("Replace", "替换", "Replace"), ("GoTo", "转到", "Go To"), ("View", "查看", "View"),
    ("Toolbar", "工具栏", "Toolbar"), ("StatusBar", "状态栏", "Status Bar"), ("Zoom", "缩放", "Zoom"),
    ("Options", "选项", "Options"), ("Tools", "工具", "Tools"), ("Help", "帮助", "Help"),
    ("About", "关于", "About"), ("Convert", "转换", "Convert"),
    ("ToTraditional", "转为繁体", "To Traditional"), ("ToSimplified", "转为简体", "To Simplified"),
    ("WordBase", "词库", "Word Base"), ("AddWord", "添加词语", "Add Word"),
    ("DeleteWord", "删除词语", "Delete Word"), ("ImportWords", "导入词语", "Import Words"),
    ("ExportWords", "导出词语", "Export Words"), ("Pinyin", "拼音", "Pinyin"),
    ("Pinxing", "拼形", "Pinxing"), ("Stroke", "笔画", "Stroke"), ("Keypad", "小键盘", "Keypad"),
    ("Shape", "字形", "Shape"), ("Candidate", "候选", "Candidate"), ("Window", "窗口", "Window"),
    ("Settings", "设置", "Settings"), ("Display", "显示", "Display"), ("Encoding", "编码", "Encoding"),
    ("Unicode", "统一码", "Unicode"), ("Gbk", "国标码", "GBK"), ("Big5", "大五码", "Big5"),
    ("Dictionary", "词典", "Dictionary"), ("Lookup", "查词", "Look Up"), ("Tutorial", "打字练习", "Typing Tutorial"),
    ("Lesson", "课程", "Lesson"), ("Speed", "速度", "Speed"), ("Score", "成绩", "Score"),
    ("Start", "开始", "Start"), ("Stop", "停止", "Stop"), ("Pause", "暂停", "Pause"),
    ("Next", "下一个", "Next"), ("Previous", "上一个", "Previous"), ("Page", "页", "Page"),
    ("Line", "行", "Line"), ("Column", "列", "Column"), ("Typeface", "字体", "Typeface"),
    ("Size", "大小", "Size"), ("Colour", "颜色", "Colour"), ("Background", "背景", "Background"),
    ("Sound", "声音", "Sound"), ("Hotkey", "快捷键", "Hotkey"), ("Punctuation", "标点", "Punctuation"),
    ("FullWidth", "全角", "Full Width"), ("HalfWidth", "半角", "Half Width"),
    ("ChineseMode", "中文状态", "Chinese Mode"), ("EnglishMode", "英文状态", "English Mode"),
    ("Tone", "声调", "Tone"), ("Fuzzy", "模糊音", "Fuzzy Sounds"), ("Frequency", "词频", "Word Frequency"),
    ("Backup", "备份", "Backup"), ("Restore", "恢复", "Restore"), ("Update", "更新", "Update"),
    ("Register", "注册", "Register"), ("Licence", "许可协议", "Licence"), ("Readme", "自述文件", "Read Me"),
    ("Guide", "使用指南", "Guide"), ("Samples", "输入示例", "Samples"), ("Parts", "部件", "Parts"),
    ("Radical", "部首", "Radical"), ("Phrase", "短语", "Phrase"), ("Saying", "成语", "Saying"),
    ("Symbol", "符号", "Symbol"), ("Number", "数字", "Number"), ("Date", "日期", "Date"),
    ("Clock", "时钟", "Clock"), ("Calendar", "日历", "Calendar"), ("Record", "记录", "Record"),
    ("Statistics", "统计", "Statistics"), ("Forecast", "联想", "Word Forecast"),
    ("Caret", "光标跟随", "Follow Caret"), ("Skin", "外观", "Appearance"), ("Reset", "复位", "Reset"),
    ("Default", "默认值", "Defaults"), ("Apply", "应用", "Apply"), ("Ok", "确定", "OK"),
    ("Cancel", "取消", "Cancel"), ("Yes", "是", "Yes"), ("No", "否", "No"), ("Retry", "重试", "Retry"),
    ("Ignore", "忽略", "Ignore"), ("Browse", "浏览", "Browse"), ("Folder", "文件夹", "Folder"),
    ("Recent", "最近的文件", "Recent Files"), ("Bookmark", "书签", "Bookmark"), ("Spell", "检查", "Check"),
    ("Count", "字数统计", "Word Count"), ("Sort", "排序", "Sort"), ("Upper", "大写", "Upper Case"),
    ("Lower", "小写", "Lower Case"), ("Insert", "插入", "Insert"), ("Overwrite", "改写", "Overwrite"),
]

UI_FORMS = [
    # key prefix, Chinese template, English template
    ("Menu", "{zh}(&{k})", "&{en}"),
    ("Tip", "{zh}", "{en}"),
    ("Status", "“{zh}”正在进行……", "{en}: working..."),
    ("Err", "无法完成“{zh}”，请稍后再试。", "Could not complete \"{en}\"; please try again later."),
]


# --------------------------------------------------------------------------
# Images

def bmp24(width, height, pixel):
    """A bottom-up 24-bit BMP; pixel(x, y) gives (r, g, b) with y = 0 at the top."""
    stride = (width * 3 + 3) & ~3
    pad = b"\0" * (stride - width * 3)
    rows = []
    for y in range(height - 1, -1, -1):
        row = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        rows.append(bytes(row) + pad)
    data = b"".join(rows)
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    return header + info + data


def png_rgb(width, height, pixel):
    rows = []
    for y in range(height):
        row = bytearray(b"\0")
        for x in range(width):
            row += bytes(pixel(x, y))
        rows.append(bytes(row))

    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body
                + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))

    ihdr = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr)
            + chunk(b"IDAT", zlib.compress(b"".join(rows), 9)) + chunk(b"IEND", b""))


def hue_colour(rng):
    base = [rng.randrange(40, 200) for _ in range(3)]
    base[rng.randrange(3)] = 230
    return tuple(base)


def keymap_bitmap(name, width=96, height=48):
    """A little keyboard: rows of light keys on a tinted plate."""
    rng = seeded(name)
    plate = hue_colour(rng)
    marked = {(rng.randrange(4), rng.randrange(10)) for _ in range(6)}
    key_w, key_h = width // 10, height // 4

    def pixel(x, y):
        row = y // key_h
        shifted = x - (row * key_w) // 3
        col, kx, ky = shifted // key_w, shifted % key_w, y % key_h
        if col < 0 or col >= 10 or kx == 0 or ky == 0 or row > 3:
            return plate
        if kx == key_w - 1 or ky == key_h - 1:
            return (90, 90, 90)
        if (row, col) in marked:
            return (250, 220, 120)
        return (235, 235, 235) if (kx + ky) % 7 else (215, 215, 215)

    return bmp24(width, height, pixel)


def banner_bitmap(name, width=164, height=314):
    """The tall picture at the side of a welcome page: a gradient with a band."""
    rng = seeded(name)
    top, bottom = hue_colour(rng), hue_colour(rng)
    band = rng.randrange(height // 4, height // 2)

    def pixel(x, y):
        t = y / (height - 1)
        c = tuple(int(a + (b - a) * t) for a, b in zip(top, bottom))
        if band <= y < band + 24:
            return (255, 255, 255) if (x // 6 + y // 6) % 2 else (240, 240, 250)
        if (x * x + (y - height) ** 2) < (width * 0.8) ** 2 and y > band + 24:
            return tuple(min(255, v + 30) for v in c)
        return c

    return bmp24(width, height, pixel)


def screenshot_png(name):
    """A small window picture: title bar, white client, grey lines of 'text'."""
    rng = seeded(name)
    width, height = rng.choice((160, 176, 200)), rng.choice((96, 112, 120))
    title = hue_colour(rng)
    lines = [(14 + 10 * i, rng.randrange(40, width - 16)) for i in range((height - 24) // 10)]
    highlight = rng.randrange(len(lines))
    row_of = {}
    for i, (y0, length) in enumerate(lines):
        for y in range(y0 + 10, y0 + 15):
            row_of[y] = (length, i == highlight)

    def pixel(x, y):
        if x == 0 or y == 0 or x == width - 1 or y == height - 1:
            return (64, 64, 64)
        if y < 14:
            if x > width - 14 and 3 < y < 11:
                return (200, 60, 60)
            return title
        entry = row_of.get(y)
        if entry and 8 <= x < 8 + entry[0]:
            return (70, 110, 200) if entry[1] else (150, 150, 150)
        return (255, 255, 255)

    return png_rgb(width, height, pixel)


# Baseline JPEG: standard quantisation and Huffman tables.
ZIGZAG = [
    0, 1, 8, 16, 9, 2, 3, 10, 17, 24, 32, 25, 18, 11, 4, 5,
    12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6, 7, 14, 21, 28,
    35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
    58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63,
]
Q_LUMA = [
    16, 11, 10, 16, 24, 40, 51, 61, 12, 12, 14, 19, 26, 58, 60, 55,
    14, 13, 16, 24, 40, 57, 69, 56, 14, 17, 22, 29, 51, 87, 80, 62,
    18, 22, 37, 56, 68, 109, 103, 77, 24, 35, 55, 64, 81, 104, 113, 92,
    49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99,
]
Q_CHROMA = [
    17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99,
    24, 26, 56, 99, 99, 99, 99, 99, 47, 66, 99, 99, 99, 99, 99, 99,
] + [99] * 32
DC_LUMA_BITS = [0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0]
DC_CHROMA_BITS = [0, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0]
DC_VALUES = list(range(12))
AC_LUMA_BITS = [0, 2, 1, 3, 3, 2, 4, 3, 5, 5, 4, 4, 0, 0, 1, 0x7D]
AC_LUMA_VALUES = bytes.fromhex(
    "01020300041105122131410613516107227114328191a1082342b1c11552d1f0"
    "2433627282090a161718191a25262728292a3435363738393a434445464748494a"
    "535455565758595a636465666768696a737475767778797a838485868788898a"
    "92939495969798999aa2a3a4a5a6a7a8a9aab2b3b4b5b6b7b8b9bac2c3c4c5c6"
    "c7c8c9cad2d3d4d5d6d7d8d9dae1e2e3e4e5e6e7e8e9eaf1f2f3f4f5f6f7f8f9fa")
AC_CHROMA_BITS = [0, 2, 1, 2, 4, 4, 3, 4, 7, 5, 4, 4, 0, 1, 2, 0x77]
AC_CHROMA_VALUES = bytes.fromhex(
    "000102031104052131061241510761711322328108144291a1b1c109233352f0"
    "156272d10a162434e125f11718191a262728292a35363738393a434445464748"
    "494a535455565758595a636465666768696a737475767778797a828384858687"
    "88898a92939495969798999aa2a3a4a5a6a7a8a9aab2b3b4b5b6b7b8b9bac2c3"
    "c4c5c6c7c8c9cad2d3d4d5d6d7d8d9dae2e3e4e5e6e7e8e9eaf2f3f4f5f6f7f8f9fa")


def huffman_codes(bits, values):
    codes, code, k = {}, 0, 0
    for length in range(1, 17):
        for _ in range(bits[length - 1]):
            codes[values[k]] = (code, length)
            code += 1
            k += 1
        code <<= 1
    return codes


def scaled_table(table, quality):
    scale = 5000 // quality if quality < 50 else 200 - 2 * quality
    return [max(1, min(255, (q * scale + 50) // 100)) for q in table]


class BitWriter:
    def __init__(self):
        self.out = bytearray()
        self.acc = 0
        self.n = 0

    def put(self, value, length):
        self.acc = (self.acc << length) | (value & ((1 << length) - 1))
        self.n += length
        while self.n >= 8:
            self.n -= 8
            byte = (self.acc >> self.n) & 0xFF
            self.out.append(byte)
            if byte == 0xFF:
                self.out.append(0)
        self.acc &= (1 << self.n) - 1

    def flush(self):
        if self.n:
            self.put((1 << (8 - self.n)) - 1, 8 - self.n)


COS = [[math.cos((2 * x + 1) * u * math.pi / 16) * (math.sqrt(0.5) if u == 0 else 1.0)
        for x in range(8)] for u in range(8)]


def fdct(block):
    """8x8 forward DCT of a level-shifted block, natural order."""
    rows = [[sum(block[y * 8 + x] * COS[u][x] for x in range(8)) / 2 for u in range(8)] for y in range(8)]
    out = [0.0] * 64
    for u in range(8):
        for v in range(8):
            out[v * 8 + u] = sum(rows[y][u] * COS[v][y] for y in range(8)) / 2
    return out


def jpeg(width, height, pixel, quality=85):
    """Baseline JPEG, YCbCr 4:4:4; width and height multiples of 8."""
    planes = ([], [], [])
    for y in range(height):
        for x in range(width):
            r, g, b = pixel(x, y)
            planes[0].append(0.299 * r + 0.587 * g + 0.114 * b - 128)
            planes[1].append(-0.168736 * r - 0.331264 * g + 0.5 * b)
            planes[2].append(0.5 * r - 0.418688 * g - 0.081312 * b)
    qtabs = (scaled_table(Q_LUMA, quality), scaled_table(Q_CHROMA, quality))
    dc_codes = (huffman_codes(DC_LUMA_BITS, DC_VALUES), huffman_codes(DC_CHROMA_BITS, DC_VALUES))
    ac_codes = (huffman_codes(AC_LUMA_BITS, AC_LUMA_VALUES), huffman_codes(AC_CHROMA_BITS, AC_CHROMA_VALUES))
    writer = BitWriter()
    previous = [0, 0, 0]
    for by in range(0, height, 8):
        for bx in range(0, width, 8):
            for c in range(3):
                t = 0 if c == 0 else 1
                plane = planes[c]
                block = [plane[(by + j) * width + bx + i] for j in range(8) for i in range(8)]
                coef = fdct(block)
                q = qtabs[t]
                zz = [int(round(coef[ZIGZAG[k]] / q[ZIGZAG[k]])) for k in range(64)]
                diff = zz[0] - previous[c]
                previous[c] = zz[0]
                size = abs(diff).bit_length()
                writer.put(*dc_codes[t][size])
                if size:
                    writer.put(diff if diff > 0 else diff + (1 << size) - 1, size)
                run = 0
                for k in range(1, 64):
                    v = zz[k]
                    if v == 0:
                        run += 1
                        continue
                    while run > 15:
                        writer.put(*ac_codes[t][0xF0])
                        run -= 16
                    size = abs(v).bit_length()
                    writer.put(*ac_codes[t][(run << 4) | size])
                    writer.put(v if v > 0 else v + (1 << size) - 1, size)
                    run = 0
                if run:
                    writer.put(*ac_codes[t][0x00])
    writer.flush()

    def segment(marker, body):
        return struct.pack(">BBH", 0xFF, marker, len(body) + 2) + body

    dqt = b"".join(bytes([i]) + bytes(qtabs[i][ZIGZAG[k]] for k in range(64)) for i in range(2))
    sof = struct.pack(">BHHB", 8, height, width, 3) + bytes((1, 0x11, 0, 2, 0x11, 1, 3, 0x11, 1))
    dht = b""
    for cls_id, bits, values in ((0x00, DC_LUMA_BITS, DC_VALUES), (0x10, AC_LUMA_BITS, AC_LUMA_VALUES),
                                 (0x01, DC_CHROMA_BITS, DC_VALUES), (0x11, AC_CHROMA_BITS, AC_CHROMA_VALUES)):
        dht += bytes([cls_id]) + bytes(bits) + bytes(values)
    sos = bytes((3, 1, 0x00, 2, 0x11, 3, 0x11, 0, 63, 0))
    return (b"\xFF\xD8" + segment(0xE0, b"JFIF\0\x01\x01\0\0\x01\0\x01\0\0")
            + segment(0xDB, dqt) + segment(0xC0, sof) + segment(0xC4, dht)
            + segment(0xDA, sos) + bytes(writer.out) + b"\xFF\xD9")


def keypad_photo(name):
    """A numeric keypad on a desk: 3x4 rounded keys, shaded."""
    rng = seeded(name)
    width, height = 128, 96
    desk = hue_colour(rng)
    ox, oy = rng.randrange(16, 40), rng.randrange(6, 14)

    def pixel(x, y):
        shade = 0.75 + 0.25 * (x + y) / (width + height)
        base = tuple(int(v * shade) for v in desk)
        kx, ky = x - ox, y - oy
        if 0 <= kx < 72 and 0 <= ky < 80:
            col, row = kx // 24, ky // 20
            ix, iy = kx % 24, ky % 20
            if 2 <= ix < 22 and 2 <= iy < 18:
                lit = 240 - 3 * iy
                if (row * 3 + col) % 5 == 0 and 8 <= ix < 16 and 6 <= iy < 14:
                    return (40, 40, 40)
                return (lit, lit, lit - 10)
            return (60, 60, 70)
        return base

    return jpeg(width, height, pixel)


# --------------------------------------------------------------------------
# Text files and pages

def html_page(name, names_in_manifest):
    stem = name.rsplit(".", 1)[0]
    low = stem.lower()
    if low.endswith("_en"):
        lang, base = "en", low[:-3]
    elif low.endswith("_b5"):
        lang, base = "b5", low[:-3]
    else:
        lang, base = "gbk", low
    col = {"gbk": 0, "b5": 1, "en": 2}[lang]
    charset = {"gbk": "gbk", "b5": "big5", "en": "us-ascii"}[lang]
    codec = {"gbk": "gbk", "b5": "big5", "en": "ascii"}[lang]
    titles = PAGE_TITLES.get(base, (stem, stem, stem))
    title = titles[col]
    rng = seeded(name)
    picks = rng.sample(range(len(PARAGRAPHS)), 5)

    def esc(text):
        return text.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")

    parts = [
        '<!DOCTYPE HTML PUBLIC "-//W3C//DTD HTML 4.01 Transitional//EN">',
        "<html>", "<head>", f'<meta charset="{charset}">', f"<title>{esc(title)}</title>",
        "<style>body{font-family:sans-serif;margin:16px}td,th{padding:2px 8px}</style>",
        "</head>", "<body>", f"<h1>{esc(title)}</h1>",
    ]
    for i in picks:
        parts.append(f"<p>{esc(PARAGRAPHS[i][col])}</p>")
    heads = (("拼音", "简体", "繁体", "英文"), ("拼音", "簡體", "繁體", "英文"),
             ("Pinyin", "Simplified", "Traditional", "English"))[col]
    parts.append('<table border="1">')
    parts.append("<tr>" + "".join(f"<th>{h}</th>" for h in heads) + "</tr>")
    for row in rng.sample(EXAMPLES, 6):
        # Hanzi the page's code page lacks become character references.
        cells = (esc(v).encode(codec, "xmlcharrefreplace").decode(codec) for v in row)
        parts.append("<tr>" + "".join(f"<td>{c}</td>" for c in cells) + "</tr>")
    parts.append("</table>")
    if base == "chinese_input_samples":
        for png in sorted(n for n in names_in_manifest if n.lower().startswith("pysamp")):
            parts.append(f'<p><img src="{png}" alt="{png}"></p>')
    see_also = ("参见", "參見", "See also")[col]
    links = []
    for other in sorted(names_in_manifest):
        o = other.lower()
        if not o.endswith((".htm", ".html")) or other == name:
            continue
        o_stem = o.rsplit(".", 1)[0]
        o_lang = "en" if o_stem.endswith("_en") else "b5" if o_stem.endswith("_b5") else "gbk"
        o_base = o_stem[:-3] if o_lang != "gbk" else o_stem
        if o_lang == lang and o_base in PAGE_TITLES:
            links.append(f'<li><a href="{other}">{esc(PAGE_TITLES[o_base][col])}</a></li>')
    if links:
        parts += [f"<h2>{see_also}</h2>", "<ul>"] + links + ["</ul>"]
    parts += ["<hr>", "<p>Copyright (c) Tavik Software</p>", "</body>", "</html>", ""]
    text = "\r\n".join(parts)
    try:
        return text.encode(codec)
    except UnicodeEncodeError as e:
        fail(f"{name}: text not encodable as {codec}: {e}")


def tips_text(english):
    lines = [t[1] if english else t[0] for t in TIPS]
    text = "\n".join(lines) + "\n"
    return crlf(text).encode("ascii" if english else "gbk")


def usage_list():
    first = [row[0] for row in char_table()]
    seen = set(first)
    rest = [ch for ch, _ in HANZI[:LEVEL1] if ch not in seen]
    return crlf("\n".join(first + rest) + "\n").encode("gbk")


def licence(path, codec):
    with open(path, encoding="utf-8") as f:
        text = f.read()
    text = text.replace("\r\n", "\n").rstrip("\n") + "\n"
    if codec == "gbk":
        try:
            text.encode("gb2312")
        except UnicodeEncodeError as e:
            bad = text[e.start:e.end]
            line = text.count("\n", 0, e.start) + 1
            fail(f"{path}:{line}: {bad!r} is not in GB2312; the installer has no glyph for it")
        for number, line in enumerate(text.split("\n")[:-1], 1):
            size = len(line.encode("gbk"))
            if size > LICENCE_LINE_MAX:
                fail(f"{path}:{number}: line is {size} GBK bytes, at most {LICENCE_LINE_MAX} fit the licence list")
    else:
        try:
            text.encode("ascii")
        except UnicodeEncodeError as e:
            fail(f"{path}: non-ASCII character {text[e.start:e.end]!r}")
    data = crlf(text).encode(codec)
    if len(data) >= 32768:
        fail(f"{path}: {len(data)} bytes is too long for a licence")
    return data


def ui_ini(english):
    """The [UI_STR] section: several hundred interface strings, some very long."""
    rng = seeded("chipadui_en.ini" if english else "chipadui.ini")
    lines = ["[UI_STR]"]
    for prefix, zh_form, en_form in UI_FORMS:
        for key, zh, en in UI_TERMS:
            letter = next((c for c in key if c.isupper()), "X")
            value = (en_form if english else zh_form).format(zh=zh, en=en, en_l=en.lower(), k=letter)
            lines.append(f"{prefix}{key}={value}")
    for i, (zh, en) in enumerate(TIPS, 1):
        lines.append(f"Hint{i}={en if english else zh}")
    codec = "ascii" if english else "gbk"
    # A few help strings close to the 1,000-byte mark exercise the long-line paths.
    for i in range(1, 6):
        key = f"HelpText{i}="
        limit = 1000 - 2 - rng.randrange(0, 30)
        order = rng.sample(range(len(PARAGRAPHS)), len(PARAGRAPHS)) * 2
        text = (" " if english else "").join(PARAGRAPHS[p][2 if english else 0] for p in order)
        value = ""
        for ch in text:
            if len((key + value + ch).encode(codec)) > limit:
                break
            value += ch
        lines.append(key + value.rstrip())
    lines.append("Copyright=Copyright (c) Tavik Software")
    section = crlf("\n".join(lines) + "\n\n").encode(codec)
    for word in INI_RESERVED:
        if word in section.lower():
            fail(f"chipadui: the interface strings must not mention {word.decode()}")
    return section + b"[Config]\r\nUseBmpFont=0\r\n\r\n"


def readme_igb(name):
    """A help document as a small binary: header, line offsets, text."""
    english = "_en" in name.lower()
    codec = "ascii" if english else "gbk"
    col = 2 if english else 0
    rng = seeded(name)
    lines = [PARAGRAPHS[i][col] for i in rng.sample(range(len(PARAGRAPHS)), rng.randrange(4, 10))]
    lines += [t[1] if english else t[0] for t in rng.sample(TIPS, rng.randrange(6, len(TIPS)))]
    blobs = [line.encode(codec) + b"\0" for line in lines]
    offsets, at = [], 0
    for b in blobs:
        offsets.append(at)
        at += len(b)
    head = magic_of(name) + struct.pack("<II", len(blobs), 12 + 4 * len(blobs))
    return head + struct.pack(f"<{len(offsets)}I", *offsets) + b"".join(blobs)


# --------------------------------------------------------------------------
# Dictionaries

def magic_of(name):
    letters = re.sub(r"[^A-Za-z0-9]", "", name.rsplit(".", 1)[0]).upper()
    return (letters + "XXXX")[:4].encode("ascii")


def syllable_of(index):
    # Level-1 GB2312 hanzi run in pinyin order, so this is roughly right.
    if index < LEVEL1:
        return index * len(SYLLABLES) // LEVEL1
    return (index * 7919) % len(SYLLABLES)


def target_size(name):
    rng = seeded(name + "#size")
    return int(4096 * 100 ** rng.random())


def zi_records(rng, size):
    """Per-character rows in code order: hanzi, syllable, tone, strokes, frequency, code."""
    rec = struct.Struct("<2sHBBH4s")
    out, i = [], 0
    freq = 60000
    strokes = "hspdz"
    while i * rec.size < size:
        k = i % len(HANZI)
        raw = HANZI[k][1]
        s = syllable_of(k)
        syl = SYLLABLES[s]
        code = (syl[:2] + rng.choice(strokes) + rng.choice(strokes)).encode()
        if k < LEVEL1:
            freq = max(1, freq - rng.choice((0, 0, 1, 2, 5, 16)))
        out.append(rec.pack(raw, s, 1 + (k * 7 + s) % 4 if rng.random() < 0.8 else 5,
                            4 + (k * 13) % 17, freq if k < LEVEL1 else 1, code))
        i += 1
    return i, rec.size, b"".join(out)


def word_records(rng, size, with_offsets):
    """Words of two to four hanzi, sorted, with syllables and frequency."""
    words = []
    total = 0
    while total < size:
        length = rng.choice((2, 2, 2, 2, 3, 4))
        idx = [min(LEVEL1 - 1, int(1200 * rng.random() ** 2))]
        idx += [min(LEVEL1 - 1, int(LEVEL1 * rng.random() ** 2.5)) for _ in range(length - 1)]
        raw = b"".join(HANZI[k][1] for k in idx)
        body = (bytes([length]) + raw + struct.pack(f"<{length}H", *(syllable_of(k) for k in idx))
                + struct.pack("<H", int(1000 * rng.random() ** 8) + 1))
        words.append((raw, body))
        total += len(body) + (4 if with_offsets else 0)
    words.sort()
    bodies = [b for _, b in words]
    if not with_offsets:
        return len(bodies), 0, b"".join(bodies)
    offsets, at = [], 0
    for b in bodies:
        offsets.append(at)
        at += len(b)
    return len(bodies), 4, struct.pack(f"<{len(offsets)}I", *offsets) + b"".join(bodies)


def parts_records(rng, size):
    """Character decompositions: hanzi, part count, part numbers."""
    out, total, i = [], 0, 0
    while total < size:
        raw = HANZI[i % len(HANZI)][1]
        count = 1 + min(5, int(rng.expovariate(0.9)))
        parts = [1 + min(499, int(rng.expovariate(0.04))) for _ in range(count)]
        body = raw + bytes([count]) + struct.pack(f"<{count}H", *parts)
        out.append(body)
        total += len(body)
        i += 1
    return i, 0, b"".join(out)


def map_records(rng, size):
    """Code to code tables: ascending source code, mostly ascending target."""
    rec = struct.Struct("<HHH")
    out, n = [], 0
    src, dst = 0x8140, 0xA140
    while n * rec.size < size:
        src += 1 if rng.random() < 0.8 else 2 + int(rng.expovariate(0.5))
        dst += 1 if rng.random() < 0.9 else rng.randrange(2, 400)
        out.append(rec.pack(src & 0xFFFF, dst & 0xFFFF, 0 if rng.random() < 0.85 else rng.randrange(1, 8)))
        n += 1
    return n, rec.size, b"".join(out)


def dictionary(name, first_byte_high=False, size=None):
    rng = seeded(name)
    size = size or target_size(name)
    low = name.lower()
    if low.endswith(".map") or low.startswith(("gbk2b5", "b5gbk")):
        count, rec_size, body = map_records(rng, size)
    elif low.endswith(".dat"):
        count, rec_size, body = parts_records(rng, size)
    elif low.endswith((".idx", ".igb")) or "ci" in low or "words" in low:
        count, rec_size, body = word_records(rng, size, low.endswith(".idx"))
    else:
        count, rec_size, body = zi_records(rng, size)
    magic = magic_of(name)
    if first_byte_high:
        magic = bytes([magic[0] | 0x80]) + magic[1:]
    return magic + struct.pack("<IHH", count, rec_size, 1) + body


def extra_blob(payload_id):
    rng = random.Random(payload_id * 7919 + 17)
    count = rng.randrange(64, 512)
    rows = [struct.pack("<HH", i, rng.randrange(0, 4096) >> rng.randrange(0, 8)) for i in range(count)]
    return b"TVKX" + struct.pack("<II", payload_id, count) + b"".join(rows)


def chm(name):
    """An ITSF container with a directory and the pages stored uncompressed."""
    pages = []
    for i, (zh, _, en) in enumerate(PARAGRAPHS):
        html = (f"<html><head><title>{en[:40]}</title></head><body><p>{en}</p><p>{zh}</p></body></html>")
        pages.append((f"/topic{i + 1:02d}.htm", html.encode("gbk")))
    pages.insert(0, ("/index.htm", "<html><body><h1>Tavik Chinese Input Engine</h1></body></html>".encode()))
    content = b""
    entries = b""

    def encint(v):
        out = [v & 0x7F]
        v >>= 7
        while v:
            out.append(0x80 | (v & 0x7F))
            v >>= 7
        return bytes(reversed(out))

    for path, data in pages:
        entries += encint(len(path)) + path.encode() + encint(0) + encint(len(content)) + encint(len(data))
        content += data
    chunk_size = 0x1000
    pmgl = b"PMGL" + struct.pack("<IIii", chunk_size - 20 - len(entries), 0, -1, -1) + entries
    pmgl += b"\0" * (chunk_size - len(pmgl) - 2) + struct.pack("<H", len(pages))
    guid_dir = bytes.fromhex("6a92025d2e21d0119df900a0c922e6ec")
    itsp = (b"ITSP" + struct.pack("<IIIIIIiiiiII", 1, 0x54, 10, chunk_size, 2, 1, -1, 0, 0, -1, 1, 0x0804)
            + guid_dir + struct.pack("<Iiii", 0x54, -1, -1, -1))
    header_len = 0x60
    sec0_off = header_len
    sec1_off = sec0_off + 0x18
    content_off = sec1_off + len(itsp) + len(pmgl)
    total = content_off + len(content)
    itsf = (b"ITSF" + struct.pack("<IIIII", 3, header_len, 1, 0x5A3B1C00, 0x0804)
            + bytes.fromhex("10fd017caa7bd0119e0c00a0c922e6ec") + bytes.fromhex("11fd017caa7bd0119e0c00a0c922e6ec")
            + struct.pack("<QQQQQ", sec0_off, 0x18, sec1_off, len(itsp) + len(pmgl), content_off))
    sec0 = struct.pack("<IIQQ", 0x1FE, 0, total, 0)
    return itsf + sec0 + itsp + pmgl + content


# --------------------------------------------------------------------------
# The big dictionary text

def cedict(rng, size):
    table = char_table()
    english = sorted(set(ENGLISH_WORDS.split()))
    rng.shuffle(english)

    def skewed(n, power):
        return min(n - 1, int(n * rng.random() ** power))

    def word():
        length = rng.choices((1, 2, 3, 4), (3, 10, 3, 3))[0]
        return [table[skewed(len(table), 1.6)] for _ in range(length)]

    def entry_head(rows):
        return ("".join(r[1] for r in rows) + " " + "".join(r[0] for r in rows)
                + " [" + " ".join(r[2] for r in rows) + "]")

    def reference(rows):
        trad, simp = "".join(r[1] for r in rows), "".join(r[0] for r in rows)
        return (trad if trad == simp else trad + "|" + simp) + "[" + " ".join(r[2] for r in rows) + "]"

    measure = [[r] for r in table if r[0] in "个张条本件位只次"]
    pool = [entry_head(word()) + " /" for _ in range(12000)]
    glosses = []
    for _ in range(16000):
        senses = []
        for _ in range(rng.choices((1, 2, 3, 4), (4, 4, 2, 1))[0]):
            n = rng.choices((1, 2, 3), (5, 3, 1))[0]
            lead = rng.choice(("", "", "", "to ", "a ", "the ", "(of) ", "one's "))
            senses.append(lead + " ".join(english[skewed(len(english), 2.4)] for _ in range(n)))
        kind = rng.random()
        if kind < 0.15:
            senses.append("CL:" + reference(rng.choice(measure)))
        elif kind < 0.22:
            senses.insert(0, "variant of " + reference(word()))
        elif kind < 0.26:
            senses.insert(0, "surname " + english[skewed(len(english), 1.0)].capitalize())
        elif kind < 0.30:
            senses.append("see also " + reference(word()))
        glosses.append("/".join(senses) + "/\n")
    head = ("# Tavik sample dictionary: traditional simplified [pinyin] /English/\n"
            "# Made up from a few hundred characters for the installer's sample payload.\n"
            "#! version=1\n#! charset=UTF-8\n")
    pieces = [head]
    have = len(head.encode())
    batch = 20000
    line_bytes = 0
    while True:
        wi = [skewed(len(pool), 1.3) for _ in range(batch)]
        gi = [skewed(len(glosses), 1.5) for _ in range(batch)]
        lines = sorted(pool[w] + glosses[g] for w, g in zip(wi, gi))
        chunk = "".join(lines)
        chunk_len = len(chunk.encode())
        if have + chunk_len + 400 <= size:
            pieces.append(chunk)
            have += chunk_len
            continue
        for line in lines:
            line_bytes = len(line.encode())
            if have + line_bytes + 200 > size:
                break
            pieces.append(line)
            have += line_bytes
        break
    # The last line takes up exactly what is left.
    start = pool[rng.randrange(len(pool))]
    room = size - have - len(start.encode()) - 2
    words = []
    while room - len(" ".join(words)) > 24:
        words.append(rng.choice(english))
    # Whole words to the exact byte: one, two or three more of suitable lengths.
    by_length = {}
    for w in english:
        by_length.setdefault(len(w), []).append(w)
    need = room - len(" ".join(words)) - (1 if words else 0)
    for k in (1, 2, 3):
        fits = [c for c in itertools.product(sorted(by_length), repeat=k) if sum(c) + k - 1 == need]
        if fits:
            words += [rng.choice(by_length[n]) for n in fits[rng.randrange(len(fits))]]
            break
    pieces.append(start + " ".join(words) + "/\n")
    data = "".join(pieces).encode()
    if len(data) != size:
        fail(f"cedict_ts.u8 came out {len(data)} bytes, not {size}")
    return data


# --------------------------------------------------------------------------

def read_manifest(path):
    with open(path, encoding="utf-8") as f:
        text = f.read()
    rows = [(int(m.group(1)), m.group(2)) for m in ROW.finditer(text)]
    rows = [(i, n) for i, n in rows if i]
    extra = EXTRA.search(text)
    if not rows:
        fail(f"{path}: no file rows found")
    if not extra:
        fail(f"{path}: no list of extra payload ids")
    extras = [int(x) for x in extra.group(1).split(",") if x.strip()]
    ids = [i for i, _ in rows] + extras
    if len(ids) != len(set(ids)):
        fail(f"{path}: payload ids repeat")
    return rows, extras


def read_bytes(path, what):
    try:
        with open(path, "rb") as f:
            return f.read()
    except OSError as e:
        fail(f"cannot read the {what}: {e}")


def content_for(name, args, names, cache):
    low = name.lower()
    ext = low.rsplit(".", 1)[-1] if "." in low else ""
    if low == "chnbmp.bin":
        return cache["atlas"]
    if low == "license_cn.txt":
        return licence(args.licence_cn, "gbk")
    if low == "license_en.txt":
        return licence(args.licence_en, "ascii")
    if low == "tvkuninstall.exe" and "uninstaller" in cache:
        return cache["uninstaller"]
    if low in PLACEHOLDER_PROGRAMS or ext == "exe":
        return cache["exe"]
    if ext == "dll":
        return cache["dll"]
    if low == "chipadui.ini":
        return ui_ini(False)
    if low == "chipadui_en.ini":
        return ui_ini(True)
    if low == "cedict_ts.u8":
        return cedict(seeded(name), CEDICT_SIZE)
    if low == "pycizudic.idx":
        # The word base reader takes a clear top bit as an older format.
        return dictionary(name, first_byte_high=True, size=420000)
    if low in ("pxcizudic.idx", "cizuflat.igb"):
        return dictionary(name, size=360000 if low.startswith("px") else 640000)
    if low == "tips.txt":
        return tips_text(False)
    if low == "tips_en.txt":
        return tips_text(True)
    if low == "cikuguide.txt":
        return crlf(CIKU_GUIDE).encode("gbk")
    if low == "zi_ordered_by_usage.txt":
        return usage_list()
    if ext == "bmp":
        if low.startswith("welcome"):
            return banner_bitmap(name)
        return keymap_bitmap(name)
    if ext == "png":
        return screenshot_png(name)
    if ext in ("jpg", "jpeg"):
        return keypad_photo(name)
    if ext in ("htm", "html"):
        return html_page(name, names)
    if ext == "chm":
        return chm(name)
    if ext == "igb" and ("readme" in low or "faq" in low):
        return readme_igb(name)
    if ext == "txt":
        english = low.rsplit(".", 1)[0].endswith("_en")
        return tips_text(english)
    return dictionary(name)


def write_if_changed(path, data):
    try:
        with open(path, "rb") as f:
            if f.read() == data:
                return False
    except OSError:
        pass
    tmp = path + ".tmp"
    with open(tmp, "wb") as f:
        f.write(data)
    os.replace(tmp, path)
    return True


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--manifest", required=True)
    ap.add_argument("--out", required=True)
    ap.add_argument("--atlas", required=True)
    ap.add_argument("--placeholder-exe", required=True)
    ap.add_argument("--keyhook-dll", required=True)
    ap.add_argument("--uninstaller-exe", help="the real uninstaller; the placeholder stands in without it")
    ap.add_argument("--licence-cn", required=True)
    ap.add_argument("--licence-en", required=True)
    args = ap.parse_args()

    started = time.monotonic()
    rows, extras = read_manifest(args.manifest)
    names = [n for _, n in rows]
    cache = {
        "atlas": read_bytes(args.atlas, "glyph atlas"),
        "exe": read_bytes(args.placeholder_exe, "placeholder program"),
        "dll": read_bytes(args.keyhook_dll, "keyhook DLL"),
    }
    if args.uninstaller_exe:
        cache["uninstaller"] = read_bytes(args.uninstaller_exe, "uninstaller")
    outputs = {}
    for payload_id, name in rows:
        outputs[payload_id] = content_for(name, args, names, cache)
    for payload_id in extras:
        outputs[payload_id] = extra_blob(payload_id)

    os.makedirs(args.out, exist_ok=True)
    wanted = {f"{i}.bin" for i in outputs}
    for stale in os.listdir(args.out):
        if (stale.endswith(".bin") and stale not in wanted) or stale.endswith(".bin.tmp"):
            os.remove(os.path.join(args.out, stale))
    written = 0
    for payload_id, data in sorted(outputs.items()):
        written += write_if_changed(os.path.join(args.out, f"{payload_id}.bin"), data)
    total = sum(len(d) for d in outputs.values())
    print(f"sample payload: {len(outputs)} files, {total} bytes ({written} rewritten) "
          f"in {time.monotonic() - started:.1f} s")


if __name__ == "__main__":
    main()
