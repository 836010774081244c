#include "platform/SplitString.h"

#include <gtest/gtest.h>

using namespace spoolar;
using Items = std::vector<std::string>;

TEST(SplitStringTest, SeparatorsGiveOneMoreItem)
{
    const struct
    {
        std::string text;
        std::string separator;
        Items items;
    } cases[] = {
        {"", ";", {}},
        {"abc", ";", {"abc"}},
        {";", ";", {"", ""}},
        {"a;b;c", ";", {"a", "b", "c"}},
        {";a;;b;", ";", {"", "a", "", "b", ""}},
        {"riga 1|riga 2", "|", {"riga 1", "riga 2"}},
        {"a<>b<><>c", "<>", {"a", "b", "", "c"}},
        {"a<b>c", "<>", {"a<b>c"}},
        {"aaa", "aa", {"", "a"}},
        {" a ; b ", ";", {" a ", " b "}}, // kept as written unless trimming is asked for
        {"a;b", "", {"a;b"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("\"" + c.text + "\" at \"" + c.separator + "\"");
        EXPECT_EQ(SplitString(c.text, c.separator), c.items);
    }
}

TEST(SplitStringTest, TrimRemovesBlanksAndControlCharactersAroundEachItem)
{
    const struct
    {
        std::string text;
        Items items;
    } cases[] = {
        {"  EAN13 ; 8001234567890 ;\t2 ", {"EAN13", "8001234567890", "2"}},
        {"\r\n x y \x1B;\x7F", {"x y", ""}},
        {" ; ", {"", ""}},
        {"   ", {""}},
        {std::string("\0a\0", 3) + ";b", {"a", "b"}},
        {"\xA0\xE8\xA0;", {"\xA0\xE8\xA0", ""}}, // bytes above 0x7F are text
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(SplitString(c.text, ";", SplitTrim::Trim), c.items);
    }
}
