// One question of the optimisation wizard: a leading run of OS markers
// ("@" Windows 2000, "#" XP, "$" Server 2003), the question text starting
// with "您", an "&" and the services it decides, separated by ",".
#pragma once

#include <string>
#include <vector>

class WizardQuestion
{
public:
    // Never fails. Without "&" there are no services; without "您" before
    // the "&" the text is empty.
    explicit WizardQuestion(const std::string& question);

    // An empty marker lets every question apply.
    bool AppliesTo(const std::string& osMarker) const;

    // From the first "您" up to, not including, the first "&".
    const std::string& Text() const { return m_strText; }

    // In stored order; empty names from doubled or trailing commas are left
    // out, since no service has one.
    const std::vector<std::string>& Services() const { return m_vecServices; }

private:
    std::string m_strQuestion;
    std::string m_strText;
    std::vector<std::string> m_vecServices;
};
