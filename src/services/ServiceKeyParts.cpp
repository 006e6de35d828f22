#include "services/ServiceKeyParts.h"

#include "common/WideText.h"

namespace ServiceKeyParts
{
namespace
{
constexpr uint32_t kRegSz = 1, kRegBinary = 3, kRegDword = 4, kRegMultiSz = 7;
// FailureActions: the reset period, two places for texts kept in values of
// their own, the count, a place for the list, then type and delay of each.
constexpr size_t kFailureHeaderBytes = 20;
constexpr size_t kGuidBytes = 16;
const wchar_t kTriggerKey[] = L"TriggerInfo";

uint32_t NumberAt(const std::string& data, size_t nOffset)
{
    uint32_t dwNumber = 0;
    for (size_t i = 4; i-- > 0;)
        dwNumber = (dwNumber << 8) | static_cast<unsigned char>(data[nOffset + i]);
    return dwNumber;
}

void PutNumber(std::string* pData, uint32_t dwNumber)
{
    for (int i = 0; i < 4; ++i)
        pData->push_back(static_cast<char>((dwNumber >> (8 * i)) & 0xFF));
}

std::string NumberData(uint32_t dwNumber)
{
    std::string data;
    PutNumber(&data, dwNumber);
    return data;
}

// UTF-16 text and its NUL, as the registry stores a string.
std::string TextData(const std::wstring& wstrText)
{
    std::string data;
    for (wchar_t ch : wstrText)
    {
        data.push_back(static_cast<char>(ch & 0xFF));
        data.push_back(static_cast<char>((ch >> 8) & 0xFF));
    }
    data.append(2, '\0');
    return data;
}

bool Number(const KeyCopy& key, const std::wstring& wstrSubkey, const wchar_t* pszName, uint32_t* pdwNumber)
{
    const KeyValueCopy* pValue = key.Find(wstrSubkey, pszName);
    return pValue != nullptr && KeyValueNumber(*pValue, pdwNumber);
}

bool Text(const KeyCopy& key, const wchar_t* pszName, std::wstring* pwstrText)
{
    const KeyValueCopy* pValue = key.Find(L"", pszName);
    return pValue != nullptr && pValue->dwType != kRegMultiSz && KeyValueText(*pValue, pwstrText);
}

std::string NamesData(const std::vector<std::wstring>& names)
{
    std::string data;
    for (const std::wstring& wstrName : names)
        data += TextData(wstrName);
    data.append(2, '\0');
    return data;
}

bool ReadFailureActions(const KeyCopy& key, FailureActions* pActions)
{
    const KeyValueCopy* pValue = key.Find(L"", L"FailureActions");
    if (pValue == nullptr || pValue->dwType != kRegBinary || pValue->data.size() < kFailureHeaderBytes)
        return false;
    const std::string& data = pValue->data;
    uint32_t nActions = NumberAt(data, 12);
    if (nActions > (data.size() - kFailureHeaderBytes) / 8)
        return false;
    pActions->dwResetPeriod = NumberAt(data, 0);
    for (uint32_t i = 0; i < nActions; ++i)
        pActions->actions.push_back({NumberAt(data, kFailureHeaderBytes + 8 * i),
                                     NumberAt(data, kFailureHeaderBytes + 8 * i + 4)});
    pActions->bHasRebootMessage = Text(key, L"RebootMessage", &pActions->wstrRebootMessage);
    pActions->bHasCommand = Text(key, L"FailureCommand", &pActions->wstrCommand);
    return true;
}

// TriggerInfo\0, \1, ... each with its type, action, subtype and items.
bool ReadTriggers(const KeyCopy& key, std::vector<Trigger>* pTriggers)
{
    if (!key.HasSubkey(kTriggerKey))
        return false;
    for (uint32_t nTrigger = 0;; ++nTrigger)
    {
        std::wstring wstrSubkey = std::wstring(kTriggerKey) + L"\\" + WideFromAscii(std::to_string(nTrigger));
        if (!key.HasSubkey(wstrSubkey))
            return true;
        Trigger trigger;
        const KeyValueCopy* pGuid = key.Find(wstrSubkey, L"GUID");
        if (!Number(key, wstrSubkey, L"Type", &trigger.dwType) ||
            !Number(key, wstrSubkey, L"Action", &trigger.dwAction) || pGuid == nullptr ||
            pGuid->data.size() != kGuidBytes)
            return false;
        trigger.subtype = pGuid->data;
        for (uint32_t nItem = 0;; ++nItem)
        {
            std::wstring wstrIndex = WideFromAscii(std::to_string(nItem));
            const KeyValueCopy* pData = key.Find(wstrSubkey, L"Data" + wstrIndex);
            TriggerItem item;
            if (pData == nullptr || !Number(key, wstrSubkey, (L"DataType" + wstrIndex).c_str(), &item.dwDataType))
                break;
            item.data = pData->data;
            trigger.items.push_back(std::move(item));
        }
        pTriggers->push_back(std::move(trigger));
    }
}
} // namespace

std::vector<uint32_t> Parts::Levels() const
{
    std::vector<uint32_t> levels;
    const std::pair<bool, uint32_t> present[] = {{bFailureActions, kLevelFailureActions},
                                                 {bDelayedAutoStart, kLevelDelayedAutoStart},
                                                 {bFailureActionsFlag, kLevelFailureActionsFlag},
                                                 {bSidType, kLevelSidType},
                                                 {bRequiredPrivileges, kLevelRequiredPrivileges},
                                                 {bTriggers, kLevelTriggers}};
    for (const auto& part : present)
    {
        if (part.first)
            levels.push_back(part.second);
    }
    return levels;
}

Parts FromKey(const KeyCopy& key)
{
    Parts parts;
    parts.bFailureActions = ReadFailureActions(key, &parts.failureActions);
    uint32_t dwNumber = 0;
    parts.bFailureActionsFlag = Number(key, L"", L"FailureActionsOnNonCrashFailures", &dwNumber);
    parts.bNonCrashFailures = parts.bFailureActionsFlag && dwNumber != 0;
    parts.bDelayedAutoStart = Number(key, L"", L"DelayedAutostart", &dwNumber);
    parts.bDelayed = parts.bDelayedAutoStart && dwNumber != 0;
    parts.bSidType = Number(key, L"", L"ServiceSidType", &parts.dwSidType);
    const KeyValueCopy* pPrivileges = key.Find(L"", L"RequiredPrivileges");
    parts.bRequiredPrivileges = pPrivileges != nullptr && KeyValueNames(*pPrivileges, &parts.privileges);
    parts.bTriggers = ReadTriggers(key, &parts.triggers);
    if (!parts.bTriggers)
        parts.triggers.clear();
    return parts;
}

KeyCopy ToKey(const Parts& parts, uint32_t dwLevel)
{
    KeyCopy key;
    auto add = [&key](const std::wstring& wstrSubkey, const std::wstring& wstrName, uint32_t dwType,
                      std::string data) { key.values.push_back({wstrSubkey, wstrName, dwType, std::move(data)}); };
    switch (dwLevel)
    {
    case kLevelFailureActions:
    {
        const FailureActions& actions = parts.failureActions;
        std::string data = NumberData(actions.dwResetPeriod);
        PutNumber(&data, 0);
        PutNumber(&data, 0);
        PutNumber(&data, static_cast<uint32_t>(actions.actions.size()));
        PutNumber(&data, actions.actions.empty() ? 0 : static_cast<uint32_t>(kFailureHeaderBytes));
        for (const FailureAction& action : actions.actions)
        {
            PutNumber(&data, action.dwType);
            PutNumber(&data, action.dwDelay);
        }
        add(L"", L"FailureActions", kRegBinary, data);
        if (actions.bHasRebootMessage)
            add(L"", L"RebootMessage", kRegSz, TextData(actions.wstrRebootMessage));
        if (actions.bHasCommand)
            add(L"", L"FailureCommand", kRegSz, TextData(actions.wstrCommand));
        break;
    }
    case kLevelDelayedAutoStart:
        add(L"", L"DelayedAutostart", kRegDword, NumberData(parts.bDelayed ? 1 : 0));
        break;
    case kLevelFailureActionsFlag:
        add(L"", L"FailureActionsOnNonCrashFailures", kRegDword, NumberData(parts.bNonCrashFailures ? 1 : 0));
        break;
    case kLevelSidType:
        add(L"", L"ServiceSidType", kRegDword, NumberData(parts.dwSidType));
        break;
    case kLevelRequiredPrivileges:
        add(L"", L"RequiredPrivileges", kRegMultiSz, NamesData(parts.privileges));
        break;
    case kLevelTriggers:
        key.subkeys.push_back(kTriggerKey);
        for (size_t nTrigger = 0; nTrigger < parts.triggers.size(); ++nTrigger)
        {
            const Trigger& trigger = parts.triggers[nTrigger];
            std::wstring wstrSubkey = std::wstring(kTriggerKey) + L"\\" + WideFromAscii(std::to_string(nTrigger));
            key.subkeys.push_back(wstrSubkey);
            add(wstrSubkey, L"Type", kRegDword, NumberData(trigger.dwType));
            add(wstrSubkey, L"Action", kRegDword, NumberData(trigger.dwAction));
            add(wstrSubkey, L"GUID", kRegBinary, trigger.subtype);
            for (size_t nItem = 0; nItem < trigger.items.size(); ++nItem)
            {
                std::wstring wstrIndex = WideFromAscii(std::to_string(nItem));
                add(wstrSubkey, L"Data" + wstrIndex, kRegBinary, trigger.items[nItem].data);
                add(wstrSubkey, L"DataType" + wstrIndex, kRegDword, NumberData(trigger.items[nItem].dwDataType));
            }
        }
        break;
    default:
        break;
    }
    return key;
}
} // namespace ServiceKeyParts
