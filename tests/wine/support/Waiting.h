// Waiting for a condition in the tests: a bounded poll, never a bare sleep.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>

// Dispatches every message waiting for this thread. With a dialog, its keys
// go through the dialog manager first, as the dialog's own loop would do.
void PumpMessages(HWND hDialog = nullptr);

// Pumps this thread's messages (timer ticks included) until the condition
// holds or the time is up.
testing::AssertionResult WaitFor(const std::function<bool()>& condition, const std::string& strWhat,
                                 DWORD dwTimeoutMs = 10000, HWND hDialog = nullptr);

// Checks the condition every few milliseconds and dispatches nothing
// meanwhile: for waits on other processes (services, the program), during
// which this thread's own windows must not act.
testing::AssertionResult PollFor(const std::function<bool()>& condition, const std::string& strWhat,
                                 DWORD dwTimeoutMs = 15000);
