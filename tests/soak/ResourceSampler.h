// Counts what a running program holds, from beside it: its kernel handles
// from the system's handle list, and through a probe library loaded into
// it, its USER and GDI objects, private memory and CPU time.
#pragma once

#include <windows.h>

#include <string>

struct ResourceSample
{
    double dSeconds = 0; // since the sampler was attached
    DWORD dwKernelHandles = 0;
    DWORD dwGdiObjects = 0;
    DWORD dwUserObjects = 0;
    DWORD dwPrivateKb = 0;
    DWORD dwCpuMs = 0;
};

class CResourceSampler
{
public:
    explicit CResourceSampler(DWORD dwProcessId);
    ~CResourceSampler();

    CResourceSampler(const CResourceSampler&) = delete;
    CResourceSampler& operator=(const CResourceSampler&) = delete;

    // Loads the probe (qm_soak_probe.dll beside this program) into the
    // process; false with the reason when it cannot.
    bool Attach(std::string* pError);
    bool Sample(ResourceSample* pSample, std::string* pError);

private:
    bool RunProbe(const char* pszExport, DWORD* pdwResult, std::string* pError);

    DWORD m_dwProcessId;
    HANDLE m_hProcess = nullptr;
    HMODULE m_hLocalProbe = nullptr;
    BYTE* m_pRemoteProbe = nullptr;
    LARGE_INTEGER m_attached = {};
};

// Handles the process holds, from the system's handle list; 0xFFFFFFFF
// when the list cannot be read.
DWORD KernelHandleCount(DWORD dwProcessId);
