#include "services/ServiceConfig2.h"

#include <cstring>

namespace ServiceConfig2
{
namespace
{
using namespace ServiceKeyParts;

std::wstring TextOf(const wchar_t* psz)
{
    return psz != nullptr ? psz : L"";
}

// A list of names as one NUL-separated text ended by an empty name.
std::wstring NamesText(const std::vector<std::wstring>& names)
{
    std::wstring wstrText;
    for (const std::wstring& wstrName : names)
        wstrText.append(wstrName).push_back(L'\0');
    wstrText.push_back(L'\0');
    return wstrText;
}

DWORD SetTriggers(CService& service, const std::vector<ServiceKeyParts::Trigger>& triggers)
{
    // Each record points into the ones after it: all are sized first.
    std::vector<std::string> data;
    std::vector<GUID> subtypes(triggers.size());
    std::vector<std::vector<TriggerDataItem>> items(triggers.size());
    std::vector<Trigger> records(triggers.size());
    for (const ServiceKeyParts::Trigger& trigger : triggers)
    {
        for (const TriggerItem& item : trigger.items)
            data.push_back(item.data);
    }
    size_t nData = 0;
    for (size_t i = 0; i < triggers.size(); ++i)
    {
        std::memcpy(&subtypes[i], triggers[i].subtype.data(), sizeof(GUID));
        for (const TriggerItem& item : triggers[i].items)
        {
            std::string& bytes = data[nData++];
            items[i].push_back({item.dwDataType, static_cast<DWORD>(bytes.size()),
                                bytes.empty() ? nullptr : reinterpret_cast<BYTE*>(&bytes[0])});
        }
        records[i] = {triggers[i].dwType, triggers[i].dwAction, &subtypes[i], static_cast<DWORD>(items[i].size()),
                      items[i].empty() ? nullptr : items[i].data()};
    }
    TriggerInfo info = {static_cast<DWORD>(records.size()), records.empty() ? nullptr : records.data(), nullptr};
    return service.ChangeConfig2(kLevelTriggers, &info);
}
} // namespace

void SetParts(CService& service, const Parts& parts, std::vector<DWORD>* pRefused)
{
    auto set = [&](DWORD dwLevel, void* pInfo) {
        if (service.ChangeConfig2(dwLevel, pInfo) != 0)
            pRefused->push_back(dwLevel);
    };
    if (parts.bFailureActions)
    {
        const FailureActions& actions = parts.failureActions;
        std::vector<SC_ACTION> list;
        for (const FailureAction& action : actions.actions)
            list.push_back({static_cast<SC_ACTION_TYPE>(action.dwType), action.dwDelay});
        std::wstring wstrRebootMessage = actions.wstrRebootMessage, wstrCommand = actions.wstrCommand;
        // No text leaves the manager's as it is, which for a new service is none.
        SERVICE_FAILURE_ACTIONSW info = {actions.dwResetPeriod,
                                         actions.bHasRebootMessage ? &wstrRebootMessage[0] : nullptr,
                                         actions.bHasCommand ? &wstrCommand[0] : nullptr,
                                         static_cast<DWORD>(list.size()), list.empty() ? nullptr : list.data()};
        set(kLevelFailureActions, &info);
    }
    if (parts.bDelayedAutoStart)
    {
        DelayedAutoStartInfo info = {parts.bDelayed ? TRUE : FALSE};
        set(kLevelDelayedAutoStart, &info);
    }
    if (parts.bFailureActionsFlag)
    {
        FailureActionsFlag info = {parts.bNonCrashFailures ? TRUE : FALSE};
        set(kLevelFailureActionsFlag, &info);
    }
    if (parts.bSidType)
    {
        SidInfo info = {parts.dwSidType};
        set(kLevelSidType, &info);
    }
    if (parts.bRequiredPrivileges)
    {
        std::wstring wstrNames = NamesText(parts.privileges);
        RequiredPrivilegesInfo info = {&wstrNames[0]};
        set(kLevelRequiredPrivileges, &info);
    }
    if (parts.bTriggers && SetTriggers(service, parts.triggers) != 0)
        pRefused->push_back(kLevelTriggers);
}

bool ReadRecord(DWORD dwLevel, const void* pInfo, Parts* pParts)
{
    if (pInfo == nullptr)
        return false;
    switch (dwLevel)
    {
    case kLevelFailureActions:
    {
        const auto* pActions = static_cast<const SERVICE_FAILURE_ACTIONSW*>(pInfo);
        FailureActions& actions = pParts->failureActions;
        actions.dwResetPeriod = pActions->dwResetPeriod;
        actions.actions.clear();
        for (DWORD i = 0; i < pActions->cActions && pActions->lpsaActions != nullptr; ++i)
            actions.actions.push_back({static_cast<uint32_t>(pActions->lpsaActions[i].Type),
                                       pActions->lpsaActions[i].Delay});
        if (pActions->lpRebootMsg != nullptr)
        {
            actions.bHasRebootMessage = true;
            actions.wstrRebootMessage = TextOf(pActions->lpRebootMsg);
        }
        if (pActions->lpCommand != nullptr)
        {
            actions.bHasCommand = true;
            actions.wstrCommand = TextOf(pActions->lpCommand);
        }
        pParts->bFailureActions = true;
        return true;
    }
    case kLevelDelayedAutoStart:
        pParts->bDelayedAutoStart = true;
        pParts->bDelayed = static_cast<const DelayedAutoStartInfo*>(pInfo)->fDelayedAutostart != FALSE;
        return true;
    case kLevelFailureActionsFlag:
        pParts->bFailureActionsFlag = true;
        pParts->bNonCrashFailures =
            static_cast<const FailureActionsFlag*>(pInfo)->fFailureActionsOnNonCrashFailures != FALSE;
        return true;
    case kLevelSidType:
        pParts->bSidType = true;
        pParts->dwSidType = static_cast<const SidInfo*>(pInfo)->dwServiceSidType;
        return true;
    case kLevelRequiredPrivileges:
    {
        pParts->bRequiredPrivileges = true;
        pParts->privileges.clear();
        for (const wchar_t* p = static_cast<const RequiredPrivilegesInfo*>(pInfo)->pmszRequiredPrivileges;
             p != nullptr && *p != L'\0'; p += lstrlenW(p) + 1)
            pParts->privileges.emplace_back(p);
        return true;
    }
    case kLevelTriggers:
    {
        const auto* pTriggers = static_cast<const TriggerInfo*>(pInfo);
        pParts->bTriggers = true;
        pParts->triggers.clear();
        for (DWORD i = 0; i < pTriggers->cTriggers && pTriggers->pTriggers != nullptr; ++i)
        {
            const Trigger& record = pTriggers->pTriggers[i];
            ServiceKeyParts::Trigger trigger;
            trigger.dwType = record.dwTriggerType;
            trigger.dwAction = record.dwAction;
            if (record.pTriggerSubtype != nullptr)
                trigger.subtype.assign(reinterpret_cast<const char*>(record.pTriggerSubtype), sizeof(GUID));
            for (DWORD j = 0; j < record.cDataItems && record.pDataItems != nullptr; ++j)
            {
                const TriggerDataItem& item = record.pDataItems[j];
                trigger.items.push_back({item.dwDataType, item.pData != nullptr
                                                               ? std::string(reinterpret_cast<const char*>(item.pData),
                                                                             item.cbData)
                                                               : std::string()});
            }
            pParts->triggers.push_back(std::move(trigger));
        }
        return true;
    }
    default:
        return false;
    }
}
} // namespace ServiceConfig2
