// Reports as message boxes, modal to the window its owner function names
// at the moment of each box.
#pragma once

#include "common/Reporter.h"

#include <windows.h>

#include <functional>
#include <string>

class CWindowReporter : public IReporter
{
public:
    using OwnerFunction = std::function<HWND()>;

    explicit CWindowReporter(OwnerFunction owner) : m_owner(std::move(owner)) {}

    ReportAnswer Report(ReportKind kind, const std::string& strText) override;

private:
    OwnerFunction m_owner;
};
