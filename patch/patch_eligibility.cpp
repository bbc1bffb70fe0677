#include "patch_eligibility.h"

#include "patch_log.h"
#include "qor_registry_dword.h"
#include "qor_registry_raw_value.h"
#include "qor_registry_string.h"
#include "qor_windows_os_info.h"

const WCHAR g_szSuiteKey[] = TEXT("SOFTWARE\\Arvenne\\Velmora");

namespace
{
const WCHAR g_szMarker[] = TEXT("FirefoxPatch");
// The operating system's answer for a 32-bit native processor.
const WCHAR g_szVersion[] = TEXT("Version");
const WCHAR g_szVersionStage[] = TEXT("checkSuiteVersion");
// The operating system's answer for a 32-bit native processor.
const UINT kPlatform32Bit = 1;

CQORWCharString text(LPCWSTR szText)
{
    return CQORWCharString(szText);
}

CQORWCharString number(DWORD dwValue)
{
    return CQORWCharString(static_cast<LONG>(dwValue));
}

// Whether "Version" is there at all and stored as text, before the string class reads it
// (which takes any type's bytes for text).
ESuiteVersion probeSuiteVersion()
{
    CQORRegistryRawValue probe(HKEY_LOCAL_MACHINE, g_szSuiteKey, g_szVersion, KEY_READ, false, 0);
    if (!probe.readRegistry())
    {
        if (probe.isMissing())
        {
            logPatchStep(g_szVersionStage, text(TEXT("no \"Version\" under HKEY_LOCAL_MACHINE\\")) +
                                               text(g_szSuiteKey) +
                                               text(TEXT(": Velmora is not installed")));
            return svOtherVersion;
        }
        logPatchFailure(g_szVersionStage, text(TEXT("\"Version\" cannot be read")),
                        static_cast<DWORD>(probe.getStatus()));
        return svUnreadable;
    }
    if (probe.getType() != REG_SZ && probe.getType() != REG_EXPAND_SZ)
    {
        logPatchFailure(g_szVersionStage,
                        text(TEXT("\"Version\" is not text but of registry type ")) +
                            number(probe.getType()),
                        ERROR_DATATYPE_MISMATCH);
        return svUnreadable;
    }
    return svEligible;
}

} // namespace

ESuiteVersion examineSuiteVersion()
{
    ESuiteVersion probed = probeSuiteVersion();
    if (probed != svEligible)
        return probed;
    CQORRegistryString version(HKEY_LOCAL_MACHINE, g_szSuiteKey, g_szVersion, KEY_READ, false, 0);
    CQORWCharString strVersion;
    if (!version.getValue(strVersion, false))
    {
        logPatchFailure(g_szVersionStage, text(TEXT("\"Version\" cannot be read")), GetLastError());
        return svUnreadable;
    }
    bool bEligible = strVersion.beginsWith(TEXT("8.1"));
    logPatchStep(g_szVersionStage,
                 text(TEXT("Version ")) + strVersion +
                     text(bEligible ? TEXT(": eligible") : TEXT(": not 8.1, not eligible")));
    return bEligible ? svEligible : svOtherVersion;
}

bool checkSuiteVersion()
{
    return examineSuiteVersion() == svEligible;
}

bool checkOperatingSystem()
{
    const LPCWSTR szStage = TEXT("checkOperatingSystem");
    try
    {
        CQORWindowsOSInfo info;
        bool bVista = info.isVistaOrLater();
        bool bSupported = bVista ? info.getPlatform() == kPlatform32Bit : info.isXPOrLater();
        CQORWCharString strRelease = text(bVista               ? TEXT("Windows Vista or later")
                                          : info.isXPOrLater() ? TEXT("Windows XP")
                                                               : TEXT("Windows before XP"));
        if (bVista)
            strRelease += text(bSupported ? TEXT(", 32-bit") : TEXT(", not 32-bit"));
        logPatchStep(szStage,
                     strRelease + text(bSupported ? TEXT(": supported") : TEXT(": not supported")));
        return bSupported;
    }
    catch (CQORLogging&)
    {
        // Without even a version number the machine cannot be shown to match.
        logPatchFailure(szStage, text(TEXT("the Windows release cannot be told")), GetLastError());
        return false;
    }
}

bool isPatchApplied()
{
    CQORRegistryDword marker(HKEY_LOCAL_MACHINE, g_szSuiteKey, g_szMarker, KEY_READ, false, 0);
    DWORD dwMarker = 0;
    bool bRead = marker.getValue(dwMarker, false);
    bool bApplied = bRead && dwMarker != 0;
    CQORWCharString strMarker = bRead ? text(TEXT("FirefoxPatch = ")) + number(dwMarker)
                                      : text(TEXT("no FirefoxPatch marker"));
    logPatchStep(TEXT("isPatchApplied"), strMarker + text(bApplied ? TEXT(": already applied")
                                                                   : TEXT(": not applied yet")));
    return bApplied;
}

bool markPatchApplied()
{
    CQORRegistryDword marker(HKEY_LOCAL_MACHINE, g_szSuiteKey, g_szMarker, KEY_ALL_ACCESS, true, 0);
    bool bMarked = marker.setValue(1, false);
    if (bMarked)
        logPatchStep(TEXT("markPatchApplied"), text(TEXT("FirefoxPatch = 1 written")));
    else
        logPatchFailure(TEXT("markPatchApplied"), text(TEXT("FirefoxPatch not written")),
                        GetLastError());
    return bMarked;
}
