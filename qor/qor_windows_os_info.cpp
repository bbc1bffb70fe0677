#include "qor_windows_os_info.h"

#include "qor_environment_variable.h"
#include "qor_log_scope.h"
#include "qor_registry_dword.h"

namespace
{
// The IsOS queries: Windows XP or later, and (as shlwapi answers it) Vista or later.
const DWORD kQueryXPOrLater = 18;
const DWORD kQueryVistaOrLater = 37;
const WORD kIsOSOrdinal = 437;

typedef BOOL(WINAPI* PFNISOS)(DWORD dwQuery);

// The two sizes GetVersionExW knows: OSVERSIONINFOEXW, then OSVERSIONINFOW.
const DWORD kVersionInfoExSize = 284;
const DWORD kVersionInfoSize = 276;
} // namespace

CQORWindowsOSInfo::CQORWindowsOSInfo()
    : m_bXPOrLater(false), m_bVistaOrLater(false), m_bPE(false), m_ulServicePack(0), m_dVersion(0.0)
{
    QOR_TRACE(trace, "CQORWindowsOSInfo", "CQORWindowsOSInfo");
    m_bPE = performPECheck();
    bool bAnswer = false;
    if (performOSQueryFunction(kQueryXPOrLater, bAnswer))
    {
        m_bXPOrLater = bAnswer;
        if (performOSQueryFunction(kQueryVistaOrLater, bAnswer))
            m_bVistaOrLater = bAnswer;
    }

    DWORD dwCSDVersion = 0;
    CQORRegistryDword csdVersion(HKEY_LOCAL_MACHINE,
                                 TEXT("SYSTEM\\CurrentControlSet\\Control\\Windows"),
                                 TEXT("CSDVersion"), KEY_READ, false, 0);
    m_ulServicePack = csdVersion.getValue(dwCSDVersion, false) ? dwCSDVersion >> 8 : 0;

    OSVERSIONINFOEXW version = {};
    version.dwOSVersionInfoSize = kVersionInfoExSize;
    if (!GetVersionExW(reinterpret_cast<LPOSVERSIONINFOW>(&version)))
    {
        version.dwOSVersionInfoSize = kVersionInfoSize;
        if (!GetVersionExW(reinterpret_cast<LPOSVERSIONINFOW>(&version)))
            throw CQORWindowsOSInfoInitNeededException(QOR_HERE);
    }
    m_dVersion = static_cast<double>(version.dwMajorVersion) +
                 static_cast<double>(version.dwMinorVersion) / 10.0;
    trace.passed(true);
}

CQORWindowsOSInfo::~CQORWindowsOSInfo()
{
    QOR_TRACE(trace, "CQORWindowsOSInfo", "~CQORWindowsOSInfo");
    trace.passed(true);
}

UINT CQORWindowsOSInfo::getPlatform() const
{
    QOR_TRACE(trace, "CQORWindowsOSInfo", "getPlatform");
    SYSTEM_INFO info = {};
    GetNativeSystemInfo(&info);
    // IA-64, x64, and 32-bit code on 64-bit Windows.
    bool b64Bit = info.wProcessorArchitecture == 6 || info.wProcessorArchitecture == 9 ||
                  info.wProcessorArchitecture == 10;
    UINT uPlatform = b64Bit ? 2 : 1;
    trace.setResult(QOR_CODE_PASS_FAIL, static_cast<LONG>(uPlatform));
    return uPlatform;
}

bool CQORWindowsOSInfo::performOSQueryFunction(DWORD dwQuery, bool& bAnswer) const
{
    QOR_TRACE(trace, "CQORWindowsOSInfo", "performOSQueryFunction");
    try
    {
        HMODULE hShell = LoadLibraryW(TEXT("shlwapi.dll"));
        if (hShell == nullptr)
            return trace.passed(false);
        // Exported by ordinal only; the cast goes through void* as function pointers of
        // another type may not be converted directly.
        PFNISOS pfnIsOS = reinterpret_cast<PFNISOS>(reinterpret_cast<void*>(GetProcAddress(
            hShell, reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(kIsOSOrdinal)))));
        if (pfnIsOS == nullptr)
        {
            FreeLibrary(hShell);
            return trace.passed(false);
        }
        bAnswer = pfnIsOS(dwQuery) != FALSE;
        FreeLibrary(hShell);
        return trace.passed(true);
    }
    QOR_CATCH_RETURN(trace.passed(false), static_cast<LONG>(GetLastError()))
}

bool CQORWindowsOSInfo::performPECheck() const
{
    QOR_TRACE(trace, "CQORWindowsOSInfo", "performPECheck");
    try
    {
        CQOREnvironmentVariable drive(TEXT("QORDrive"));
        CQORWCharString strValue;
        drive.getValue(strValue);
        return trace.answered(strValue.getLength() != 0);
    }
    QOR_CATCH_RETURN(trace.answered(false), static_cast<LONG>(GetLastError()))
}
