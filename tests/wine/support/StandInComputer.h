// A stand-in computer for one test: a key of its own under
// HKCU\Software\Quillmere Tests, services written into it in Windows'
// layout, all of it deleted again when the test ends.
#pragma once

#include "services/StandInSession.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

struct StandInService
{
    StandInService(const std::wstring& wstr, DWORD dwServiceType = SERVICE_WIN32_OWN_PROCESS,
                   DWORD dwStart = SERVICE_DEMAND_START)
        : wstrName(wstr), dwType(dwServiceType), dwStartType(dwStart)
    {
    }

    std::wstring wstrName;
    DWORD dwType;
    DWORD dwStartType;
    DWORD dwErrorControl = SERVICE_ERROR_NORMAL;
    std::wstring wstrPath = L"C:\\windows\\system32\\qmstandin.exe";
    std::wstring wstrDisplayName;           // none when empty
    std::vector<std::wstring> dependencies; // "+Group" names a group
    std::wstring wstrSddl;                  // written as Security\Security when set
    int nDelayedAutostart = -1;             // none when negative
};

class CStandInComputer
{
public:
    // Under a name unique to this run; the computer's own key is made.
    explicit CStandInComputer(const std::wstring& wstrComputerName = std::wstring());
    ~CStandInComputer();
    CStandInComputer(const CStandInComputer&) = delete;
    CStandInComputer& operator=(const CStandInComputer&) = delete;

    // Writes the services, over any of the same name.
    testing::AssertionResult Add(const std::vector<StandInService>& added);
    std::unique_ptr<CStandInSession> Session() const;
    // Below HKEY_CURRENT_USER: where the computers of this run live.
    const std::wstring& StoreKey() const { return m_wstrStoreKey; }
    // Below HKEY_CURRENT_USER: one service's key.
    std::wstring ServiceKey(const std::wstring& wstrName) const;

private:
    std::wstring m_wstrStoreKey;
    std::wstring m_wstrComputerName;
};
