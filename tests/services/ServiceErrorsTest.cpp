#include "services/ServiceErrors.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace
{
TEST(ServiceErrorsTest, EveryCodeHasItsMessageAndOutcome)
{
    struct Case
    {
        std::uint32_t dwCode;
        std::string strText;
        ErrorOutcome outcome;
    };
    const ErrorOutcome goOn = ErrorOutcome::GoOn;
    const ErrorOutcome fatal = ErrorOutcome::Fatal;
    const Case cases[] = {
        {5, "本次操作无访问权限!", goOn},
        {6, "服务句柄无效!程序将退出!", fatal},
        {87, "服务控制参数不正确,本次操作失败!", goOn},
        {123, "服务名错误!程序将退出!", fatal},
        {1051, "其他服务需要此服务，本次操作失败!", goOn},
        {1052, "此项服务停用无效,本次操作失败!", goOn},
        {1053, "服务请求超时,本次操作失败!", goOn},
        {1056, "服务已经运行,本次操作失败!", goOn},
        {1058, "此服务已被禁用或与其相关的设备没有启动,本次操作失败!", goOn},
        {1060, "服务不存在!程序将退出!", fatal},
        {1061, "服务拒绝控制,本次操作失败!", goOn},
        {1062, "此服务没有启动,本次操作失败!", goOn},
        {1068, "依赖服务没有启动,请先启动依赖服务,本次操作失败!", goOn},
        {1075, "依赖服务不存在,本次操作失败!", goOn},
        {1115, "服务正在关闭,本次操作失败!", goOn},
        // Outside the table: the fatal unknown error, among them the code
        // Open gives without a manager and a too-small buffer.
        {0, "未知操作错误,程序将退出!", fatal},
        {1, "未知操作错误,程序将退出!", fatal},
        {122, "未知操作错误,程序将退出!", fatal},
        {1072, "未知操作错误,程序将退出!", fatal},
        {1057, "未知操作错误,程序将退出!", fatal},
        {0xFFFFFFFF, "未知操作错误,程序将退出!", fatal},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.dwCode);
        ServiceErrorMessage message = LookupServiceError(c.dwCode);
        EXPECT_EQ(c.strText, message.pszText);
        EXPECT_EQ(c.outcome, message.outcome);
    }
}

// Only 1051 uses the full-width comma (GBK A3 AC); every other message that
// has a comma uses the ASCII one.
TEST(ServiceErrorsTest, OnlyCode1051HasTheFullWidthComma)
{
    const std::string fullWidthComma = "\xA3\xAC";
    for (std::uint32_t dwCode : {5u, 6u, 87u, 123u, 1051u, 1052u, 1053u, 1056u, 1058u, 1060u, 1061u,
                                 1062u, 1068u, 1075u, 1115u, 9999u})
    {
        SCOPED_TRACE(dwCode);
        std::string strText = LookupServiceError(dwCode).pszText;
        bool bFullWidth = strText.find(fullWidthComma) != std::string::npos;
        EXPECT_EQ(dwCode == 1051, bFullWidth);
    }
    EXPECT_EQ(std::string("\xC6\xE4\xCB\xFB\xB7\xFE\xCE\xF1\xD0\xE8\xD2\xAA\xB4\xCB\xB7\xFE\xCE\xF1"
                          "\xA3\xAC\xB1\xBE\xB4\xCE\xB2\xD9\xD7\xF7\xCA\xA7\xB0\xDC!"),
              LookupServiceError(1051).pszText);
}

// One service's failure never ends the program: the table's go-on texts as
// they stand, every other code in the same style with its number.
TEST(ServiceErrorsTest, FailuresOfOneServiceGoOnWithTheirCode)
{
    struct Case
    {
        std::uint32_t dwCode;
        std::string strText;
    };
    const Case cases[] = {
        {5, "本次操作无访问权限!"},
        {1051, "其他服务需要此服务，本次操作失败!"},
        {1056, "服务已经运行,本次操作失败!"},
        {1115, "服务正在关闭,本次操作失败!"},
        {2, "服务程序文件不存在(错误代码2),本次操作失败!"},
        {3, "服务程序路径不存在(错误代码3),本次操作失败!"},
        {6, "服务句柄无效(错误代码6),本次操作失败!"},
        {123, "服务名错误(错误代码123),本次操作失败!"},
        {193, "服务程序不是有效的可执行文件(错误代码193),本次操作失败!"},
        {1055, "服务数据库已被锁定(错误代码1055),本次操作失败!"},
        {1060, "服务不存在(错误代码1060),本次操作失败!"},
        {1069, "服务登录失败(错误代码1069),本次操作失败!"},
        {1072, "服务已被标记为删除(错误代码1072),本次操作失败!"},
        {0, "服务操作出错(错误代码0),本次操作失败!"},
        {1057, "服务操作出错(错误代码1057),本次操作失败!"},
        {0xFFFFFFFF, "服务操作出错(错误代码4294967295),本次操作失败!"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.dwCode);
        std::string strText = ServiceFailureText(c.dwCode);
        EXPECT_EQ(c.strText, strText);
        EXPECT_EQ(std::string::npos, strText.find("程序将退出"));
    }
}
} // namespace
