// The only door to the service control manager: one manager handle for the
// object's life and at most one open service at a time.
#pragma once

#include "changes/ChangeJournal.h"

#include <windows.h>

#include <string>
#include <vector>

class CServiceControl
{
public:
    // Access masks the callers open services with.
    static constexpr DWORD kAccessRead = GENERIC_READ;
    static constexpr DWORD kAccessDetails = GENERIC_READ | SERVICE_ENUMERATE_DEPENDENTS;
    static constexpr DWORD kAccessStart = GENERIC_READ | SERVICE_START;
    static constexpr DWORD kAccessStop = GENERIC_READ | SERVICE_STOP;
    static constexpr DWORD kAccessPauseContinue = GENERIC_READ | SERVICE_PAUSE_CONTINUE;
    static constexpr DWORD kAccessChangeConfig = SERVICE_CHANGE_CONFIG;
    static constexpr DWORD kAccessDelete = SERVICE_ALL_ACCESS;

    // Opens the manager of the local machine with full access; a failure
    // leaves the manager handle null and is reported by Open later.
    CServiceControl();
    // As above on a named service database; a database that does not exist
    // gives the null manager a user without rights would get.
    explicit CServiceControl(const char* pszDatabaseName);
    ~CServiceControl();

    CServiceControl(const CServiceControl&) = delete;
    CServiceControl& operator=(const CServiceControl&) = delete;

    // 0, the error code of OpenServiceA, or ERROR_INVALID_HANDLE when there
    // is no manager.
    DWORD Open(const std::string& strServiceName, DWORD dwDesiredAccess);
    void Close();

    DWORD QueryStatus(std::string* pstrState, DWORD* pdwControlsAccepted);
    // The start-type text and its index are set only when both are wanted.
    DWORD QueryConfig(std::string* pstrStartType, std::string* pstrBinaryPath,
                      std::string* pstrFirstDependency, std::string* pstrDisplayName,
                      int* pnStartTypeIndex);
    // The configured start type's code.
    DWORD QueryStartType(DWORD* pdwStartType);
    // Every configured dependency, as stored: service names, and groups
    // with their leading '+'.
    DWORD QueryDependencies(std::vector<std::string>* pDependencies);
    DWORD QueryDescription(std::string* pstrDescription);
    // Everything a deleted service would need to be made again, as the
    // manager reports it; dependencies as QueryDependencies gives them.
    DWORD QueryWholeConfig(ChangeJournal::ServiceRecord* pRecord);
    // Makes a service again from its record, with its whole dependency
    // list and its description; nothing stays open afterwards.
    DWORD CreateFromRecord(const ChangeJournal::ServiceRecord& record);
    // By its word, as files and the knowledge base give it, or by its code.
    DWORD ChangeStartType(std::string strStartType);
    DWORD ChangeStartType(DWORD dwStartType);
    DWORD Start();
    DWORD Control(DWORD dwControl, SERVICE_STATUS* pStatus);
    DWORD StopAndDelete();

    SC_HANDLE ManagerHandle() const { return m_hSCManager; }
    // False when the configuration buffer could not be had at construction.
    bool BuffersReady() const { return m_bBuffersReady; }
    SC_HANDLE ServiceHandle() const { return m_hService; }

    // Keeps a service open for one scope: closed on every way out of it.
    class COpenService
    {
    public:
        COpenService(CServiceControl& control, const std::string& strServiceName, DWORD dwDesiredAccess)
            : m_control(control), m_dwError(control.Open(strServiceName, dwDesiredAccess))
        {
        }
        ~COpenService() { m_control.Close(); }
        COpenService(const COpenService&) = delete;
        COpenService& operator=(const COpenService&) = delete;
        // 0 when the service is open, else the error of the open.
        DWORD Error() const { return m_dwError; }

    private:
        CServiceControl& m_control;
        DWORD m_dwError;
    };

private:
    DWORD QueryConfigRecord();
    void Init(const char* pszDatabaseName);

    SC_HANDLE m_hSCManager = nullptr;
    SC_HANDLE m_hService = nullptr;
    std::vector<BYTE> m_configBuffer;
    std::vector<BYTE> m_descriptionBuffer;
    bool m_bBuffersReady = true;
};
