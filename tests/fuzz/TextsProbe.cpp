// Prints, as hex, the texts the fuzzed code compiles in: built once by the
// program's own compiler from the UTF-8 sources and once by the fuzzers'
// from the GBK copy, the two outputs must be the same bytes.
#include "changes/ChangeJournal.h"
#include "services/ServiceTexts.h"

#include <cstdio>
#include <string>
#include <vector>

namespace
{
void Print(const char* pszWhat, const std::string& strText)
{
    std::printf("%s:", pszWhat);
    for (unsigned char ch : strText)
        std::printf(" %02X", ch);
    std::printf("\n");
}

std::string ProblemOf(const std::string& strText)
{
    std::vector<ChangeJournal::Entry> entries;
    std::string strProblem;
    ChangeJournal::Parse(strText, &entries, &strProblem);
    return strProblem;
}
} // namespace

int main()
{
    Print("foreign", ProblemOf("not a journal\n"));
    Print("damaged", ProblemOf(ChangeJournal::FormatHeader() + "bogus\n"));
    Print("too large", ChangeJournal::kTooLargeProblem);
    for (std::uint32_t dwStartType : {0u, 1u, 2u, 3u, 4u, 9u})
        Print("start type", ServiceTexts::StartTypeText(dwStartType));
    for (std::uint32_t dwState : {1u, 2u, 3u, 4u, 5u, 6u, 7u})
        Print("state", ServiceTexts::RunStateText(dwState));
    return 0;
}
