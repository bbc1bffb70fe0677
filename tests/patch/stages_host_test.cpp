// The stages on machines a test cannot pick under Wine: other Windows releases, a registry
// that refuses the marker, and the completion dialogs.
#include <gtest/gtest.h>

#include "patch_completion.h"
#include "patch_eligibility.h"
#include "qor_host.h"
#include "test_text.h"

TEST(StagesHost, OperatingSystemTable)
{
    const struct
    {
        const char* szIni;
        bool bSupported;
    } aCases[] = {
        {"[system]\nversion=5.1\narch=x86\n", true},  {"[system]\nversion=5.2\narch=x64\n", true},
        {"[system]\nversion=6.0\narch=x86\n", true},  {"[system]\nversion=6.1\narch=x86\n", true},
        {"[system]\nversion=6.0\narch=x64\n", false}, {"[system]\nversion=6.1\narch=x64\n", false},
        {"[system]\nversion=5.0\narch=x86\n", false},
    };
    for (const auto& testCase : aCases)
    {
        qorhost::resetMachine();
        qorhost::setMachineIni(testCase.szIni);
        EXPECT_EQ(testCase.bSupported, checkOperatingSystem()) << testCase.szIni;
    }
}

TEST(StagesHost, SuiteKeyThatRefusesTheReadIsUnreadableNotIneligible)
{
    for (const char* szCall : {"RegOpenKeyExW", "RegQueryValueExW"})
    {
        qorhost::resetMachine();
        HKEY hKey = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, g_szSuiteKey, 0, nullptr, 0,
                                                 KEY_ALL_ACCESS, nullptr, &hKey, nullptr));
        const WCHAR szVersion[] = TEXT("8.1");
        ASSERT_EQ(ERROR_SUCCESS,
                  RegSetValueExW(hKey, TEXT("Version"), 0, REG_SZ,
                                 reinterpret_cast<const BYTE*>(szVersion), sizeof(szVersion)));
        RegCloseKey(hKey);
        qorhost::failCall(szCall, ERROR_ACCESS_DENIED,
                          "HKEY_LOCAL_MACHINE\\SOFTWARE\\Arvenne\\Velmora");
        EXPECT_EQ(svUnreadable, examineSuiteVersion()) << szCall;
    }
}

TEST(StagesHost, NoVersionAtAllIsNotEligible)
{
    qorhost::failCall("GetVersionExW", ERROR_INVALID_FUNCTION);
    EXPECT_FALSE(checkOperatingSystem());
}

TEST(StagesHost, SilentCompletionOnlyMarks)
{
    EXPECT_FALSE(completePatch(true)) << "no restart started";
    EXPECT_TRUE(isPatchApplied());
    EXPECT_TRUE(qorhost::messageBoxes().empty());
    EXPECT_TRUE(qorhost::exitRequests().empty());
}

TEST(StagesHost, InteractiveCompletionMarksThenTellsThenOffersTheRestart)
{
    qorhost::scriptDialogAnswers({IDOK, IDNO});
    EXPECT_FALSE(completePatch(false)) << "no restart started";
    EXPECT_TRUE(isPatchApplied());
    std::vector<qorhost::HostEvent> vecBoxes = qorhost::messageBoxes();
    ASSERT_EQ(2u, vecBoxes.size());
    EXPECT_EQ("The patch has been installed successfully.", utf8(vecBoxes[0].text.c_str()));
    EXPECT_EQ(static_cast<UINT>(MB_OK), vecBoxes[0].uType);
    EXPECT_EQ("In order for the patch installation process to complete, your computer must be "
              "restarted.  Click OK to restart your computer now.",
              utf8(vecBoxes[1].text.c_str()));
    EXPECT_EQ("Velmora-Locksmere", utf8(vecBoxes[1].caption.c_str()));
    EXPECT_EQ(static_cast<UINT>(MB_YESNO), vecBoxes[1].uType & MB_TYPEMASK);
    EXPECT_TRUE(qorhost::exitRequests().empty()) << "No keeps the computer running";

    qorhost::resetMachine();
    qorhost::scriptDialogAnswers({IDOK, IDYES});
    EXPECT_TRUE(completePatch(false)) << "restart started";
    ASSERT_EQ(1u, qorhost::exitRequests().size());
    EXPECT_EQ(0x12u, qorhost::exitRequests()[0].uExitFlags);

    // Yes, but the system refuses the restart: not started.
    qorhost::resetMachine();
    qorhost::failCall("ExitWindowsEx", ERROR_SHUTDOWN_IN_PROGRESS);
    qorhost::scriptDialogAnswers({IDOK, IDYES});
    EXPECT_FALSE(completePatch(false));
    EXPECT_TRUE(qorhost::exitRequests().empty());
}

TEST(StagesHost, RefusedMarkerStillShowsBothDialogs)
{
    qorhost::failCall("RegCreateKeyExW", ERROR_ACCESS_DENIED);
    qorhost::scriptDialogAnswers({IDOK, IDNO});
    completePatch(false);
    EXPECT_EQ(2u, qorhost::messageBoxes().size());
    qorhost::failCall("RegCreateKeyExW", 0);
    EXPECT_FALSE(isPatchApplied()) << "the next run patches again";
}
