// The process environment as kernel32 shows it, the same on the host and under Wine:
// names without regard to case, Windows' sizes and last-error values.
#include <gtest/gtest.h>

#include <windows.h>

#include "test_text.h"

namespace
{
// Removes the variables a test sets, so that the next test finds the environment as it was.
class EnvironmentTest : public testing::Test
{
protected:
    void TearDown() override
    {
        for (LPCWSTR szName : {TEXT("QOR_TEST_VAR"), TEXT("QOR_TEST_EMPTY"), TEXT("QOR_TEST_X")})
            SetEnvironmentVariableW(szName, nullptr);
    }
};
} // namespace

TEST_F(EnvironmentTest, ValuesRoundTripAndNamesIgnoreCase)
{
    ASSERT_TRUE(SetEnvironmentVariableW(TEXT("QOR_Test_Var"), TEXT("gr\x00FC\x00DF \xD83D\xDE00")));
    WCHAR szValue[16];
    EXPECT_EQ(7u, GetEnvironmentVariableW(TEXT("qor_test_var"), szValue, 16));
    EXPECT_TEXT(TEXT("gr\x00FC\x00DF \xD83D\xDE00"), szValue);

    // Another spelling replaces the same variable rather than adding a second one.
    ASSERT_TRUE(SetEnvironmentVariableW(TEXT("QOR_TEST_VAR"), TEXT("second")));
    EXPECT_EQ(6u, GetEnvironmentVariableW(TEXT("QOR_Test_Var"), szValue, 16));
    EXPECT_TEXT(TEXT("second"), szValue);
    ASSERT_TRUE(SetEnvironmentVariableW(TEXT("qor_TEST_var"), nullptr));
    SetLastError(0);
    EXPECT_EQ(0u, GetEnvironmentVariableW(TEXT("QOR_TEST_VAR"), szValue, 16));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ENVVAR_NOT_FOUND), GetLastError());
}

TEST_F(EnvironmentTest, UnsetEmptyAndImpossibleNames)
{
    WCHAR szValue[8] = {'z', 'z'};
    SetLastError(ERROR_ACCESS_DENIED);
    EXPECT_EQ(0u, GetEnvironmentVariableW(TEXT("QOR_TEST_VAR"), szValue, 8));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ENVVAR_NOT_FOUND), GetLastError());

    // Set to "": it exists, yet reads as 0 with the last error left alone.
    ASSERT_TRUE(SetEnvironmentVariableW(TEXT("QOR_TEST_EMPTY"), TEXT("")));
    SetLastError(ERROR_ACCESS_DENIED);
    EXPECT_EQ(0u, GetEnvironmentVariableW(TEXT("QOR_TEST_EMPTY"), szValue, 8));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
    EXPECT_EQ(0, szValue[0]);
    EXPECT_EQ(1u, GetEnvironmentVariableW(TEXT("QOR_TEST_EMPTY"), nullptr, 0));

    SetLastError(0);
    EXPECT_TRUE(SetEnvironmentVariableW(TEXT("QOR_TEST_NEVER_SET"), nullptr));
    EXPECT_FALSE(SetEnvironmentVariableW(TEXT("QOR=TEST"), TEXT("x")));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
    SetLastError(0);
    EXPECT_FALSE(SetEnvironmentVariableW(TEXT(""), TEXT("x")));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
    EXPECT_EQ(0u, GetEnvironmentVariableW(TEXT(""), szValue, 8));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ENVVAR_NOT_FOUND), GetLastError());
}

TEST_F(EnvironmentTest, ShortBufferGetsTheSizeWithTerminatorAndNoText)
{
    ASSERT_TRUE(SetEnvironmentVariableW(TEXT("QOR_TEST_VAR"), TEXT("hello")));
    WCHAR szValue[8] = {'z', 'z', 'z', 'z', 'z', 'z', 'z', 'z'};
    EXPECT_EQ(6u, GetEnvironmentVariableW(TEXT("QOR_TEST_VAR"), szValue, 5));
    EXPECT_EQ('z', szValue[0]);
    EXPECT_EQ(6u, GetEnvironmentVariableW(TEXT("QOR_TEST_VAR"), nullptr, 0));
    EXPECT_EQ(5u, GetEnvironmentVariableW(TEXT("QOR_TEST_VAR"), szValue, 6));
    EXPECT_TEXT(TEXT("hello"), szValue);
}

TEST_F(EnvironmentTest, ExpansionReplacesKnownReferencesOnly)
{
    ASSERT_TRUE(SetEnvironmentVariableW(TEXT("QOR_TEST_X"), TEXT("xx")));
    ASSERT_TRUE(SetEnvironmentVariableW(TEXT("QOR_TEST_EMPTY"), TEXT("")));
    struct SCase
    {
        LPCWSTR szSource;
        LPCWSTR szExpected;
    };
    const SCase aCases[] = {
        {TEXT("a%QOR_TEST_X%b%QOR_NOPE%c%"), TEXT("axxb%QOR_NOPE%c%")},
        {TEXT("%qor_test_x%%QOR_TEST_X%"), TEXT("xxxx")},
        // An unknown reference keeps its closing sign, which opens nothing more.
        {TEXT("%QOR_NOPE%QOR_TEST_X%"), TEXT("%QOR_NOPE%QOR_TEST_X%")},
        {TEXT("a%QOR_TEST_EMPTY%b"), TEXT("ab")},
        {TEXT("%%|100%|%=%"), TEXT("%%|100%|%=%")},
        {TEXT(""), TEXT("")},
    };
    for (const SCase& testCase : aCases)
    {
        WCHAR szOut[64];
        SetLastError(0);
        DWORD dwSize = ExpandEnvironmentStringsW(testCase.szSource, szOut, 64);
        EXPECT_TEXT(testCase.szExpected, szOut) << utf8(testCase.szSource);
        EXPECT_EQ(static_cast<DWORD>(lstrlenW(testCase.szExpected) + 1), dwSize);
        EXPECT_EQ(0u, GetLastError());
    }

    WCHAR szShort[8] = {'z', 'z', 'z', 'z', 'z', 'z', 'z', 'z'};
    EXPECT_EQ(11u, ExpandEnvironmentStringsW(TEXT("a%QOR_TEST_X%bcdefgh"), szShort, 4));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());
    EXPECT_TEXT(TEXT("axx"), szShort);
    EXPECT_EQ('z', szShort[4]);
    EXPECT_EQ(11u, ExpandEnvironmentStringsW(TEXT("a%QOR_TEST_X%bcdefgh"), nullptr, 0));
}
