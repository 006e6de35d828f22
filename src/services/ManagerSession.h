// The session of a real computer: the system's service manager through its
// wide calls, and the registry that manager keeps its services in.
#pragma once

#include "services/ServiceListing.h"
#include "services/ServiceSession.h"

#include <windows.h>

#include <memory>
#include <string>

class CManagerSession : public IServiceSession
{
public:
    // An empty name is this computer; another is given with or without its
    // leading "\\". A database that does not exist gives a session without
    // a manager, as a user without rights would have. When the manager or
    // the computer's registry cannot be had, the session has no manager:
    // every call answers ERROR_INVALID_HANDLE and ManagerError says why.
    explicit CManagerSession(const std::wstring& wstrComputerName, const wchar_t* pszDatabaseName = nullptr);
    ~CManagerSession() override;

    CManagerSession(const CManagerSession&) = delete;
    CManagerSession& operator=(const CManagerSession&) = delete;

    // What stands in for EnumServicesStatusW and EnumDependentServicesW, for
    // tests; an empty function puts the system's back. Handles already
    // given out use the new ones too.
    void SetEnumerators(EnumServicesFunction enumerateServices, EnumDependentsFunction enumerateDependents);

    // Without the leading "\\"; empty for this computer.
    const std::wstring& ComputerName() const override { return m_wstrComputerName; }
    DWORD ManagerError() const override;
    DWORD Enumerate(DWORD dwServiceType, std::vector<EnumeratedService>* pServices) override;
    // *pService holds the service when 0 is answered, nothing otherwise.
    DWORD Open(const std::wstring& wstrName, DWORD dwDesiredAccess, CService* pService) override;
    // The dependencies are said once more after the creation (some managers
    // keep only the first); should that fail, its code is answered and the
    // new service is still left open in *pService. The description is the
    // caller's to set.
    DWORD Create(const std::wstring& wstrName, const ServiceConfig& config, CService* pService) override;
    HKEY RegistryRoot() const override;

    // What the session and every handle it gave out share, so that a handle
    // outliving the session still has its manager.
    struct Shared;

private:
    std::wstring m_wstrComputerName;
    std::shared_ptr<Shared> m_pShared;
    // The room the last listing took: the polling lists every half second.
    DWORD m_dwListingBytes = 0;
};
