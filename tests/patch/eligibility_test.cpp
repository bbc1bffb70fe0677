// The eligibility checks and the marker against the registry, filled through Win32 calls so
// the same tests run under Wine (whose test prefix is Windows XP).
#include <gtest/gtest.h>

#include "patch_eligibility.h"
#include "registry_values.h"

namespace
{

class Eligibility : public testing::Test
{
protected:
    void SetUp() override { removeSuiteKey(); }
    void TearDown() override { removeSuiteKey(); }

    static void removeSuiteKey() { RegDeleteKeyW(HKEY_LOCAL_MACHINE, g_szSuiteKey); }

    static void storeVersion(LPCWSTR szVersion)
    {
        ASSERT_EQ(ERROR_SUCCESS,
                  qorTestStoreText(HKEY_LOCAL_MACHINE, g_szSuiteKey, TEXT("Version"), szVersion));
    }

    static void storeMarker(DWORD dwMarker)
    {
        ASSERT_EQ(ERROR_SUCCESS, qorTestStoreNumber(HKEY_LOCAL_MACHINE, g_szSuiteKey,
                                                    TEXT("FirefoxPatch"), dwMarker));
    }
};

} // namespace

TEST_F(Eligibility, SuiteVersionMustBeginWith81)
{
    EXPECT_FALSE(checkSuiteVersion()) << "no suite key";
    for (LPCWSTR szPass : {TEXT("8.1"), TEXT("8.1.1234"), TEXT("8.10")})
    {
        storeVersion(szPass);
        EXPECT_TRUE(checkSuiteVersion());
    }
    for (LPCWSTR szFail : {TEXT("8.0"), TEXT("8"), TEXT("9.1"), TEXT(" 8.1")})
    {
        storeVersion(szFail);
        EXPECT_FALSE(checkSuiteVersion());
    }
    ASSERT_EQ(ERROR_SUCCESS,
              qorTestStoreNumber(HKEY_LOCAL_MACHINE, g_szSuiteKey, TEXT("Version"), 81));
    EXPECT_FALSE(checkSuiteVersion());
}

TEST_F(Eligibility, AbsentOrOtherVersionIsNotEligibleButAValueOfAnotherTypeIsUnreadable)
{
    EXPECT_EQ(svOtherVersion, examineSuiteVersion()) << "no suite key";
    storeMarker(1);
    EXPECT_EQ(svOtherVersion, examineSuiteVersion()) << "no Version value";
    storeVersion(TEXT("8.0.0.311"));
    EXPECT_EQ(svOtherVersion, examineSuiteVersion());
    storeVersion(TEXT("8.1.0.5"));
    EXPECT_EQ(svEligible, examineSuiteVersion());
    ASSERT_EQ(ERROR_SUCCESS,
              qorTestStoreNumber(HKEY_LOCAL_MACHINE, g_szSuiteKey, TEXT("Version"), 81));
    EXPECT_EQ(svUnreadable, examineSuiteVersion());
}

TEST_F(Eligibility, MarkerIsAppliedWhenNotZero)
{
    EXPECT_FALSE(isPatchApplied());
    storeMarker(0);
    EXPECT_FALSE(isPatchApplied());
    storeMarker(1);
    EXPECT_TRUE(isPatchApplied());
    storeMarker(0x80000000);
    EXPECT_TRUE(isPatchApplied());
}

TEST_F(Eligibility, MarkingCreatesTheSuiteKey)
{
    EXPECT_TRUE(markPatchApplied());
    EXPECT_TRUE(isPatchApplied());
    HKEY hKey = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, g_szSuiteKey, 0, KEY_READ, &hKey));
    DWORD dwValues = 99;
    EXPECT_EQ(ERROR_SUCCESS,
              RegQueryInfoKeyW(hKey, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                               &dwValues, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(1u, dwValues) << "only the marker";
    RegCloseKey(hKey);
}

TEST_F(Eligibility, WindowsXPIsSupported)
{
    EXPECT_TRUE(checkOperatingSystem());
}
