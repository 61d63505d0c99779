#include "KeyNotation.h"

#include <X11/keysym.h>
#include <gtest/gtest.h>

namespace {

KeyStroke ch(char32_t c, int mods = 0) { return {c, 0, mods}; }
KeyStroke key(unsigned sym, int mods = 0) { return {0, sym, mods}; }

std::vector<KeyStroke> parse(const char* text) {
    const ParsedKeys parsed = ParseKeys(QString::fromUtf8(text));
    EXPECT_TRUE(parsed.ok()) << text << ": " << parsed.error.toStdString();
    return parsed.strokes;
}

}  // namespace

TEST(KeyNotation, PlainTextModifiersAndGroups) {
    EXPECT_EQ(parse("a+b"), (std::vector{ch('a'), ch('b', KeyStroke::Shift)}));
    EXPECT_EQ(parse("^%x"), (std::vector{ch('x', KeyStroke::Control | KeyStroke::Alt)}));
    EXPECT_EQ(parse("+(ab)c"), (std::vector{ch('a', KeyStroke::Shift), ch('b', KeyStroke::Shift), ch('c')}));
    EXPECT_EQ(parse("^(a+(b))"),
              (std::vector{ch('a', KeyStroke::Control), ch('b', KeyStroke::Control | KeyStroke::Shift)}));
    EXPECT_EQ(parse("パス é"), (std::vector{ch(U'パ'), ch(U'ス'), ch(' '), ch(U'é')}));
}

TEST(KeyNotation, NamedKeysRepeatsLiteralsAndControlCharacters) {
    EXPECT_EQ(parse("~{TAB}{enter}{F12}"), (std::vector{key(XK_Return), key(XK_Tab), key(XK_Return), key(XK_F12)}));
    EXPECT_EQ(parse("{LEFT 3}"), (std::vector{key(XK_Left), key(XK_Left), key(XK_Left)}));
    EXPECT_EQ(parse("{+}{^}{%}{~}{(}{)}{{}{}}"),
              (std::vector{ch('+'), ch('^'), ch('%'), ch('~'), ch('('), ch(')'), ch('{'), ch('}')}));
    EXPECT_EQ(parse("{x 2}[]"), (std::vector{ch('x'), ch('x'), ch('['), ch(']')}));
    EXPECT_EQ(parse("\t\r"), (std::vector{key(XK_Tab), key(XK_Return)}));
    EXPECT_TRUE(parse("").empty());
}

TEST(KeyNotation, InvalidTextYieldsNothingAndSaysWhy) {
    for (const char* bad : {"ab{TAB", "a}b", "(ab", "a)b", "{NOSUCHKEY}", "{TAB x}", "pass+", "+(a^)", "{}", "a\nb"}) {
        const ParsedKeys parsed = ParseKeys(QString::fromUtf8(bad));
        EXPECT_FALSE(parsed.ok()) << bad;
        EXPECT_TRUE(parsed.strokes.empty()) << bad;
    }
    EXPECT_NE(ParseKeys("{NOSUCHKEY}").error.indexOf("NOSUCHKEY"), -1);
}
