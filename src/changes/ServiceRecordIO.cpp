#include "changes/ServiceRecordIO.h"

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
