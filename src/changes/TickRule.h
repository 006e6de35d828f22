// Which rows of a preview start unticked: a change that would leave Windows
// unable to start or to log on, or one the knowledge base advises against.
// The user may still tick them. Portable: the caller reads the registry.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_set>
#include <vector>

namespace TickRule
{
// The reasons a row starts unticked, shown in the row.
constexpr const char* kKeptByAdvice = "知识库建议保留";
constexpr const char* kNeededToStart = "系统启动所需";

// What the registry says of a service that the rule asks about.
struct StartFacts
{
    // Windows needs it to start and log on, or one of those needs it.
    bool bNeededToStart = false;
    bool bErrorControlKnown = false;
    std::uint32_t dwErrorControl = 0;
};

// The services Windows needs to start and log on, as the registry names them.
const std::vector<std::wstring>& BootServices();
// Reads a service's DependOnService (no groups).
using DependencyReader = std::function<std::vector<std::wstring>(const std::wstring& wstrName)>;
// The boot services and every service they depend on, however deep, by
// ASCII-lowercased name; each service's dependencies are read once.
std::unordered_set<std::wstring> NeededToStart(const DependencyReader& readDependencies);

// Whether an advice text's advice line ("建议：" and a start type, at its
// end) says 自动. Colons full-width or not, with or without a space.
bool AdvisesAutomatic(const std::string& strAdvice);

// The knowledge base's services it asks to keep: protected ones and those
// it advises to keep automatic. Read once from every entry.
class CKnowledgeHolds
{
public:
    CKnowledgeHolds();
    // The knowledge base's, read at the first call.
    static const CKnowledgeHolds& Shared();
    bool Keeps(const std::wstring& wstrName) const;

private:
    std::unordered_set<std::wstring> m_kept; // ASCII-lowercased names
};

// Why a change of a service's start type from dwCurrent (when known) to
// dwNew starts unticked, or "" when it starts ticked.
std::string HeldReason(const CKnowledgeHolds& knowledge, const std::wstring& wstrName, bool bCurrentKnown,
                       std::uint32_t dwCurrent, std::uint32_t dwNew, const StartFacts& facts);
// Whether the change would disable the service or take it off automatic:
// only then do its start facts matter.
bool NeedsFacts(bool bCurrentKnown, std::uint32_t dwCurrent, std::uint32_t dwNew);
// Whether it would take the service off automatic (a start type that
// cannot be read may be automatic): only then does its ErrorControl matter.
bool TakesOffAutomatic(bool bCurrentKnown, std::uint32_t dwCurrent, std::uint32_t dwNew);
} // namespace TickRule
