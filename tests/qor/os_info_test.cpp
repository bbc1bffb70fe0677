// CQORWindowsOSInfo on the machine the tests run on: the test prefix under Wine and the
// host's default machine both report Windows XP Service Pack 3.
#include <gtest/gtest.h>

#include "qor_windows_os_info.h"
#include "recording_engine.h"

TEST(WindowsOSInfo, TheTestMachineIsWindowsXPServicePack3)
{
    CQORWindowsOSInfo info;
    EXPECT_TRUE(info.isXPOrLater());
    EXPECT_FALSE(info.isVistaOrLater());
    EXPECT_EQ(3u, info.getServicePack());
    EXPECT_DOUBLE_EQ(5.1, info.getVersion());
    // 1 for 32-bit XP; where the tests run as 64-bit programs the processor is 64-bit (2).
    UINT uPlatform = info.getPlatform();
    EXPECT_TRUE(uPlatform == 1 || uPlatform == 2) << uPlatform;
}

TEST(WindowsOSInfo, QORDriveMarksAPreinstallationEnvironment)
{
    SetEnvironmentVariableW(TEXT("QORDrive"), nullptr);
    EXPECT_FALSE(CQORWindowsOSInfo().isPE());
    SetEnvironmentVariableW(TEXT("QORDrive"), TEXT(""));
    EXPECT_FALSE(CQORWindowsOSInfo().performPECheck());
    SetEnvironmentVariableW(TEXT("QORDrive"), TEXT("X:"));
    EXPECT_TRUE(CQORWindowsOSInfo().isPE());
    SetEnvironmentVariableW(TEXT("QORDrive"), nullptr);
}

TEST(WindowsOSInfo, QueriesAreAnsweredByTheShellAndTraced)
{
    CRecordingEngineScope scope;
    scope.engine.bDynamicLoggingOn = true;
    CQORWindowsOSInfo info;
    bool bAnswer = false;
    EXPECT_TRUE(info.performOSQueryFunction(18, bAnswer));
    EXPECT_TRUE(bAnswer);
    std::vector<SWrittenRecord> vecExits = scope.engine.ofType(QOR_LOG_EXIT);
    ASSERT_FALSE(vecExits.empty());
    EXPECT_EQ("performOSQueryFunction", vecExits.back().strFunction);
    EXPECT_EQ(1, vecExits.back().lCode);
    bool bSawConstructor = false;
    for (const SWrittenRecord& record : vecExits)
        bSawConstructor = bSawConstructor || (record.strFunction == "CQORWindowsOSInfo" &&
                                              record.strObject == "CQORWindowsOSInfo");
    EXPECT_TRUE(bSawConstructor);
}
