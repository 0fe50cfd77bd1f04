// The Chinese licence splitter: carriage-return lines, dropped tail, the 500-line cap.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "wizard/wizard_rules.h"

static std::vector<std::string> split(std::string text, size_t length, int max_lines = LICENCE_MAX_LINES)
{
    std::vector<char *> lines(max_lines > 0 ? max_lines : 1);
    int count = split_licence_lines(text.data(), length, lines.data(), max_lines);
    std::vector<std::string> out;
    for (int i = 0; i < count; i++) {
        EXPECT_TRUE(lines[i] >= text.data() && lines[i] < text.data() + text.size()) << "line " << i;
        out.push_back(lines[i]);
    }
    return out;
}

static std::vector<std::string> split(const std::string &text)
{
    return split(text, text.size());
}

TEST(LicenceLines, EachLineEndsAtACarriageReturn)
{
    struct {
        std::string text;
        std::vector<std::string> lines;
    } rows[] = {
        {"one\r\ntwo\r\n", {"one", "two"}},
        {"one\rtwo\r", {"one", "two"}},
        {"one\r\ntwo", {"one"}},
        {"tail only", {}},
        {"", {}},
        {"\r\n\r\n", {"", ""}},
        {"\r\r", {"", ""}},
        {"a\n\rb\r", {"a\n", "b"}},
        {"a\r\n\nb\r\n", {"a", "\nb"}},
        {"a\n\nb\r\n", {"a\n\nb"}},
        {"\n\r\n", {"\n"}},
        {"中文许可\r\n第二行 two\r\n尾巴", {"中文许可", "第二行 two"}},
    };
    for (const auto &r : rows)
        EXPECT_EQ(r.lines, split(r.text)) << r.text;
}

TEST(LicenceLines, StopsAtTheLengthOrAnEarlierZero)
{
    EXPECT_EQ((std::vector<std::string>{"a"}), split("a\r\nb\r\n", 3));
    // A carriage return at the very end: the byte after it is not looked at.
    EXPECT_EQ((std::vector<std::string>{"a"}), split("a\r\n", 2));
    EXPECT_EQ((std::vector<std::string>{"a"}), split(std::string("a\r\nb\0c\r\n", 8), 8));
    EXPECT_EQ((std::vector<std::string>{}), split("a\r\n", 0));
}

TEST(LicenceLines, LineFeedAfterTheLastCarriageReturnIsNotReadBeyondTheText)
{
    // Exactly sized, no terminator: the splitter must stay inside the bytes it was given.
    std::vector<char> text = {'x', '\r'};
    char *lines[4];
    ASSERT_EQ(1, split_licence_lines(text.data(), text.size(), lines, 4));
    EXPECT_EQ(0, lines[0][1]);
    EXPECT_EQ('x', lines[0][0]);
}

TEST(LicenceLines, AtMostTheRequestedNumberOfLines)
{
    std::string text;
    for (int i = 0; i < 600; i++)
        text += "line " + std::to_string(i) + "\r\n";
    std::vector<std::string> lines = split(text, text.size());
    ASSERT_EQ((size_t)LICENCE_MAX_LINES, lines.size());
    EXPECT_EQ("line 0", lines.front());
    EXPECT_EQ("line 499", lines.back());
    EXPECT_EQ(3u, split(text, text.size(), 3).size());
    EXPECT_EQ(0u, split(text, text.size(), 0).size());
    // Exactly 500 ended lines and an unended tail: all 500, no tail.
    std::string exact;
    for (int i = 0; i < 500; i++)
        exact += "l\r\n";
    exact += "tail";
    lines = split(exact);
    EXPECT_EQ(500u, lines.size());
    EXPECT_EQ("l", lines.back());
}

TEST(LicenceLines, TheLastOfTheCappedLinesIsTerminated)
{
    std::string text = "a\r\nb\r\nc\r\n";
    char *lines[2];
    ASSERT_EQ(2, split_licence_lines(text.data(), text.size(), lines, 2));
    EXPECT_STREQ("b", lines[1]);
    // The third line is left as it was.
    EXPECT_EQ('\r', text[7]);
}
