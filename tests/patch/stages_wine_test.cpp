// The stages against what only a real Windows (here Wine) has: its processes and the account
// it runs as. The host's counterparts are in the host-only stage tests.
#include <windows.h>
#include <lm.h>

#include "patch_profiles.h"
#include "patch_shutdown.h"
#include "stage_folders.h"

namespace
{
// The first normal account that NetUserEnum lists: under Wine the Unix user.
wstring_t firstAccount()
{
    LPBYTE pBuffer = nullptr;
    DWORD dwRead = 0;
    DWORD dwTotal = 0;
    DWORD dwResume = 0;
    wstring_t strAccount;
    if (NetUserEnum(nullptr, 0, FILTER_NORMAL_ACCOUNT, &pBuffer, MAX_PREFERRED_LENGTH, &dwRead,
                    &dwTotal, &dwResume) == NERR_Success &&
        dwRead > 0)
        strAccount = reinterpret_cast<USER_INFO_0*>(pBuffer)->usri0_name;
    if (pBuffer != nullptr)
        NetApiBufferFree(pBuffer);
    return strAccount;
}

// The test program's folder, where the sleeper program is built too.
wstring_t programFolder()
{
    WCHAR szPath[MAX_PATH];
    DWORD dwLength = GetModuleFileNameW(nullptr, szPath, MAX_PATH);
    wstring_t strPath(szPath, dwLength < MAX_PATH ? dwLength : 0);
    return strPath.substr(0, strPath.find_last_of('\\') + 1);
}

// The topmost folder of the path that does not exist yet: what a test that makes the path
// has to remove again.
wstring_t firstMissingFolder(const wstring_t& strPath)
{
    wstring_t strMissing;
    for (wstring_t strFolder = strPath;
         strFolder.size() > 3 && GetFileAttributesW(strFolder.c_str()) == INVALID_FILE_ATTRIBUTES;
         strFolder = strFolder.substr(0, strFolder.find_last_of('\\')))
        strMissing = strFolder;
    return strMissing;
}

class WineStages : public StageFolderTest
{
protected:
    WineStages() : StageFolderTest(TEXT("C:\\qor_wine_stages")) {}
};

class Sleeper
{
public:
    explicit Sleeper(const wstring_t& strPath) : m_info()
    {
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        wstring_t strCommand = TEXT("\"") + strPath + TEXT("\"");
        m_bStarted = CreateProcessW(strPath.c_str(), &strCommand[0], nullptr, nullptr, FALSE, 0,
                                    nullptr, nullptr, &startup, &m_info) != FALSE;
    }
    ~Sleeper()
    {
        if (!m_bStarted)
            return;
        TerminateProcess(m_info.hProcess, 1);
        CloseHandle(m_info.hThread);
        CloseHandle(m_info.hProcess);
    }
    bool started() const { return m_bStarted; }
    // The exit code once it has ended within the time, else STILL_ACTIVE.
    DWORD exitCodeWithin(DWORD dwMilliseconds) const
    {
        DWORD dwCode = STILL_ACTIVE;
        if (WaitForSingleObject(m_info.hProcess, dwMilliseconds) == WAIT_OBJECT_0)
            GetExitCodeProcess(m_info.hProcess, &dwCode);
        return dwCode;
    }

private:
    PROCESS_INFORMATION m_info;
    bool m_bStarted;
};
} // namespace

TEST_F(WineStages, ARunningVmrauthIsStoppedInAnyLetterCaseAndAnotherProgramIsNot)
{
    wstring_t strComponent = m_strRoot + TEXT("\\vmrauth.exe");
    // Names are matched whole, in any letter case.
    wstring_t strCapitals = m_strRoot + TEXT("\\caps\\VMRAUTH.EXE");
    wstring_t strBystander = m_strRoot + TEXT("\\xvmrauth.exe");
    ASSERT_TRUE(CopyFileW((programFolder() + TEXT("stage_sleeper.exe")).c_str(),
                          strComponent.c_str(), FALSE));
    makeFolders(m_strRoot + TEXT("\\caps"));
    ASSERT_TRUE(CopyFileW(strComponent.c_str(), strCapitals.c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(strComponent.c_str(), strBystander.c_str(), FALSE));
    Sleeper component(strComponent);
    Sleeper capitals(strCapitals);
    Sleeper bystander(strBystander);
    ASSERT_TRUE(component.started());
    ASSERT_TRUE(capitals.started());
    ASSERT_TRUE(bystander.started());

    EXPECT_TRUE(stopComponentProcesses());
    EXPECT_EQ(0u, component.exitCodeWithin(10000)) << "ended with exit code 0";
    EXPECT_EQ(0u, capitals.exitCodeWithin(10000));
    EXPECT_EQ(static_cast<DWORD>(STILL_ACTIVE), bystander.exitCodeWithin(0));
}

TEST_F(WineStages, EveryCopyInTheAccountsProfilesIsOverwritten)
{
    wstring_t strAccount = firstAccount();
    ASSERT_FALSE(strAccount.empty());
    // The prefix reports Windows XP, so the profiles lie below Documents and Settings.
    wstring_t strUser = TEXT("C:\\Documents and Settings\\") + strAccount;
    wstring_t strProfiles = strUser + TEXT("\\Application Data\\Mozilla\\Firefox\\Profiles");
    wstring_t strMade = firstMissingFolder(strProfiles);
    ASSERT_FALSE(strMade.empty()) << "a real Firefox profile is not the test's to change";
    const wstring_t aCopies[] = {
        strProfiles + TEXT("\\a.default\\extensions\\{id}\\components\\qorlks_moz_xpcom.dll"),
        strProfiles + TEXT("\\b.work\\extensions\\{id}\\components\\qorlks_moz_xpcom.dll"),
    };
    for (const wstring_t& strCopy : aCopies)
        writeFile(strCopy, "old component");
    writeFile(m_strRoot + TEXT("\\work\\LKS FireFox Extension\\Components\\qorlks_moz_xpcom.dll"),
              "new component");
    ASSERT_TRUE(qorTestEnterFolder((m_strRoot + TEXT("\\work")).c_str()));

    EXPECT_TRUE(updateBrowserProfiles());
    for (const wstring_t& strCopy : aCopies)
        EXPECT_EQ("new component", qorTestReadFile(strCopy)) << utf8(strCopy.c_str());

    qorTestRemoveTree(strMade);
}
