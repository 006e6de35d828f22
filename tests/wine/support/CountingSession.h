// A session that counts the calls made to the service manager through it
// and passes each on to the session it wraps, so that a test or a
// benchmark can say which actions asked the manager at all.
#pragma once

#include "services/ServiceSession.h"

#include <memory>

class CCountingSession : public IServiceSession
{
public:
    // The counts live beside the window that owns the session.
    struct Counts
    {
        int nEnumerations = 0;
        int nOpens = 0;
        int Total() const { return nEnumerations + nOpens; }
    };

    CCountingSession(std::unique_ptr<IServiceSession> pInner, Counts* pCounts)
        : m_pInner(std::move(pInner)), m_pCounts(pCounts)
    {
    }
    const std::wstring& ComputerName() const override { return m_pInner->ComputerName(); }
    DWORD ManagerError() const override { return m_pInner->ManagerError(); }
    DWORD Enumerate(DWORD dwServiceType, std::vector<EnumeratedService>* pServices) override
    {
        ++m_pCounts->nEnumerations;
        return m_pInner->Enumerate(dwServiceType, pServices);
    }
    DWORD Open(const std::wstring& wstrName, DWORD dwDesiredAccess, CService* pService) override
    {
        ++m_pCounts->nOpens;
        return m_pInner->Open(wstrName, dwDesiredAccess, pService);
    }
    DWORD Create(const std::wstring& wstrName, const ServiceConfig& config, CService* pService) override
    {
        ++m_pCounts->nOpens;
        return m_pInner->Create(wstrName, config, pService);
    }
    HKEY RegistryRoot() const override { return m_pInner->RegistryRoot(); }

private:
    std::unique_ptr<IServiceSession> m_pInner;
    Counts* m_pCounts;
};
