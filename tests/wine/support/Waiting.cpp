#include "support/Waiting.h"

namespace
{
constexpr DWORD kPollMs = 10;

testing::AssertionResult TimedOut(const std::string& strWhat, DWORD dwTimeoutMs)
{
    return testing::AssertionFailure() << strWhat << " did not happen within " << dwTimeoutMs << " ms";
}
} // namespace

void PumpMessages(HWND hDialog)
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
    {
        if (hDialog != nullptr && IsDialogMessageA(hDialog, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

testing::AssertionResult WaitFor(const std::function<bool()>& condition, const std::string& strWhat,
                                 DWORD dwTimeoutMs, HWND hDialog)
{
    for (DWORD dwStart = GetTickCount(); GetTickCount() - dwStart < dwTimeoutMs;)
    {
        PumpMessages(hDialog);
        if (condition())
            return testing::AssertionSuccess();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, kPollMs, QS_ALLINPUT);
    }
    return TimedOut(strWhat, dwTimeoutMs);
}

testing::AssertionResult PollFor(const std::function<bool()>& condition, const std::string& strWhat,
                                 DWORD dwTimeoutMs)
{
    for (DWORD dwStart = GetTickCount(); GetTickCount() - dwStart < dwTimeoutMs; Sleep(kPollMs))
    {
        if (condition())
            return testing::AssertionSuccess();
    }
    return TimedOut(strWhat, dwTimeoutMs);
}
