#include "dialogs/message_text.h"

#include <gtest/gtest.h>

#include <string>

#include "ui_gui/gui_test_support.h"

namespace orx {
namespace {

struct PrepareCase {
    const char* text;
    const char* link;
    const char* expected;
};

TEST(MessageText, LineBreaksAndLink) {
    const PrepareCase cases[] = {
        {"one\ntwo", "", "one two"},
        {"one\n\ntwo", "", "one\n\ntwo"},
        {"a\nb\n\nc\nd", "", "a b\n\nc d"},
        {"three\n\n\nbreaks", "", "three\n\n breaks"},
        {"ends with break\n", "", "ends with break "},
        {"Password is incorrect. (E6)", "https://help.example/err",
         "Password is incorrect. (E6)\n\nhttps://help.example/err"},
        {"no link here", "", "no link here"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PrepareMessageText(c.text, c.link), c.expected) << c.text;
    }
}

TEST(MessageText, LinkOnlyWhenItFits) {
    const std::string link = "https://x.example/h";  // 19 characters
    const std::string fits(256 - 2 - link.size() - 1, 'a');
    EXPECT_EQ(PrepareMessageText(fits, link), fits + "\n\n" + link);
    const std::string tooLong(256 - 2 - link.size(), 'a');
    EXPECT_EQ(PrepareMessageText(tooLong, link), tooLong);
    // Texts of 256 characters and more are shown as they are, breaks and all.
    const std::string huge = std::string(300, 'b') + "\nend";
    EXPECT_EQ(PrepareMessageText(huge, link), huge);
}

TEST(MessageText, ExtractLink) {
    const struct {
        const char* text;
        const char* link;
    } cases[] = {
        {"see https://a.example/p?q=1 now", "https://a.example/p?q=1"},
        {"Error (E6)\n\nhttp://help.example/e.", "http://help.example/e"},
        {"(https://paren.example/x), more", "https://paren.example/x"},
        {"x,ftp://b.example/y,z", "ftp://b.example/y"},
        {"no address at all", ""},
        {"first http://one.example second http://two.example", "http://one.example"},
        {"line\nhttps://after.break/z\nnext", "https://after.break/z"},
        {"https://caf\u00e9.example/%20x y", "https://caf\u00e9.example/%20x"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ExtractLink(c.text), c.link) << c.text;
    const std::string longLink = "https://" + std::string(400, 'l');
    EXPECT_EQ(ExtractLink(longLink), longLink.substr(0, 255));
}

TEST(MessageText, MessageCode) {
    const struct {
        const char* text;
        const char* code;
    } cases[] = {
        {"Password is incorrect. (E6)\n\nhttps://h.example", "E6"},
        {"Done. (M14)\n\nhttps://h.example", "M14"},
        {"No link (E6)", ""},
        {"Single break (E6)\nhttps://h.example", ""},
        {"Too long (ABCDEFGHIJ)\n\nx", ""},
        {"Nine is fine (ABCDEFGHI)\n\nx", "ABCDEFGHI"},
        {"An aside (really) and then (E7)\n\nx", "E7"},
        {"Close without open)\n\nx", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ExtractMessageCode(c.text), c.code) << c.text;
}

TEST(MessageText, HelpUrl) {
    EXPECT_EQ(BuildHelpUrl("https://h.example/e", "English", "E6"),
              "https://h.example/e?language=English&code=E6");
    EXPECT_EQ(BuildHelpUrl("https://h.example/e", "Svenska", ""),
              "https://h.example/e?language=Svenska");
    EXPECT_EQ(BuildHelpUrl("l", std::string(100, 'x'), ""), "l?language=" + std::string(63, 'x'));
}

// Every character is 10 pixels wide: widths in characters are easy to follow.
int TenEach(const QString& s) {
    return static_cast<int>(s.size()) * 10;
}

std::vector<QString> Texts(const std::vector<WrappedLine>& lines) {
    std::vector<QString> out;
    for (const auto& l : lines)
        out.push_back(l.text);
    return out;
}

TEST(MessageText, WrapBreaksAtBlanksAndCutsWhatCannotBreak) {
    const struct {
        const char* what;
        const char* text;
        int width;
        std::vector<QString> lines;
        int lastStart;  // where the last line begins in the text
    } cases[] = {
        {"after the last blank", "aaa bbb ccc ddd", 80, {"aaa bbb", "ccc ddd"}, 8},
        {"blanks at a line start skipped", "aaaa    bbbb", 40, {"aaaa", "bbbb"}, 8},
        {"word wider than the area", "abcdefghij", 40, {"abcd", "efgh", "ij"}, 8},
        {"paragraph kept", "one\n\ntwo", 400, {"one", "", "two"}, 5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto lines = WrapMessageText(QString::fromUtf8(c.text), c.width, TenEach);
        EXPECT_EQ(Texts(lines), c.lines);
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.back().start, c.lastStart);
    }
}

TEST(MessageText, WrapLimits) {
    QString many;
    for (int i = 0; i < 30; ++i)
        many += QStringLiteral("line\n");
    EXPECT_EQ(WrapMessageText(many, 400, TenEach).size(), 16u);

    const QString wide(200, QLatin1Char('w'));
    const auto lines = WrapMessageText(wide, 100000, TenEach);
    ASSERT_FALSE(lines.empty());
    for (const auto& l : lines)
        EXPECT_LE(l.text.size(), 79);
    EXPECT_EQ(lines[0].text.size(), 79);
}

TEST(MessageText, WrapEveryLineFits) {
    const QString text = QStringLiteral(
        "The quick brown fox jumps over the lazy dog while the cat sleeps on the warm "
        "windowsill and nobody minds at all");
    for (int width : {130, 210, 333, 1000}) {
        const auto lines = WrapMessageText(text, width, TenEach);
        QString joined;
        for (const auto& l : lines) {
            EXPECT_LE(TenEach(l.text), std::max(width, 10)) << width;
            EXPECT_EQ(text.mid(l.start, l.text.size()), l.text);
            joined += l.text;
        }
        // Only blanks are lost at the breaks.
        EXPECT_EQ(QString(joined).remove(QLatin1Char(' ')), QString(text).remove(QLatin1Char(' ')));
    }
}

}  // namespace
}  // namespace orx
