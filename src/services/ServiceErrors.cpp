#include "services/ServiceErrors.h"

namespace
{
struct ErrorRow
{
    std::uint32_t dwCode;
    ServiceErrorMessage message;
};

// Only 1051 carries a full-width comma; the rest use ASCII punctuation.
const ErrorRow kErrorTable[] = {
    {5, {"本次操作无访问权限!", ErrorOutcome::GoOn}},
    {6, {"服务句柄无效!程序将退出!", ErrorOutcome::Fatal}},
    {87, {"服务控制参数不正确,本次操作失败!", ErrorOutcome::GoOn}},
    {123, {"服务名错误!程序将退出!", ErrorOutcome::Fatal}},
    {1051, {"其他服务需要此服务，本次操作失败!", ErrorOutcome::GoOn}},
    {1052, {"此项服务停用无效,本次操作失败!", ErrorOutcome::GoOn}},
    {1053, {"服务请求超时,本次操作失败!", ErrorOutcome::GoOn}},
    {1056, {"服务已经运行,本次操作失败!", ErrorOutcome::GoOn}},
    {1058, {"此服务已被禁用或与其相关的设备没有启动,本次操作失败!", ErrorOutcome::GoOn}},
    {1060, {"服务不存在!程序将退出!", ErrorOutcome::Fatal}},
    {1061, {"服务拒绝控制,本次操作失败!", ErrorOutcome::GoOn}},
    {1062, {"此服务没有启动,本次操作失败!", ErrorOutcome::GoOn}},
    {1068, {"依赖服务没有启动,请先启动依赖服务,本次操作失败!", ErrorOutcome::GoOn}},
    {1075, {"依赖服务不存在,本次操作失败!", ErrorOutcome::GoOn}},
    {1115, {"服务正在关闭,本次操作失败!", ErrorOutcome::GoOn}},
};

const ServiceErrorMessage kUnknownError = {"未知操作错误,程序将退出!", ErrorOutcome::Fatal};

// Codes that end only the one operation; the code itself follows the
// words in brackets.
struct FailureRow
{
    std::uint32_t dwCode;
    const char* pszWords;
};

const FailureRow kFailureWords[] = {
    {2, "服务程序文件不存在"},
    {3, "服务程序路径不存在"},
    {6, "服务句柄无效"},
    {123, "服务名错误"},
    {193, "服务程序不是有效的可执行文件"},
    {1055, "服务数据库已被锁定"},
    {1060, "服务不存在"},
    {1069, "服务登录失败"},
    {1072, "服务已被标记为删除"},
};
const char* const kGenericFailureWords = "服务操作出错";
} // namespace

ServiceErrorMessage LookupServiceError(std::uint32_t dwError)
{
    for (const ErrorRow& row : kErrorTable)
    {
        if (row.dwCode == dwError)
            return row.message;
    }
    return kUnknownError;
}

std::string ServiceFailureText(std::uint32_t dwError)
{
    ServiceErrorMessage message = LookupServiceError(dwError);
    if (message.outcome == ErrorOutcome::GoOn)
        return message.pszText;
    const char* pszWords = kGenericFailureWords;
    for (const FailureRow& row : kFailureWords)
    {
        if (row.dwCode == dwError)
            pszWords = row.pszWords;
    }
    return std::string(pszWords) + "(错误代码" + std::to_string(dwError) + "),本次操作失败!";
}
