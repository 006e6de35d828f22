// One door per computer: every call to a service manager and every read of
// the registry that manager keeps goes through a session, which names its
// computer and hands out owned service handles. Code above it never learns
// whether the computer is this one, another one, or a test's stand-in.
// Every name is the service's real UTF-16 name; every answer is 0 or a
// system error code.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

// One service as a list of the manager gives it.
struct EnumeratedService
{
    std::wstring wstrName;
    std::wstring wstrDisplayName;
    SERVICE_STATUS status = {};
};

// What QueryServiceConfig says of a service, and what a new one is made with.
struct ServiceConfig
{
    DWORD dwServiceType = 0;
    DWORD dwStartType = 0;
    DWORD dwErrorControl = 0;
    std::wstring wstrBinaryPath;
    std::wstring wstrLoadOrderGroup;
    // Service names, and groups with their leading '+', as stored.
    std::vector<std::wstring> dependencies;
    // Empty for the manager's own account (LocalSystem).
    std::wstring wstrAccount;
    std::wstring wstrDisplayName;
};

// What an open service answers; each kind of session has its own.
class IServiceHandle
{
public:
    virtual ~IServiceHandle() = default;

    virtual DWORD QueryStatus(SERVICE_STATUS* pStatus) = 0;
    virtual DWORD QueryConfig(ServiceConfig* pConfig) = 0;
    // 0 with an empty text for a service without a description.
    virtual DWORD QueryDescription(std::wstring* pwstrDescription) = 0;
    // Whether an automatic service waits until the others have started.
    virtual DWORD QueryDelayedAutoStart(bool* pbDelayed) = 0;
    // The names of the services that depend on this one, in any state.
    virtual DWORD EnumerateDependents(std::vector<std::wstring>* pNames) = 0;
    virtual DWORD ChangeStartType(DWORD dwStartType) = 0;
    virtual DWORD ChangeDescription(const std::wstring& wstrDescription) = 0;
    // ChangeServiceConfig2W of a level past the description, its record
    // as that call takes it (ServiceConfig2 declares those records).
    virtual DWORD ChangeConfig2(DWORD dwInfoLevel, void* pInfo) = 0;
    virtual DWORD Start() = 0;
    // pStatus gets what the manager answers, as ControlService gives it.
    virtual DWORD Control(DWORD dwControl, SERVICE_STATUS* pStatus) = 0;
    virtual DWORD Delete() = 0;
};

// An open service, closed when it goes; moved, never copied. A handle that
// is not open answers every call with ERROR_INVALID_HANDLE.
class CService
{
public:
    CService() = default;
    explicit CService(std::unique_ptr<IServiceHandle> pHandle) : m_pHandle(std::move(pHandle)) {}
    CService(CService&&) = default;
    CService& operator=(CService&&) = default;
    CService(const CService&) = delete;
    CService& operator=(const CService&) = delete;

    bool IsOpen() const { return m_pHandle != nullptr; }
    void Close() { m_pHandle.reset(); }

    DWORD QueryStatus(SERVICE_STATUS* pStatus) { return m_pHandle ? m_pHandle->QueryStatus(pStatus) : ERROR_INVALID_HANDLE; }
    DWORD QueryConfig(ServiceConfig* pConfig) { return m_pHandle ? m_pHandle->QueryConfig(pConfig) : ERROR_INVALID_HANDLE; }
    DWORD QueryDescription(std::wstring* pwstr) { return m_pHandle ? m_pHandle->QueryDescription(pwstr) : ERROR_INVALID_HANDLE; }
    DWORD QueryDelayedAutoStart(bool* pb) { return m_pHandle ? m_pHandle->QueryDelayedAutoStart(pb) : ERROR_INVALID_HANDLE; }
    DWORD EnumerateDependents(std::vector<std::wstring>* p) { return m_pHandle ? m_pHandle->EnumerateDependents(p) : ERROR_INVALID_HANDLE; }
    DWORD ChangeStartType(DWORD dw) { return m_pHandle ? m_pHandle->ChangeStartType(dw) : ERROR_INVALID_HANDLE; }
    DWORD ChangeDescription(const std::wstring& wstr) { return m_pHandle ? m_pHandle->ChangeDescription(wstr) : ERROR_INVALID_HANDLE; }
    DWORD ChangeConfig2(DWORD dw, void* p) { return m_pHandle ? m_pHandle->ChangeConfig2(dw, p) : ERROR_INVALID_HANDLE; }
    DWORD Start() { return m_pHandle ? m_pHandle->Start() : ERROR_INVALID_HANDLE; }
    DWORD Control(DWORD dw, SERVICE_STATUS* p) { return m_pHandle ? m_pHandle->Control(dw, p) : ERROR_INVALID_HANDLE; }
    DWORD Delete() { return m_pHandle ? m_pHandle->Delete() : ERROR_INVALID_HANDLE; }

    // The configured start type's code.
    DWORD QueryStartType(DWORD* pdwStartType);
    // Stops a running service, gives it a moment, then marks it for
    // deletion: one that stops later still goes when it has stopped.
    DWORD StopAndDelete();

private:
    std::unique_ptr<IServiceHandle> m_pHandle;
};

class IServiceSession
{
public:
    // Access masks the callers open services with.
    static constexpr DWORD kAccessRead = GENERIC_READ;
    static constexpr DWORD kAccessDetails = GENERIC_READ | SERVICE_ENUMERATE_DEPENDENTS;
    static constexpr DWORD kAccessStart = GENERIC_READ | SERVICE_START;
    static constexpr DWORD kAccessStop = GENERIC_READ | SERVICE_STOP;
    static constexpr DWORD kAccessPauseContinue = GENERIC_READ | SERVICE_PAUSE_CONTINUE;
    static constexpr DWORD kAccessChangeConfig = SERVICE_CHANGE_CONFIG;
    static constexpr DWORD kAccessChangeAndRead = SERVICE_CHANGE_CONFIG | SERVICE_QUERY_CONFIG | SERVICE_QUERY_STATUS;
    static constexpr DWORD kAccessDelete = SERVICE_ALL_ACCESS;

    // Where the manager keeps its services, below the registry root.
    static constexpr const wchar_t* kServicesKeyPath = L"SYSTEM\\CurrentControlSet\\Services";

    virtual ~IServiceSession() = default;

    // Empty for this computer.
    virtual const std::wstring& ComputerName() const = 0;
    // 0 when the manager could be opened, else why not (5 without rights,
    // 1722 or 53 for a computer that cannot be reached). Every other call
    // then answers with that code, or ERROR_INVALID_HANDLE.
    virtual DWORD ManagerError() const = 0;
    // Every service of the types (SERVICE_WIN32, SERVICE_DRIVER) in any
    // state; the list is empty on an error.
    virtual DWORD Enumerate(DWORD dwServiceType, std::vector<EnumeratedService>* pServices) = 0;
    virtual DWORD Open(const std::wstring& wstrName, DWORD dwDesiredAccess, CService* pService) = 0;
    // Makes a service and leaves it open with full access.
    virtual DWORD Create(const std::wstring& wstrName, const ServiceConfig& config, CService* pService) = 0;
    // The root the manager's registry lives under (that computer's
    // HKEY_LOCAL_MACHINE); null when it could not be reached. The session
    // keeps it open.
    virtual HKEY RegistryRoot() const = 0;
};

// A service's configured start type, the service opened for reading by its
// name: 0, or the error of the open or of the query.
DWORD ReadStartTypeOf(IServiceSession& session, const std::wstring& wstrName, DWORD* pdwStartType);

// The session of this computer (empty name) or of a named one, over the
// system's service manager and registry.
std::unique_ptr<IServiceSession> OpenServiceSession(const std::wstring& wstrComputerName = std::wstring());
