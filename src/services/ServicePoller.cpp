#include "services/ServicePoller.h"

#include "common/GbkText.h"
#include "common/WideText.h"
#include "services/ServiceRegistry.h"

#include <algorithm>

CServicePoller::CServicePoller()
{
    m_hChanged = CreateEventA(nullptr, TRUE, FALSE, nullptr);
}

CServicePoller::~CServicePoller()
{
    if (m_hChanged != nullptr)
        CloseHandle(m_hChanged);
}

void CServicePoller::WatchServicesKey()
{
    if (!m_watchedKey.IsOpen())
        m_watchedKey.Open(m_hRoot, IServiceSession::kServicesKeyPath, KEY_NOTIFY);
    ResetEvent(m_hChanged);
    // Without a watch every start type is read again on every pass.
    if (m_hRoot == nullptr || !m_watchedKey.IsOpen() || m_hChanged == nullptr ||
        RegNotifyChangeKeyValue(m_watchedKey.Get(), TRUE, REG_NOTIFY_CHANGE_LAST_SET | REG_NOTIFY_CHANGE_NAME,
                                m_hChanged, TRUE) != ERROR_SUCCESS)
        m_bStartTypesStale = true;
}

bool CServicePoller::ReadStartType(CRegKey* pKey, const wchar_t* pszName, DWORD* pdwStartType)
{
    if (m_hRoot == nullptr)
        return false;
    if (!m_servicesKey.IsOpen() &&
        m_servicesKey.Open(m_hRoot, IServiceSession::kServicesKeyPath, KEY_READ) != ERROR_SUCCESS)
        return false;
    // A kept key may belong to a service deleted and made again since; it
    // is opened afresh once when it no longer answers.
    for (int nTry = 0; nTry < 2; ++nTry)
    {
        if (!pKey->IsOpen() && pKey->Open(m_servicesKey.Get(), pszName, KEY_QUERY_VALUE) != ERROR_SUCCESS)
            return false;
        LONG nResult = CServicesKey::ReadStartValue(pKey->Get(), pdwStartType);
        if (nResult == ERROR_SUCCESS)
            return true;
        pKey->Close();
        if (nResult != ERROR_KEY_DELETED)
            return false;
    }
    return false;
}

void CServicePoller::UseRoot(HKEY hRoot)
{
    if (hRoot == m_hRoot)
        return;
    m_hRoot = hRoot;
    for (auto& pEntry : m_entries)
        pEntry->key.Close();
    ++m_nGeneration;
    m_servicesKey.Close();
    m_watchedKey.Close();
    m_bStartTypesStale = true;
}

bool CServicePoller::StartTypesMayHaveChanged()
{
    if (m_bStartTypesStale)
        return true;
    return m_hChanged == nullptr || WaitForSingleObject(m_hChanged, 0) != WAIT_TIMEOUT;
}

void CServicePoller::CheckStartTypes()
{
    // Re-arm the watch before reading, so that a change during the read is
    // seen by the next check.
    if (!StartTypesMayHaveChanged())
        return;
    m_bStartTypesStale = false;
    WatchServicesKey();
    ++m_nGeneration;
}

bool CServicePoller::Update(Entry& entry, const EnumeratedService& listed)
{
    ServiceRow& row = entry.row;
    bool bChanged = false;
    RunState state = ServiceTexts::RunStateOf(listed.status.dwCurrentState);
    if (row.state != state || row.dwAccepted != listed.status.dwControlsAccepted)
    {
        row.state = state;
        row.dwAccepted = listed.status.dwControlsAccepted;
        bChanged = true;
    }
    if (row.wstrDisplayName != listed.wstrDisplayName)
    {
        row.wstrDisplayName = listed.wstrDisplayName;
        row.strDisplayName = GbkText::FromWide(listed.wstrDisplayName);
        bChanged = true;
    }
    // A start type that cannot be read is tried again on the next pass and
    // meanwhile keeps what the row had.
    DWORD dwStartType = 0;
    if (entry.nRead != m_nGeneration && ReadStartType(&entry.key, row.wstrName.c_str(), &dwStartType))
    {
        entry.nRead = m_nGeneration;
        if (!row.bStartTypeKnown || row.startType.dwCode != dwStartType)
        {
            row.bStartTypeKnown = true;
            row.startType = StartType{dwStartType, false};
            bChanged = true;
        }
    }
    return bChanged;
}

void CServicePoller::IndexEntries()
{
    m_byKey.clear();
    m_byKey.reserve(m_entries.size());
    for (std::size_t i = 0; i < m_entries.size(); ++i)
    {
        m_entries[i]->nPlace = i;
        m_byKey.emplace(WideAsciiLower(m_entries[i]->row.wstrName), m_entries[i].get());
    }
}

void CServicePoller::Rebuild(const std::vector<EnumeratedService>& services)
{
    std::vector<std::unique_ptr<Entry>> entries;
    entries.reserve(services.size());
    std::vector<bool> added(services.size(), false);
    for (const EnumeratedService& listed : services)
    {
        // The same name again; one spelt otherwise is another service.
        auto found = m_byKey.find(WideAsciiLower(listed.wstrName));
        std::unique_ptr<Entry> pEntry;
        if (found != m_byKey.end() && found->second != nullptr && found->second->row.wstrName == listed.wstrName)
        {
            pEntry = std::move(m_entries[found->second->nPlace]);
            found->second = nullptr;
        }
        if (!pEntry)
        {
            pEntry = std::make_unique<Entry>();
            pEntry->row.wstrName = listed.wstrName;
            pEntry->row.strName = GbkText::FromWide(listed.wstrName);
            pEntry->row.bStartTypeKnown = false;
            added[entries.size()] = true;
        }
        entries.push_back(std::move(pEntry));
    }
    for (const auto& pOld : m_entries)
    {
        if (pOld)
            m_changes.push_back({Change::Kind::Removed, pOld->row.wstrName, nullptr});
    }
    m_entries = std::move(entries);
    IndexEntries();
    for (std::size_t i = 0; i < services.size(); ++i)
    {
        Entry& entry = *m_entries[i];
        if (Update(entry, services[i]) || added[i])
            m_changes.push_back({added[i] ? Change::Kind::Added : Change::Kind::Changed, entry.row.wstrName, &entry.row});
    }
}

DWORD CServicePoller::Refresh(IServiceSession& session)
{
    m_changes.clear();
    std::vector<EnumeratedService>& services = m_listed;
    if (DWORD dwError = session.Enumerate(SERVICE_WIN32, &services))
        return dwError;
    UseRoot(session.RegistryRoot());
    CheckStartTypes();

    // The manager lists in the same order from pass to pass: each service
    // is matched by its place, and the table is made again only when names
    // came, went or moved.
    bool bSameNames = services.size() == m_entries.size();
    for (std::size_t i = 0; bSameNames && i < services.size(); ++i)
        bSameNames = m_entries[i]->row.wstrName == services[i].wstrName;
    if (!bSameNames)
    {
        Rebuild(services);
        return 0;
    }
    for (std::size_t i = 0; i < services.size(); ++i)
    {
        Entry& entry = *m_entries[i];
        if (Update(entry, services[i]))
            m_changes.push_back({Change::Kind::Changed, entry.row.wstrName, &entry.row});
    }
    return 0;
}

DWORD CServicePoller::Fill(IServiceSession& session, const std::function<void(DWORD dwError)>& report)
{
    if (DWORD dwError = Refresh(session))
        return dwError;
    // The manager's own store answers at once; ask the manager itself only
    // for a service whose key cannot be read.
    bool bGone = false;
    for (auto& pEntry : m_entries)
    {
        ServiceRow& row = pEntry->row;
        if (row.bStartTypeKnown)
            continue;
        DWORD dwStartType = 0;
        DWORD dwError = ReadStartTypeOf(session, row.wstrName, &dwStartType);
        if (dwError == ERROR_SERVICE_DOES_NOT_EXIST)
        {
            // Removed since it was listed: the next listing says so.
            m_changes.push_back({Change::Kind::Removed, row.wstrName, nullptr});
            pEntry.reset();
            bGone = true;
            continue;
        }
        if (dwError != 0)
        {
            report(dwError);
            continue;
        }
        row.bStartTypeKnown = true;
        row.startType = StartType{dwStartType, false};
    }
    if (bGone)
    {
        m_entries.erase(std::remove(m_entries.begin(), m_entries.end(), nullptr), m_entries.end());
        IndexEntries();
    }
    return 0;
}

bool CServicePoller::StartTypeOf(const std::wstring& wstrServiceName, DWORD* pdwStartType)
{
    auto found = m_byKey.find(WideAsciiLower(wstrServiceName));
    if (found == m_byKey.end())
    {
        CRegKey key;
        return ReadStartType(&key, wstrServiceName.c_str(), pdwStartType);
    }
    Entry& entry = *found->second;
    if (entry.nRead == m_nGeneration && entry.row.bStartTypeKnown)
    {
        *pdwStartType = entry.row.startType.dwCode;
        return true;
    }
    // Read but not kept: the next pass takes it into the row and says so.
    return ReadStartType(&entry.key, entry.row.wstrName.c_str(), pdwStartType);
}

const ServiceRow* CServicePoller::Find(const std::wstring& wstrServiceName) const
{
    auto found = m_byKey.find(WideAsciiLower(wstrServiceName));
    return found != m_byKey.end() ? &found->second->row : nullptr;
}
