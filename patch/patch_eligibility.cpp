#include "patch_eligibility.h"

#include "qor_registry_dword.h"
#include "qor_registry_string.h"
#include "qor_windows_os_info.h"

const WCHAR g_szSuiteKey[] = TEXT("SOFTWARE\\Arvenne\\Velmora");

namespace
{
const WCHAR g_szMarker[] = TEXT("FirefoxPatch");
// The operating system's answer for a 32-bit native processor.
const UINT kPlatform32Bit = 1;
} // namespace

bool checkSuiteVersion()
{
    CQORRegistryString version(HKEY_LOCAL_MACHINE, g_szSuiteKey, TEXT("Version"), KEY_READ, false,
                               0);
    CQORWCharString strVersion;
    return version.getValue(strVersion, false) && strVersion.beginsWith(TEXT("8.1"));
}

bool checkOperatingSystem()
{
    try
    {
        CQORWindowsOSInfo info;
        if (info.isVistaOrLater())
            return info.getPlatform() == kPlatform32Bit;
        return info.isXPOrLater();
    }
    catch (CQORLogging&)
    {
        // Without even a version number the machine cannot be shown to match.
        return false;
    }
}

bool isPatchApplied()
{
    CQORRegistryDword marker(HKEY_LOCAL_MACHINE, g_szSuiteKey, g_szMarker, KEY_READ, false, 0);
    DWORD dwMarker = 0;
    return marker.getValue(dwMarker, false) && dwMarker != 0;
}

bool markPatchApplied()
{
    CQORRegistryDword marker(HKEY_LOCAL_MACHINE, g_szSuiteKey, g_szMarker, KEY_ALL_ACCESS, true, 0);
    return marker.setValue(1, false);
}
