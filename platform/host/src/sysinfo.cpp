// The Windows release and processor of machine.ini's [system] section, as kernel32 reports
// them, and shlwapi.dll as the one module there is to load: its ordinal 437 is the shell's
// IsOS query, answered for that release as Windows answers it.
#include <windows.h>

#include <algorithm>
#include <filesystem>

#include "host_machine.h"

namespace
{

// Where the loaded shlwapi.dll "lies": its address is the module handle.
int g_iShlwapiImage = 0;
int g_nShlwapiLoads = 0;

const WORD kIsOsOrdinal = 437;

// IsOS query codes (shlwapi.h).
const DWORD kOsNt = 1;
const DWORD kOsXpOrGreater = 18;
// Not in the SDK's list; Wine's shlwapi answers it as Windows Vista or later.
const DWORD kOsVistaOrGreater = 37;

HMODULE shlwapiModule()
{
    return reinterpret_cast<HMODULE>(&g_iShlwapiImage);
}

DWORD injectedError(const char* szCall)
{
    return qorhost::Machine::current().injectedFailure(szCall);
}

// Ends a failing call: the error becomes the thread's last error.
bool failed(DWORD dwError)
{
    if (dwError != 0)
        SetLastError(dwError);
    return dwError != 0;
}

bool atLeast(const qorhost::HostRelease& release, DWORD dwMajor, DWORD dwMinor)
{
    return release.dwMajor > dwMajor || (release.dwMajor == dwMajor && release.dwMinor >= dwMinor);
}

BOOL WINAPI isOs(DWORD dwQuery)
{
    qorhost::HostRelease release = qorhost::Machine::current().release();
    switch (dwQuery)
    {
    case kOsNt:
        return TRUE;
    case kOsXpOrGreater:
        return atLeast(release, 5, 1);
    case kOsVistaOrGreater:
        return atLeast(release, 6, 0);
    default:
        return FALSE;
    }
}

// "shlwapi.dll", "SHLWAPI" or a path ending in either: Windows adds ".dll" to a bare name.
bool namesShlwapi(LPCWSTR szName)
{
    std::u16string strName = szName;
    size_t nSlash = strName.find_last_of(u"\\/");
    if (nSlash != std::u16string::npos)
        strName.erase(0, nSlash + 1);
    strName = qorhost::foldCase(strName);
    return strName == u"SHLWAPI.DLL" || strName == u"SHLWAPI";
}

} // namespace

void qorhost::resetLoadedModules()
{
    g_nShlwapiLoads = 0;
}

BOOL WINAPI GetVersionExW(LPOSVERSIONINFOW lpVersionInformation)
{
    DWORD dwError =
        lpVersionInformation == nullptr ? ERROR_NOACCESS : injectedError("GetVersionExW");
    DWORD dwSize = dwError == 0 ? lpVersionInformation->dwOSVersionInfoSize : 0;
    if (dwError == 0 && dwSize != sizeof(OSVERSIONINFOW) && dwSize != sizeof(OSVERSIONINFOEXW))
        dwError = ERROR_INSUFFICIENT_BUFFER;
    if (failed(dwError))
        return FALSE;
    qorhost::HostRelease release = qorhost::Machine::current().release();
    lpVersionInformation->dwMajorVersion = release.dwMajor;
    lpVersionInformation->dwMinorVersion = release.dwMinor;
    lpVersionInformation->dwBuildNumber = release.buildNumber();
    lpVersionInformation->dwPlatformId = VER_PLATFORM_WIN32_NT;
    std::u16string strPack;
    if (release.dwServicePack > 0)
        strPack = u"Service Pack " + qorhost::fromUtf8(std::to_string(release.dwServicePack));
    lstrcpynW(lpVersionInformation->szCSDVersion, strPack.c_str(), 128);
    if (dwSize == sizeof(OSVERSIONINFOEXW))
    {
        LPOSVERSIONINFOEXW pExtended = reinterpret_cast<LPOSVERSIONINFOEXW>(lpVersionInformation);
        pExtended->wServicePackMajor = static_cast<WORD>(release.dwServicePack);
        pExtended->wServicePackMinor = 0;
        pExtended->wSuiteMask = VER_SUITE_SINGLEUSERTS;
        pExtended->wProductType = VER_NT_WORKSTATION;
        pExtended->wReserved = 0;
    }
    return TRUE;
}

void WINAPI GetNativeSystemInfo(LPSYSTEM_INFO lpSystemInfo)
{
    bool bX64 = qorhost::Machine::current().release().bX64;
    *lpSystemInfo = SYSTEM_INFO();
    lpSystemInfo->wProcessorArchitecture =
        bX64 ? PROCESSOR_ARCHITECTURE_AMD64 : PROCESSOR_ARCHITECTURE_INTEL;
    lpSystemInfo->dwPageSize = 4096;
    lpSystemInfo->lpMinimumApplicationAddress = reinterpret_cast<LPVOID>(0x10000);
    lpSystemInfo->lpMaximumApplicationAddress =
        reinterpret_cast<LPVOID>(bX64 ? 0x7FFFFFEFFFFULL : 0x7FFEFFFFULL);
    lpSystemInfo->dwActiveProcessorMask = 1;
    lpSystemInfo->dwNumberOfProcessors = 1;
    lpSystemInfo->dwProcessorType = bX64 ? PROCESSOR_AMD_X8664 : PROCESSOR_INTEL_PENTIUM;
    lpSystemInfo->dwAllocationGranularity = 65536;
    lpSystemInfo->wProcessorLevel = 6;
}

namespace qorhost
{
std::u16string windowsFolder()
{
    static const std::u16string kFolder = u"C:\\WINDOWS";
    std::error_code error;
    std::filesystem::create_directories(Machine::current().hostPath(kFolder), error);
    return kFolder;
}
} // namespace qorhost

UINT WINAPI GetWindowsDirectoryW(LPWSTR lpBuffer, UINT uSize)
{
    std::u16string strFolder = qorhost::windowsFolder();
    UINT uLength = static_cast<UINT>(strFolder.size());
    if (lpBuffer == nullptr || uSize <= uLength)
        return uLength + 1;
    std::copy(strFolder.begin(), strFolder.end(), lpBuffer);
    lpBuffer[uLength] = 0;
    return uLength;
}

HMODULE WINAPI LoadLibraryW(LPCWSTR lpLibFileName)
{
    DWORD dwError =
        lpLibFileName == nullptr ? ERROR_INVALID_PARAMETER : injectedError("LoadLibraryW");
    if (dwError == 0 && !namesShlwapi(lpLibFileName))
        dwError = ERROR_MOD_NOT_FOUND;
    if (failed(dwError))
        return nullptr;
    ++g_nShlwapiLoads;
    return shlwapiModule();
}

FARPROC WINAPI GetProcAddress(HMODULE hModule, LPCSTR lpProcName)
{
    DWORD dwError = injectedError("GetProcAddress");
    if (dwError == 0 && (hModule != shlwapiModule() || g_nShlwapiLoads == 0))
        dwError = ERROR_MOD_NOT_FOUND;
    if (dwError == 0 && (!IS_INTRESOURCE(lpProcName) ||
                         LOWORD(reinterpret_cast<ULONG_PTR>(lpProcName)) != kIsOsOrdinal))
        dwError = ERROR_PROC_NOT_FOUND;
    if (failed(dwError))
        return nullptr;
    // Through void (*)(), the one function type that converts to any other without a warning.
    return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&isOs));
}

BOOL WINAPI FreeLibrary(HMODULE hLibModule)
{
    if (hLibModule == nullptr)
    {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    // The program itself stays loaded whatever its reference count.
    if (hLibModule == GetModuleHandleW(nullptr))
        return TRUE;
    DWORD dwError = injectedError("FreeLibrary");
    if (dwError == 0 && (hLibModule != shlwapiModule() || g_nShlwapiLoads == 0))
        dwError = ERROR_MOD_NOT_FOUND;
    if (failed(dwError))
        return FALSE;
    --g_nShlwapiLoads;
    return TRUE;
}
