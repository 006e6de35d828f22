// A session whose "computer" is a registry key of its own, answering as
// Windows' service manager does where Wine's does not: descriptors are
// enforced, per-user instances refuse changes, lists come in batches of at
// most 256 KB, the delayed flag is read, a computer can be out of reach.
// Its services live below the key in Windows' own layout, so the program's
// registry readers, pointed at RegistryRoot(), see the same store. Run
// states are kept in memory. Meant for one thread at a time.
#pragma once

#include "common/KeyCopyIO.h"
#include "services/ServiceKeyParts.h"
#include "services/ServiceListing.h"
#include "services/ServiceSession.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

// The stand-in's registry store and run states, shared with the handles it
// gives out, which may outlive the session.
struct StandInStore;

class CStandInSession : public IServiceSession
{
public:
    // What Windows serves of a list in one call, whatever buffer it is given.
    static constexpr DWORD kBatchLimitBytes = 256 * 1024;
    // Windows' SERVICE_USERSERVICE_INSTANCE, missing from older headers.
    static constexpr DWORD kUserServiceInstance = 0x80;

    // The computer is the key <wstrStoreKey>\<computer name, or "local">
    // below hParent; it cannot be reached (1722) when that key is missing.
    CStandInSession(HKEY hParent, const std::wstring& wstrStoreKey, const std::wstring& wstrComputerName);

    const std::wstring& ComputerName() const override { return m_wstrComputerName; }
    DWORD ManagerError() const override { return m_dwManagerError; }
    DWORD Enumerate(DWORD dwServiceType, std::vector<EnumeratedService>* pServices) override;
    DWORD Open(const std::wstring& wstrName, DWORD dwDesiredAccess, CService* pService) override;
    DWORD Create(const std::wstring& wstrName, const ServiceConfig& config, CService* pService) override;
    HKEY RegistryRoot() const override;

    // Sets what the service reports (state, accepted controls, codes) as
    // its own process would; 0 or 1060 for a service the store lacks.
    DWORD SetStatus(const std::wstring& wstrName, const SERVICE_STATUS& status);

    // The raw batch call in EnumServicesStatusW's shape; the manager handle
    // is not looked at. Enumerate runs the program's listing loop over it.
    BOOL EnumerateBatch(SC_HANDLE hManager, DWORD dwServiceType, DWORD dwServiceState,
                        ENUM_SERVICE_STATUSW* pServices, DWORD cbBufSize, DWORD* pcbBytesNeeded,
                        DWORD* pServicesReturned, DWORD* pResumeHandle);
    EnumServicesFunction BatchFunction();
    // What the service's manager was told through ChangeServiceConfig2
    // since it was made, and the levels in the order told; false for a
    // service the store lacks.
    bool HeldParts(const std::wstring& wstrName, ServiceKeyParts::Parts* pParts, std::vector<DWORD>* pLevels) const;
    // A smaller batch than Windows serves, for lists of modest length.
    void SetBatchLimit(DWORD cbLimit) { m_cbBatchLimit = cbLimit < kBatchLimitBytes ? cbLimit : kBatchLimitBytes; }
    // What the batch calls served since the session was made.
    unsigned BatchCalls() const { return m_nBatchCalls; }
    DWORD LargestBatchBytes() const { return m_cbLargestBatch; }

private:
    std::wstring m_wstrComputerName;
    DWORD m_dwManagerError = 0;
    std::shared_ptr<StandInStore> m_pStore;
    DWORD m_cbBatchLimit = kBatchLimitBytes;
    unsigned m_nBatchCalls = 0;
    DWORD m_cbLargestBatch = 0;
};
