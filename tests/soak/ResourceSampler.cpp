#include "soak/ResourceSampler.h"

#include <psapi.h>
#include <winternl.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace
{
const char* const kProbeName = "qm_soak_probe.dll";
constexpr DWORD kProbeTimeoutMs = 30000;
constexpr DWORD kUnknown = 0xFFFFFFFF;

// SystemHandleInformation: one entry per handle of every process.
constexpr SYSTEM_INFORMATION_CLASS kSystemHandleInformation = static_cast<SYSTEM_INFORMATION_CLASS>(16);
struct HandleEntry
{
    ULONG ulProcessId;
    BYTE bObjectType;
    BYTE bFlags;
    USHORT usHandle;
    PVOID pObject;
    ACCESS_MASK access;
};
struct HandleList
{
    ULONG ulCount;
    HandleEntry entries[1];
};
constexpr NTSTATUS kInfoLengthMismatch = static_cast<NTSTATUS>(0xC0000004);

std::string ErrorText(const char* pszWhat)
{
    return std::string(pszWhat) + " failed: " + std::to_string(GetLastError());
}

std::string ProbePath()
{
    char szPath[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, szPath, MAX_PATH);
    std::string strPath = szPath;
    return strPath.substr(0, strPath.find_last_of('\\') + 1) + kProbeName;
}

// Where a library is loaded in the process, by its file name.
BYTE* RemoteModule(HANDLE hProcess, const char* pszName)
{
    std::vector<HMODULE> modules(512);
    DWORD dwNeeded = 0;
    if (!EnumProcessModules(hProcess, modules.data(), static_cast<DWORD>(modules.size() * sizeof(HMODULE)),
                            &dwNeeded))
        return nullptr;
    modules.resize(std::min<std::size_t>(modules.size(), dwNeeded / sizeof(HMODULE)));
    for (HMODULE hModule : modules)
    {
        char szBase[MAX_PATH] = {};
        if (GetModuleBaseNameA(hProcess, hModule, szBase, MAX_PATH) && lstrcmpiA(szBase, pszName) == 0)
            return reinterpret_cast<BYTE*>(hModule);
    }
    return nullptr;
}
} // namespace

DWORD KernelHandleCount(DWORD dwProcessId)
{
    std::vector<BYTE> buffer(1 << 20);
    NTSTATUS status;
    ULONG ulLength = 0;
    while ((status = NtQuerySystemInformation(kSystemHandleInformation, buffer.data(),
                                              static_cast<ULONG>(buffer.size()), &ulLength)) == kInfoLengthMismatch)
        buffer.resize(buffer.size() * 2);
    if (status != 0)
        return kUnknown;
    const auto* pList = reinterpret_cast<const HandleList*>(buffer.data());
    DWORD dwCount = 0;
    for (ULONG i = 0; i < pList->ulCount; ++i)
        dwCount += pList->entries[i].ulProcessId == dwProcessId ? 1 : 0;
    return dwCount;
}

CResourceSampler::CResourceSampler(DWORD dwProcessId)
    : m_dwProcessId(dwProcessId)
{
}

CResourceSampler::~CResourceSampler()
{
    // The probe stays loaded in the program; it does nothing by itself.
    if (m_hLocalProbe != nullptr)
        FreeLibrary(m_hLocalProbe);
    if (m_hProcess != nullptr)
        CloseHandle(m_hProcess);
}

bool CResourceSampler::Attach(std::string* pError)
{
    QueryPerformanceCounter(&m_attached);
    m_hProcess = OpenProcess(PROCESS_ALL_ACCESS, FALSE, m_dwProcessId);
    if (m_hProcess == nullptr)
    {
        *pError = ErrorText("OpenProcess");
        return false;
    }
    std::string strPath = ProbePath();
    m_hLocalProbe = LoadLibraryA(strPath.c_str());
    if (m_hLocalProbe == nullptr)
    {
        *pError = ErrorText(("LoadLibrary of " + strPath).c_str());
        return false;
    }

    // LoadLibraryA as a thread of the program, its path in the program's
    // memory; kernel32 is where it is here too.
    SIZE_T nSize = strPath.size() + 1;
    void* pRemotePath = VirtualAllocEx(m_hProcess, nullptr, nSize, MEM_COMMIT, PAGE_READWRITE);
    BYTE* pRemoteKernel = RemoteModule(m_hProcess, "kernel32.dll");
    HMODULE hKernel = GetModuleHandleA("kernel32.dll");
    if (pRemotePath == nullptr || pRemoteKernel == nullptr ||
        !WriteProcessMemory(m_hProcess, pRemotePath, strPath.c_str(), nSize, nullptr))
    {
        *pError = ErrorText("preparing the probe's path in the program");
        return false;
    }
    BYTE* pLoad = pRemoteKernel + (reinterpret_cast<BYTE*>(GetProcAddress(hKernel, "LoadLibraryA")) -
                                   reinterpret_cast<BYTE*>(hKernel));
    HANDLE hThread = CreateRemoteThread(m_hProcess, nullptr, 0, reinterpret_cast<LPTHREAD_START_ROUTINE>(pLoad),
                                        pRemotePath, 0, nullptr);
    if (hThread == nullptr)
    {
        *pError = ErrorText("CreateRemoteThread(LoadLibraryA)");
        return false;
    }
    DWORD dwWait = WaitForSingleObject(hThread, kProbeTimeoutMs);
    CloseHandle(hThread);
    VirtualFreeEx(m_hProcess, pRemotePath, 0, MEM_RELEASE);
    m_pRemoteProbe = dwWait == WAIT_OBJECT_0 ? RemoteModule(m_hProcess, kProbeName) : nullptr;
    if (m_pRemoteProbe == nullptr)
    {
        *pError = "the probe did not load into the program";
        return false;
    }
    return true;
}

bool CResourceSampler::RunProbe(const char* pszExport, DWORD* pdwResult, std::string* pError)
{
    FARPROC pLocal = GetProcAddress(m_hLocalProbe, pszExport);
    if (pLocal == nullptr || m_pRemoteProbe == nullptr)
    {
        *pError = std::string("no probe for ") + pszExport;
        return false;
    }
    BYTE* pRemote = m_pRemoteProbe + (reinterpret_cast<BYTE*>(pLocal) - reinterpret_cast<BYTE*>(m_hLocalProbe));
    HANDLE hThread = CreateRemoteThread(m_hProcess, nullptr, 0, reinterpret_cast<LPTHREAD_START_ROUTINE>(pRemote),
                                        nullptr, 0, nullptr);
    if (hThread == nullptr)
    {
        *pError = ErrorText(pszExport);
        return false;
    }
    bool bDone = WaitForSingleObject(hThread, kProbeTimeoutMs) == WAIT_OBJECT_0 &&
                 GetExitCodeThread(hThread, pdwResult) && *pdwResult != kUnknown && *pdwResult != STILL_ACTIVE;
    CloseHandle(hThread);
    if (!bDone)
        *pError = std::string(pszExport) + " gave no answer";
    return bDone;
}

bool CResourceSampler::Sample(ResourceSample* pSample, std::string* pError)
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    pSample->dSeconds = static_cast<double>(now.QuadPart - m_attached.QuadPart) / frequency.QuadPart;
    // USER before GDI: reading an icon makes bitmaps for a moment.
    if (!RunProbe("QmCountUserObjects", &pSample->dwUserObjects, pError) ||
        !RunProbe("QmCountGdiObjects", &pSample->dwGdiObjects, pError) ||
        !RunProbe("QmPrivateKilobytes", &pSample->dwPrivateKb, pError) ||
        !RunProbe("QmCpuMilliseconds", &pSample->dwCpuMs, pError))
        return false;
    pSample->dwKernelHandles = KernelHandleCount(m_dwProcessId);
    if (pSample->dwKernelHandles == kUnknown)
    {
        *pError = "the system's handle list cannot be read";
        return false;
    }
    return true;
}
