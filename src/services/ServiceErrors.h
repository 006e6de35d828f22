// The one table of user-visible texts for failed service operations.
#pragma once

#include <cstdint>

enum class ErrorOutcome
{
    GoOn,  // show the message, the caller carries on
    Fatal, // show the message, then the program ends
};

struct ServiceErrorMessage
{
    const char* pszText; // GBK
    ErrorOutcome outcome;
};

// Message and outcome for a system error code; codes outside the table give
// the fatal "unknown operation error".
ServiceErrorMessage LookupServiceError(std::uint32_t dwError);

// Texts the service wrapper shows itself, outside the table.
namespace ServiceWrapperTexts
{
constexpr const char* kAllocationFailed = "服务类中内存分配空间错误!";
constexpr const char* kNoManagerHandle = "服务管理句柄错误!";
} // namespace ServiceWrapperTexts
