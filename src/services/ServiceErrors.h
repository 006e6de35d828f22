// The one table of user-visible texts for failed service operations.
#pragma once

#include <cstdint>
#include <string>

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
// the fatal "unknown operation error". Only a failure the program cannot go
// on from (no manager, no first listing) is reported with it.
ServiceErrorMessage LookupServiceError(std::uint32_t dwError);

// The message for a failed operation on one service, after which the
// program always goes on: the table's own text where it is a go-on text,
// otherwise a message of the same style that carries the code.
std::string ServiceFailureText(std::uint32_t dwError);

// Texts about the service wrapper itself, outside the table; its owner
// shows them as plain notices.
namespace ServiceWrapperTexts
{
constexpr const char* kAllocationFailed = "服务类中内存分配空间错误!";
constexpr const char* kNoManagerHandle = "服务管理句柄错误!";
} // namespace ServiceWrapperTexts
