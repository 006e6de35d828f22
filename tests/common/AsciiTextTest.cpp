#include "common/AsciiText.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
// GBK trail bytes run from 0x40 to 0xFE and so take in every ASCII capital;
// a lead byte is 0x81..0xFE. "\x81\x41" and "\x81\x61" are two different
// characters, as are "\xB0\x5A" and "\xB0\x7A".
TEST(AsciiTextTest, LowerFoldsOnlySingleByteLetters)
{
    struct Case
    {
        std::string strText;
        std::string strLower;
    };
    const Case cases[] = {
        {"Spooler", "spooler"},
        {"\x81\x41", "\x81\x41"},
        {"\x81\x5A\xFE\x4D", "\x81\x5A\xFE\x4D"},
        {"QM\x81\x41Svc", "qm\x81\x41svc"},
        {"\xB0\x5A" "Z", "\xB0\x5A" "z"},
        // A lead byte after a lead byte is that character's trail.
        {"\x81\x81" "A", "\x81\x81" "a"},
        {"服务Name", "服务name"},
        // A lead byte with nothing after it stays as it is.
        {"AB\x81", "ab\x81"},
        {"", ""},
        {"@[`{", "@[`{"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::PrintToString(c.strText));
        EXPECT_EQ(c.strLower, AsciiLower(c.strText));
    }
}

TEST(AsciiTextTest, EqualityIgnoresOnlyTheCaseOfSingleByteLetters)
{
    struct Case
    {
        std::string strLeft;
        std::string strRight;
        bool bEqual;
    };
    const Case cases[] = {
        {"Spooler", "SPOOLER", true},
        {"Spooler", "Spoolers", false},
        {"\x81\x41", "\x81\x61", false},
        {"\x81\x41", "\x81\x41", true},
        {"Qm\x81\x5A", "QM\x81\x7A", false},
        {"Qm\x81\x5A", "QM\x81\x5A", true},
        {"\xB0\x5A" "x", "\xB0\x7A" "X", false},
        {"a\xFE\x41" "b", "A\xFE\x41" "B", true},
        {"服务A", "服务a", true},
        {"AB\x81", "ab\x81", true},
        {"", "", true},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::PrintToString(c.strLeft) + " / " + testing::PrintToString(c.strRight));
        EXPECT_EQ(c.bEqual, EqualsNoCaseAscii(c.strLeft, c.strRight));
        EXPECT_EQ(c.bEqual, EqualsNoCaseAscii(c.strRight, c.strLeft));
        // Keys made by AsciiLower must agree with the comparison.
        EXPECT_EQ(c.bEqual, AsciiLower(c.strLeft) == AsciiLower(c.strRight));
    }
}
} // namespace
