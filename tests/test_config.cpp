// The configuration update: the two keys' values change, every other byte stays.
#include <gtest/gtest.h>

#include "install/ini_update.h"
#include "install/install.h"
#include "base/base.h"
#include "support/e2e_driver.h"
#include "support/e2e_faults.h"
#include "support/tavik_test.h"

static const DWORD RO = FILE_ATTRIBUTE_READONLY, HID = FILE_ATTRIBUTE_HIDDEN;

struct IniCase {
    const char *what;
    std::string before;
    int display_ok, force_language;
    std::string after;
};

static const std::string LONG_TEXT(300, 'x');

static const IniCase ini_cases[] = {
    {"shipped layout: value rewritten, ForceLanguage appended",
     "[UI_STR]\r\nOpen=打开\r\n[Config]\r\nUseBmpFont=0\r\n\r\n", 0, 2,
     "[UI_STR]\r\nOpen=打开\r\n[Config]\r\nUseBmpFont=1\r\n\r\n\r\nForceLanguage=2\r\n"},
    {"both present: rewritten in place, nothing appended",
     "[Config]\r\nUseBmpFont=0\r\nForceLanguage=0\r\n\r\n", 1, 1,
     "[Config]\r\nUseBmpFont=0\r\nForceLanguage=1\r\n\r\n"},
    {"empty file", "", 0, 0, "\r\n\r\n[Config]\r\n\r\n\r\nUseBmpFont=1\r\n\r\nForceLanguage=0\r\n"},
    {"no [Config] section", "[UI_STR]\r\nA=b\r\n", 1, 2,
     "[UI_STR]\r\nA=b\r\n\r\n\r\n[Config]\r\n\r\n\r\nUseBmpFont=0\r\n\r\nForceLanguage=2\r\n"},
    {"several digits become one", "[Config]\r\nForceLanguage=10\r\nUseBmpFont=0\r\n", 0, 2,
     "[Config]\r\nForceLanguage=2\r\nUseBmpFont=1\r\n"},
    {"a longer value is replaced, what follows it on the line stays",
     "[Config]\r\nUseBmpFont=yes please\r\nForceLanguage= 012;x\r\n", 1, 0,
     "[Config]\r\nUseBmpFont=0 please\r\nForceLanguage= 0;x\r\n"},
    {"a comment after the value stays", "[Config]\r\nUseBmpFont=0 ; set by setup\r\nForceLanguage=1\t#\r\n",
     0, 2, "[Config]\r\nUseBmpFont=1 ; set by setup\r\nForceLanguage=2\t#\r\n"},
    {"empty values", "[Config]\r\nUseBmpFont=\r\nForceLanguage=\r\n", 0, 1,
     "[Config]\r\nUseBmpFont=1\r\nForceLanguage=1\r\n"},
    {"keys inside UI strings are not keys",
     "[UI_STR]\r\nHint=set UseBmpFont=0 or ForceLanguage=1\r\n[Config]\r\nUseBmpFont=0\r\n", 0, 1,
     "[UI_STR]\r\nHint=set UseBmpFont=0 or "
     "ForceLanguage=1\r\n[Config]\r\nUseBmpFont=1\r\n\r\nForceLanguage=1\r\n"},
    {"keys of other sections are left alone", "[UI_STR]\r\nUseBmpFont=0\r\nForceLanguage=7\r\n[Config]\r\n",
     0, 1,
     "[UI_STR]\r\nUseBmpFont=0\r\nForceLanguage=7\r\n[Config]\r\n\r\nUseBmpFont="
     "1\r\n\r\nForceLanguage=1\r\n"},
    {"both keys before any [Config]: a header is appended, nothing overwritten",
     "UseBmpFont=0\r\nForceLanguage=0\r\n[UI_STR]\r\nA=b\r\n", 0, 1,
     "UseBmpFont=0\r\nForceLanguage=0\r\n[UI_STR]\r\nA=b\r\n\r\n\r\n[Config]\r\n\r\n\r\nUseBmpFont="
     "1\r\n\r\nForceLanguage=1\r\n"},
    {"leading blanks and blanks before '=' are kept", "[Config]\r\n  UseBmpFont=0\r\n\tForceLanguage =1\r\n",
     0, 2, "[Config]\r\n  UseBmpFont=1\r\n\tForceLanguage =2\r\n"},
    {"a longer key with the same start is another key",
     "[Config]\r\nUseBmpFontSize=0\r\nForceLanguageX=5\r\n", 0, 2,
     "[Config]\r\nUseBmpFontSize=0\r\nForceLanguageX=5\r\n\r\nUseBmpFont=1\r\n\r\nForceLanguage="
     "2\r\n"},
    {"LF-only line ends are kept", "[Config]\nUseBmpFont=0\nForceLanguage=1\n", 0, 0,
     "[Config]\nUseBmpFont=1\nForceLanguage=0\n"},
    {"missing final line end", "[Config]\r\nUseBmpFont=0", 0, 1,
     "[Config]\r\nUseBmpFont=1\r\nForceLanguage=1\r\n"},
    {"[Config] followed by another section: keys go into [Config]",
     "[Config]\r\nUseBmpFont=0\r\n\r\n[Other]\r\nk=v\r\n", 0, 2,
     "[Config]\r\nUseBmpFont=1\r\n\r\nForceLanguage=2\r\n[Other]\r\nk=v\r\n"},
    {"both missing before another section", "[Config]\r\n[Other]\r\nUseBmpFont=0\r\n", 1, 1,
     "[Config]\r\nUseBmpFont=0\r\nForceLanguage=1\r\n[Other]\r\nUseBmpFont=0\r\n"},
    {"first occurrence in [Config] wins", "[Config]\r\nUseBmpFont=0\r\nUseBmpFont=0\r\n", 0, 0,
     "[Config]\r\nUseBmpFont=1\r\nUseBmpFont=0\r\n\r\nForceLanguage=0\r\n"},
    {"a second [Config] is left alone", "[Config]\r\nA=1\r\n[Config]\r\nUseBmpFont=0\r\n", 0, 1,
     "[Config]\r\nA=1\r\nUseBmpFont=1\r\nForceLanguage=1\r\n[Config]\r\nUseBmpFont=0\r\n"},
    {"very long lines are read whole",
     "[UI_STR]\r\nLong=" + LONG_TEXT + "UseBmpFont=0\r\n[Config]\r\nUseBmpFont=0\r\n", 0, 2,
     "[UI_STR]\r\nLong=" + LONG_TEXT + "UseBmpFont=0\r\n[Config]\r\nUseBmpFont=1\r\n\r\nForceLanguage=2\r\n"},
    {"a long value line in [Config]",
     "[Config]\r\nUseBmpFont=" + LONG_TEXT + "\r\nNote=" + LONG_TEXT + "ForceLanguage=1\r\n", 0, 2,
     "[Config]\r\nUseBmpFont=1\r\nNote=" + LONG_TEXT + "ForceLanguage=1\r\n\r\nForceLanguage=2\r\n"},
    {"section and key names in another case", "[config]\r\nusebmpfont=0\r\nFORCELANGUAGE=0\r\n", 0, 1,
     "[config]\r\nusebmpfont=1\r\nFORCELANGUAGE=1\r\n"},
    {"blanks around the header", "  [Config] \r\nUseBmpFont=0\r\nForceLanguage=0\r\n", 0, 2,
     "  [Config] \r\nUseBmpFont=1\r\nForceLanguage=2\r\n"},
    {"a header with more text is another section", "[Config2]\r\nUseBmpFont=0\r\n", 0, 0,
     "[Config2]\r\nUseBmpFont=0\r\n\r\n\r\n[Config]\r\n\r\n\r\nUseBmpFont=1\r\n\r\nForceLanguage="
     "0\r\n"},
    {"UTF-8 mark before the header", "\xEF\xBB\xBF[Config]\r\nUseBmpFont=0\r\nForceLanguage=2\r\n", 0, 0,
     "\xEF\xBB\xBF[Config]\r\nUseBmpFont=1\r\nForceLanguage=0\r\n"},
    {"GBK text and a lone CR stay as they were",
     "[UI_STR]\r\n键=值\r\r\n[Config]\r\nForceLanguage=1\r\nUseBmpFont=1\r\n", 1, 0,
     "[UI_STR]\r\n键=值\r\r\n[Config]\r\nForceLanguage=0\r\nUseBmpFont=0\r\n"},
    {"two CRs before the LF of a value line: both stay", "[Config]\r\nUseBmpFont=1\r\r\nForceLanguage=0\r\n",
     1, 2, "[Config]\r\nUseBmpFont=0\r\r\nForceLanguage=2\r\n"},
    {"negative language number", "[Config]\r\nUseBmpFont=0\r\nForceLanguage=1\r\n", 0, -1,
     "[Config]\r\nUseBmpFont=1\r\nForceLanguage=-1\r\n"},
};

TEST(IniText, EditsOnlyTheTwoValues)
{
    for (const IniCase &c : ini_cases)
        EXPECT_EQ(c.after, update_config_text(c.before, c.display_ok, c.force_language)) << c.what;
}

TEST(IniText, UpdatingTwiceChangesNothingMore)
{
    for (const IniCase &c : ini_cases) {
        std::string once = update_config_text(c.before, c.display_ok, c.force_language);
        EXPECT_EQ(once, update_config_text(once, c.display_ok, c.force_language)) << c.what;
    }
}

class ConfigFile : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        dir = fresh_dir(std::string("config-") +
                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
        folder = dir;
        ini = dir + "\\chipadui.ini";
    }
    std::string text() const
    {
        std::vector<unsigned char> bytes = read_file(ini);
        return std::string(bytes.begin(), bytes.end());
    }
    int update(int display_ok, int force_language)
    {
        return update_config_file(folder.c_str(), display_ok, force_language);
    }
    std::string dir, folder, ini;
};

TEST_F(ConfigFile, ShippedFileGrowsByExactlyNineteenBytes)
{
    use_setup_resources();
    std::vector<unsigned char> shipped = setup_payload(120);
    ASSERT_FALSE(shipped.empty());
    std::string before(shipped.begin(), shipped.end());
    // The shipped file ends with its [Config] section: "UseBmpFont=0" and a blank line.
    const std::string tail = "[Config]\r\nUseBmpFont=0\r\n\r\n";
    ASSERT_GE(before.size(), tail.size());
    ASSERT_EQ(tail, before.substr(before.size() - tail.size()));
    ASSERT_EQ(std::string::npos, before.find("ForceLanguage"));
    ASSERT_TRUE(write_file(ini, before));
    protect_file(ini, true, true);

    EXPECT_EQ(1, update(0, 2));
    std::string expected = before;
    expected[before.size() - 5] = '1';
    expected += "\r\nForceLanguage=2\r\n";
    EXPECT_EQ(before.size() + 19, text().size());
    EXPECT_EQ(expected, text());
    EXPECT_EQ(RO | HID, attributes_of(ini) & (RO | HID));
    EXPECT_EQ(std::vector<std::string>{"chipadui.ini"}, sorted_entries(dir));
}

TEST_F(ConfigFile, ExistingLinesAreRewrittenInPlace)
{
    ASSERT_TRUE(write_file(ini, "[Config]\r\nUseBmpFont=1\r\nForceLanguage=0\r\n"));
    EXPECT_EQ(1, update(1, 1));
    EXPECT_EQ("[Config]\r\nUseBmpFont=0\r\nForceLanguage=1\r\n", text());
}

TEST_F(ConfigFile, EmptyFileAndFileWithoutConfigGetTheSection)
{
    ASSERT_TRUE(write_file(ini, ""));
    EXPECT_EQ(1, update(1, 0));
    EXPECT_EQ("\r\n\r\n[Config]\r\n\r\n\r\nUseBmpFont=0\r\n\r\nForceLanguage=0\r\n", text());

    ASSERT_TRUE(SetFileAttributesA(ini.c_str(), FILE_ATTRIBUTE_NORMAL));
    ASSERT_TRUE(write_file(ini, "[UI_STR]\r\nOK=确定\r\n"));
    EXPECT_EQ(1, update(0, 1));
    EXPECT_EQ("[UI_STR]\r\nOK=确定\r\n\r\n\r\n[Config]\r\n\r\n\r\nUseBmpFont="
              "1\r\n\r\nForceLanguage=1\r\n",
              text());
}

TEST_F(ConfigFile, MissingFileStaysMissing)
{
    EXPECT_EQ(1, update(0, 2));
    EXPECT_EQ(std::vector<std::string>(), sorted_entries(dir));
}

TEST_F(ConfigFile, EndsReadOnlyAndHiddenAndKeepsOtherBits)
{
    struct {
        bool read_only, hidden;
    } starts[] = {{false, false}, {true, false}, {false, true}, {true, true}};
    for (const auto &s : starts) {
        SetFileAttributesA(ini.c_str(), FILE_ATTRIBUTE_NORMAL);
        ASSERT_TRUE(write_file(ini, "[Config]\r\nUseBmpFont=0\r\n"));
        SetFileAttributesA(ini.c_str(), FILE_ATTRIBUTE_SYSTEM);
        protect_file(ini, s.read_only, s.hidden);
        EXPECT_EQ(1, update(0, 1));
        EXPECT_EQ("[Config]\r\nUseBmpFont=1\r\n\r\nForceLanguage=1\r\n", text());
        DWORD a = attributes_of(ini);
        EXPECT_EQ(RO | HID, a & (RO | HID)) << s.read_only << s.hidden;
        EXPECT_TRUE(a & FILE_ATTRIBUTE_SYSTEM) << s.read_only << s.hidden;
        // Read-only for real: a plain write is refused.
        FILE *f = fopen(ini.c_str(), "ab");
        EXPECT_EQ(nullptr, f);
        if (f)
            fclose(f);
    }
}

TEST_F(ConfigFile, UnchangedContentsStillEndProtected)
{
    ASSERT_TRUE(write_file(ini, "[Config]\r\nUseBmpFont=1\r\nForceLanguage=2\r\n"));
    EXPECT_EQ(1, update(0, 2));
    EXPECT_EQ("[Config]\r\nUseBmpFont=1\r\nForceLanguage=2\r\n", text());
    EXPECT_EQ(RO | HID, attributes_of(ini) & (RO | HID));
}

TEST_F(ConfigFile, FileInUseLosesNoByte)
{
    const std::string before = "[UI_STR]\r\nA=b\r\n[Config]\r\nUseBmpFont=0\r\n";
    ASSERT_TRUE(write_file(ini, before));
    FileHolder holder = hold_file(ini);
    ASSERT_TRUE(holder.process);
    EXPECT_EQ(1, update(0, 2));
    release_file(holder);
    EXPECT_EQ(before, text());
    EXPECT_EQ((std::vector<std::string>{"chipadui.ini", "chipadui.ini.held"}), sorted_entries(dir));
}

// Read but not replaceable (mapped into memory, which no open sees): the original keeps its
// bytes and all its bits, and the new text goes nowhere.
TEST_F(ConfigFile, OriginalKeepsItsBitsWhenItCannotBeReplaced)
{
    const std::string before = "[Config]\r\nUseBmpFont=0\r\n";
    ASSERT_TRUE(write_file(ini, before));
    SetFileAttributesA(ini.c_str(), FILE_ATTRIBUTE_SYSTEM);
    protect_file(ini, true, true);
    HANDLE file = CreateFileA(ini.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    HANDLE mapping = CreateFileMappingA(file, NULL, PAGE_READONLY, 0, 0, NULL);
    CloseHandle(file);
    ASSERT_TRUE(mapping);
    const void *view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
    ASSERT_TRUE(view);
    EXPECT_EQ(1, update(0, 2));
    UnmapViewOfFile(view);
    CloseHandle(mapping);
    EXPECT_EQ(before, text());
    EXPECT_EQ(RO | HID | FILE_ATTRIBUTE_SYSTEM, attributes_of(ini) & (RO | HID | FILE_ATTRIBUTE_SYSTEM));
    EXPECT_EQ(std::vector<std::string>{"chipadui.ini"}, sorted_entries(dir));
}

// A temporary name already taken is left as it is; another is used.
TEST_F(ConfigFile, TakenTemporaryNameIsLeftAlone)
{
    ASSERT_TRUE(write_file(dir + "\\~tvkini.tmp", "left over"));
    ASSERT_TRUE(write_file(ini, "[Config]\r\nUseBmpFont=0\r\n"));
    EXPECT_EQ(1, update(1, 2));
    EXPECT_EQ("[Config]\r\nUseBmpFont=0\r\n\r\nForceLanguage=2\r\n", text());
    std::vector<unsigned char> kept = read_file(dir + "\\~tvkini.tmp");
    EXPECT_EQ("left over", std::string(kept.begin(), kept.end()));
    EXPECT_EQ((std::vector<std::string>{"chipadui.ini", "~tvkini.tmp"}), sorted_entries(dir));
}

// A link at the name is replaced by a file of its own; what it pointed at keeps its bytes and
// bits, even when no value changes.
TEST_F(ConfigFile, LinkIsReplacedNotWrittenThrough)
{
    struct {
        const char *before, *after;
    } rows[] = {{"[Config]\r\nUseBmpFont=0\r\n", "[Config]\r\nUseBmpFont=1\r\n\r\nForceLanguage=2\r\n"},
                {"[Config]\r\nUseBmpFont=1\r\nForceLanguage=2\r\n",
                 "[Config]\r\nUseBmpFont=1\r\nForceLanguage=2\r\n"}};
    for (const auto &r : rows) {
        const char *before = r.before;
        SCOPED_TRACE(before);
        std::string outside = fresh_dir("config-link-target") + "\\products.ini";
        ASSERT_TRUE(write_file(outside, before));
        protect_file(outside, false, false);
        SetFileAttributesA(ini.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(ini.c_str());
        ASSERT_TRUE(make_host_link(ini, outside));
        ASSERT_EQ(before, text()) << "the link does not lead outside";
        EXPECT_EQ(1, update(0, 2));
        std::vector<unsigned char> target = read_file(outside);
        EXPECT_EQ(before, std::string(target.begin(), target.end()));
        EXPECT_EQ(0u, attributes_of(outside) & (RO | HID));
        EXPECT_EQ(r.after, text());
        EXPECT_EQ(RO | HID, attributes_of(ini) & (RO | HID));
    }
}

TEST_F(ConfigFile, TooLongFolderTouchesNothing)
{
    // "\chipadui.ini" does not fit behind this folder name in 260 bytes.
    folder = dir + "\\" + std::string(255 - dir.size(), 'd');
    EXPECT_EQ(1, update(0, 2));
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((dir + "\\*").c_str(), &found);
    ASSERT_NE(INVALID_HANDLE_VALUE, find);
    int entries = 0;
    do
        entries += found.cFileName[0] != '.';
    while (FindNextFileA(find, &found));
    FindClose(find);
    EXPECT_EQ(0, entries);
}
