// The knowledge base's entry and question grammar on any bytes: an entry
// always gives one of the three start-type words for every profile, its
// code agrees with its word, and a question's services are names.
#include "fuzz/FuzzCheck.h"
#include "knowledge/ServiceAdvice.h"
#include "knowledge/WizardQuestion.h"
#include "services/ServiceTexts.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    std::string strText(reinterpret_cast<const char*>(pData), nSize);
    ServiceAdvice advice(strText);
    for (int nProfile = ServiceAdvice::kFirstProfile; nProfile <= ServiceAdvice::kLastProfile; ++nProfile)
    {
        std::string strWord = advice.StartTypeFor(nProfile);
        if (!ServiceTexts::IsSettableStartTypeWord(strWord))
            Fail("a profile's word is not one the program can set");
        std::uint32_t dwStartType = 0;
        if (!ServiceTexts::StartTypeFromWord(strWord, &dwStartType) ||
            dwStartType != advice.StartTypeCodeFor(nProfile))
            Fail("a profile's code disagrees with its word");
    }
    if (advice.ServiceName().size() > strText.size() || advice.AdviceText().size() > strText.size())
        Fail("an entry's parts are longer than the entry");

    WizardQuestion question(strText);
    for (const std::string& strService : question.Services())
    {
        if (strService.size() > strText.size())
            Fail("a question's service is longer than the question");
    }
    if (question.Text().size() > strText.size())
        Fail("a question's text is longer than the question");
    return 0;
}
