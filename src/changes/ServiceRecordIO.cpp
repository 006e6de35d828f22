#include "changes/ServiceRecordIO.h"

#include "changes/JournalledChange.h"
#include "services/ServiceRegistry.h"

DWORD ReadServiceRecord(CService& service, const std::wstring& wstrName, ChangeJournal::ServiceRecord* pRecord)
{
    ServiceConfig config;
    if (DWORD dwError = service.QueryConfig(&config))
        return dwError;
    pRecord->wstrName = wstrName;
    pRecord->dwServiceType = config.dwServiceType;
    pRecord->dwStartType = config.dwStartType;
    pRecord->dwErrorControl = config.dwErrorControl;
    pRecord->wstrPath = config.wstrBinaryPath;
    pRecord->wstrLoadOrderGroup = config.wstrLoadOrderGroup;
    pRecord->wstrAccount = config.wstrAccount;
    pRecord->wstrDisplayName = config.wstrDisplayName;
    pRecord->dependencies = config.dependencies;
    pRecord->bHasDescription = service.QueryDescription(&pRecord->wstrDescription) == 0;
    if (!pRecord->bHasDescription)
        pRecord->wstrDescription.clear();
    return 0;
}

DWORD CreateServiceFromRecord(IServiceSession& session, const ChangeJournal::ServiceRecord& record)
{
    ServiceConfig config;
    config.dwServiceType = record.dwServiceType;
    config.dwStartType = record.dwStartType;
    config.dwErrorControl = record.dwErrorControl;
    config.wstrBinaryPath = record.wstrPath;
    config.wstrLoadOrderGroup = record.wstrLoadOrderGroup;
    config.dependencies = record.dependencies;
    config.wstrAccount = record.wstrAccount;
    config.wstrDisplayName = record.wstrDisplayName;
    CService service;
    if (DWORD dwError = session.Create(record.wstrName, config, &service))
        return dwError;
    return record.bHasDescription ? service.ChangeDescription(record.wstrDescription) : 0;
}

DWORD DeleteServiceJournalled(IServiceSession& session, const std::wstring& wstrName, CJournalledChange& change,
                              bool* pbRefused)
{
    *pbRefused = false;
    CService service;
    if (DWORD dwError = session.Open(wstrName, IServiceSession::kAccessDelete, &service))
        return dwError;
    ChangeJournal::ServiceRecord record;
    if (DWORD dwError = ReadServiceRecord(service, wstrName, &record))
        return dwError;
    // Some managers answer with no dependencies; their store has them.
    if (record.dependencies.empty())
        record.dependencies = CServicesKey(session.RegistryRoot()).ReadDependencies(wstrName);
    ChangeJournal::Entry entry;
    entry.kind = ChangeJournal::Kind::ServiceRemoval;
    entry.services.push_back(std::move(record));
    if (!change.Begin(&entry))
    {
        *pbRefused = true;
        return 0;
    }
    DWORD dwError = service.StopAndDelete();
    if (dwError == 0)
        change.RecordDeleted(0);
    return dwError;
}
