// What the commands tell the user goes through here, so that the window,
// a command line and the tests each show it in their own way.
#pragma once

#include <string>

enum class ReportKind
{
    Warning,     // the usual notice
    Information, // a notice that something went well
    Question,    // answered yes or no
    Plain,       // the service wrapper's own notices, under the program's name
};

enum class ReportAnswer
{
    Ok,
    Yes,
    No,
};

class IReporter
{
public:
    virtual ~IReporter() = default;
    // A question answers Yes or No; every other kind answers Ok.
    virtual ReportAnswer Report(ReportKind kind, const std::string& strText) = 0;
};
