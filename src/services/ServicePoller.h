// The table of services: every Win32 service by its real name, with its run
// state, accepted controls and start type, kept up to date by one cheap look
// per pass. A single enumeration carries states and accepted controls;
// start types come from the manager's registry store and are read again
// only when that store reports a change. Each pass updates the table in
// place and says which services were added, removed or changed.
#pragma once

#include "common/RegKey.h"
#include "services/ServiceRow.h"
#include "services/ServiceSession.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class CServicePoller
{
public:
    struct Change
    {
        enum class Kind
        {
            Added,
            Removed,
            Changed, // run state, accepted controls, start type or display name
        };
        Kind kind;
        std::wstring wstrName;
        const ServiceRow* pRow; // the table's row; nullptr for one removed
    };

    CServicePoller();
    ~CServicePoller();
    CServicePoller(const CServicePoller&) = delete;
    CServicePoller& operator=(const CServicePoller&) = delete;

    // 0, or the error of the enumeration (the table is then left as it was,
    // with no changes). Start types are read from the session's registry; a
    // start type a pass cannot read keeps what the table had.
    DWORD Refresh(IServiceSession& session);
    // A refresh after which every service has its start type: the manager
    // is asked for those whose key cannot be read. One removed since the
    // listing leaves the table; other failures go to report.
    DWORD Fill(IServiceSession& session, const std::function<void(DWORD dwError)>& report);
    // What the last Refresh or Fill changed.
    const std::vector<Change>& Changes() const { return m_changes; }
    // nullptr for a service the table does not hold; names compare as the
    // manager does, ASCII case aside.
    const ServiceRow* Find(const std::wstring& wstrServiceName) const;
    // Every row, in the order of the manager's last listing.
    template <typename Visit> void ForEachRow(Visit visit) const
    {
        for (const auto& pEntry : m_entries)
            visit(pEntry->row);
    }
    std::size_t Count() const { return m_entries.size(); }

    // Start types are read under this root (the session's registry root);
    // another root forgets what was kept. Refresh sets it by itself.
    void UseRoot(HKEY hRoot);
    // Forgets the kept start types when the store reported a change since
    // the last check; Refresh checks by itself.
    void CheckStartTypes();
    // A service's start type from the manager's store: the table's when it
    // was read since the last change, else read now. False when its key
    // cannot be read.
    bool StartTypeOf(const std::wstring& wstrServiceName, DWORD* pdwStartType);
    // Makes the next Refresh read every start type again.
    void InvalidateStartTypes() { m_bStartTypesStale = true; }

private:
    struct Entry
    {
        ServiceRow row;
        // The service's key stays open between reads: opening it costs
        // twice what the read itself does, and a re-read touches every service.
        CRegKey key;
        // The start types' generation the row's start type was read in.
        unsigned nRead = 0;
        std::size_t nPlace = 0; // in m_entries
    };

    bool StartTypesMayHaveChanged();
    void WatchServicesKey();
    bool ReadStartType(CRegKey* pKey, const wchar_t* pszName, DWORD* pdwStartType);
    // Takes the listing's values into the entry; true when they differ.
    bool Update(Entry& entry, const EnumeratedService& listed);
    // The table made again in the listing's order when names moved.
    void Rebuild(const std::vector<EnumeratedService>& services);
    void IndexEntries();

    std::vector<std::unique_ptr<Entry>> m_entries; // in the last listing's order
    std::unordered_map<std::wstring, Entry*> m_byKey; // by ASCII-lowercased name
    std::vector<Change> m_changes;
    // The last listing, kept so that the next one reuses its strings' room.
    std::vector<EnumeratedService> m_listed;
    unsigned m_nGeneration = 1;
    // The root the keys above were opened under; another one starts afresh.
    HKEY m_hRoot = nullptr;
    CRegKey m_servicesKey;
    CRegKey m_watchedKey;
    HANDLE m_hChanged = nullptr;
    bool m_bStartTypesStale = true;
};
