// The Windows release a machine.ini describes, as the version record, the native system
// information and the shell's query report it, and the faults that can be injected there.
#include <gtest/gtest.h>

#include <ostream>
#include <tuple>

#include "qor_host.h"
#include "test_text.h"

namespace
{

typedef BOOL(WINAPI* IsOsFunction)(DWORD);

// What the program can learn of the release.
struct Release
{
    DWORD dwMajor;
    DWORD dwMinor;
    DWORD dwBuild;
    std::string strPack;
    WORD wArchitecture;
    bool bXpOrLater;
    bool bVistaOrLater;

    bool operator==(const Release& other) const
    {
        return std::tie(dwMajor, dwMinor, dwBuild, strPack, wArchitecture, bXpOrLater,
                        bVistaOrLater) == std::tie(other.dwMajor, other.dwMinor, other.dwBuild,
                                                   other.strPack, other.wArchitecture,
                                                   other.bXpOrLater, other.bVistaOrLater);
    }
};

void PrintTo(const Release& release, std::ostream* pOut)
{
    *pOut << release.dwMajor << "." << release.dwMinor << "." << release.dwBuild << " \""
          << release.strPack << "\" arch " << release.wArchitecture << " IsOS(18) "
          << release.bXpOrLater << " IsOS(37) " << release.bVistaOrLater;
}

Release currentRelease()
{
    Release release = {};
    OSVERSIONINFOEXW record = {};
    record.dwOSVersionInfoSize = sizeof(record);
    EXPECT_NE(FALSE, GetVersionExW(reinterpret_cast<LPOSVERSIONINFOW>(&record)));
    release.dwMajor = record.dwMajorVersion;
    release.dwMinor = record.dwMinorVersion;
    release.dwBuild = record.dwBuildNumber;
    release.strPack = utf8(record.szCSDVersion);
    SYSTEM_INFO info;
    GetNativeSystemInfo(&info);
    release.wArchitecture = info.wProcessorArchitecture;
    HMODULE hShell = LoadLibraryW(TEXT("shlwapi.dll"));
    IsOsFunction pfnIsOs = reinterpret_cast<IsOsFunction>(
        reinterpret_cast<void (*)()>(GetProcAddress(hShell, MAKEINTRESOURCEA(437))));
    EXPECT_NE(nullptr, pfnIsOs);
    if (pfnIsOs != nullptr)
    {
        release.bXpOrLater = pfnIsOs(18) != FALSE;
        release.bVistaOrLater = pfnIsOs(37) != FALSE;
    }
    FreeLibrary(hShell);
    return release;
}

Release releaseOf(const std::string& strIni)
{
    qorhost::setMachineIni(strIni);
    return currentRelease();
}

const WORD kX86 = PROCESSOR_ARCHITECTURE_INTEL;
const WORD kX64 = PROCESSOR_ARCHITECTURE_AMD64;

} // namespace

TEST(HostRelease, MachineIniChoosesTheRelease)
{
    EXPECT_EQ((Release{5, 1, 2600, "Service Pack 3", kX86, true, false}), currentRelease())
        << "without a [system] section: Windows XP SP3, 32-bit";
    EXPECT_EQ((Release{6, 0, 6002, "Service Pack 2", kX64, true, true}),
              releaseOf("[System]\nVersion = 6.0\nServicePack = 2\nArch = x64\n"));
    EXPECT_EQ((Release{6, 1, 7600, "", kX86, true, true}),
              releaseOf("[system]\nversion = 6.1\nservicepack = 0\n"))
        << "Windows 7 is later than XP although its minor number is 1";
    EXPECT_EQ((Release{5, 0, 2195, "Service Pack 4", kX86, false, false}),
              releaseOf("[system]\nversion = 5.0\nservicepack = 4\n"));
    EXPECT_EQ((Release{5, 1, 2600, "Service Pack 3", kX86, true, false}),
              releaseOf("[system]\nversion = seven\nservicepack = many\narch = arm\n"))
        << "what cannot be read stays at the default";
}

TEST(HostRelease, InjectedFaultsFailTheVersionAndShellCalls)
{
    qorhost::failCall("GetVersionExW", ERROR_INVALID_PARAMETER, "", 1);
    OSVERSIONINFOEXW record = {};
    record.dwOSVersionInfoSize = sizeof(record);
    EXPECT_EQ(FALSE, GetVersionExW(reinterpret_cast<LPOSVERSIONINFOW>(&record)));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
    EXPECT_EQ(0u, record.dwMajorVersion);
    EXPECT_NE(FALSE, GetVersionExW(reinterpret_cast<LPOSVERSIONINFOW>(&record)))
        << "the fault was for one call";

    qorhost::failCall("GetProcAddress", ERROR_PROC_NOT_FOUND);
    HMODULE hShell = LoadLibraryW(TEXT("shlwapi.dll"));
    ASSERT_NE(nullptr, hShell);
    EXPECT_EQ(nullptr, GetProcAddress(hShell, MAKEINTRESOURCEA(437)));
    EXPECT_EQ(static_cast<DWORD>(ERROR_PROC_NOT_FOUND), GetLastError());
    EXPECT_NE(FALSE, FreeLibrary(hShell));
    EXPECT_EQ(FALSE, FreeLibrary(hShell)) << "loaded once, freed once";

    qorhost::failCall("LoadLibraryW", ERROR_ACCESS_DENIED);
    EXPECT_EQ(nullptr, LoadLibraryW(TEXT("shlwapi.dll")));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
}
