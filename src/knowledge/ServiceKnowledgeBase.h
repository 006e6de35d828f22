// The advice about well-known services and the optimisation wizard's
// questions, addressed by string-table ids: on Windows the program's own
// string table, elsewhere the table compiled in (KnowledgeBaseTable).
#pragma once

#include <optional>
#include <string>

class ServiceKnowledgeBase
{
public:
    // Text of the About item of the window menu.
    static constexpr int kAboutItemId = 101;
    // Service entries, read as ServiceAdvice.
    static constexpr int kFirstEntryId = 102;
    static constexpr int kLastEntryId = 194;
    // Placeholders holding "Wait"; nothing reads them.
    static constexpr int kFirstReservedId = 195;
    static constexpr int kLastReservedId = 211;
    // Wizard questions, read as WizardQuestion.
    static constexpr int kFirstQuestionId = 212;
    static constexpr int kLastQuestionId = 228;

    // The GBK text stored under an id, or an empty string for an id with none.
    static std::string Entry(int id);

    // The first entry whose service name equals the given one, folding only
    // ASCII letters; nothing when no entry names that service.
    static std::optional<int> FindByServiceName(const std::string& name);
};
