#include "common/MultiString.h"

#include <gtest/gtest.h>

namespace
{
TEST(MultiStringTest, MultiStringsSplitAtNuls)
{
    struct Case
    {
        std::string strData;
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {std::string("RpcSs\0Tcpip\0\0", 13), {"RpcSs", "Tcpip"}},
        {std::string("One\0", 4), {"One"}},
        {std::string("NoEnd", 5), {"NoEnd"}}, // data cut short: no read past it
        {std::string("\0Hidden\0", 8), {}},   // an empty first name ends the list
        {std::string(), {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.names, SplitMultiString(c.strData.data(), c.strData.size()));
}
} // namespace
