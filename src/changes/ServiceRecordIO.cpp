#include "changes/ServiceRecordIO.h"

#include "changes/JournalledChange.h"
#include "common/KeyCopyIO.h"
#include "services/ServiceConfig2.h"
#include "services/ServiceRegistry.h"

namespace
{
std::wstring ServiceKeyPath(const std::wstring& wstrName)
{
    return std::wstring(IServiceSession::kServicesKeyPath) + L"\\" + wstrName;
}
} // namespace

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

DWORD ReadServiceKey(IServiceSession& session, ChangeJournal::ServiceRecord* pRecord)
{
    if (session.RegistryRoot() == nullptr)
        return ERROR_INVALID_HANDLE;
    LONG nResult = ReadKeyCopy(session.RegistryRoot(), ServiceKeyPath(pRecord->wstrName), &pRecord->key);
    pRecord->bKeyRecorded = nResult == ERROR_SUCCESS;
    if (!pRecord->bKeyRecorded)
        pRecord->key = KeyCopy();
    return static_cast<DWORD>(nResult);
}

DWORD CreateServiceFromRecord(IServiceSession& session, const ChangeJournal::ServiceRecord& record,
                              std::vector<std::wstring>* pNotRestored)
{
    pNotRestored->clear();
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
    DWORD dwError = record.bHasDescription ? service.ChangeDescription(record.wstrDescription) : 0;
    if (!record.bKeyRecorded)
        return dwError;
    // The manager first, for what it holds in memory; then the key itself,
    // which gives whatever the manager refused at the next start.
    std::vector<DWORD> refused;
    ServiceConfig2::SetParts(service, ServiceKeyParts::FromKey(record.key), &refused);
    service.Close();
    const std::wstring wstrPath = ServiceKeyPath(record.wstrName);
    WriteKeyCopy(session.RegistryRoot(), wstrPath, record.key);
    KeyCopy written;
    if (ReadKeyCopy(session.RegistryRoot(), wstrPath, &written) != ERROR_SUCCESS)
        pNotRestored->push_back(L"");
    else
        *pNotRestored = KeyDifferences(record.key, written);
    return 0;
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
    // Without its key the service could not be made again as it was.
    if (DWORD dwError = ReadServiceKey(session, &record))
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
