// CQORWindowsOSInfo on other releases and on a platform that fails it: set up through the
// host machine's machine.ini and injected faults.
#include <gtest/gtest.h>

#include "qor_host.h"
#include "qor_windows_os_info.h"
#include "recording_engine.h"

TEST(WindowsOSInfoHost, VistaOn64BitProcessor)
{
    qorhost::setMachineIni("[system]\nversion=6.0\nservicepack=1\narch=x64\n");
    CQORWindowsOSInfo info;
    EXPECT_TRUE(info.isXPOrLater());
    EXPECT_TRUE(info.isVistaOrLater());
    EXPECT_EQ(1u, info.getServicePack());
    EXPECT_DOUBLE_EQ(6.0, info.getVersion());
    EXPECT_EQ(2u, info.getPlatform());
}

TEST(WindowsOSInfoHost, XPServicePack2On32BitProcessor)
{
    qorhost::setMachineIni("[system]\nversion=5.1\nservicepack=2\narch=x86\n");
    CQORWindowsOSInfo info;
    EXPECT_TRUE(info.isXPOrLater());
    EXPECT_FALSE(info.isVistaOrLater());
    EXPECT_EQ(2u, info.getServicePack());
    EXPECT_EQ(1u, info.getPlatform());
}

TEST(WindowsOSInfoHost, ShellWithoutTheQueryLeavesBothFlagsFalse)
{
    qorhost::failCall("GetProcAddress", ERROR_PROC_NOT_FOUND);
    CQORWindowsOSInfo info;
    EXPECT_FALSE(info.isXPOrLater());
    EXPECT_FALSE(info.isVistaOrLater());
    bool bAnswer = true;
    EXPECT_FALSE(info.performOSQueryFunction(18, bAnswer));
    EXPECT_TRUE(bAnswer) << "untouched when the query cannot be made";
    EXPECT_DOUBLE_EQ(5.1, info.getVersion());
}

TEST(WindowsOSInfoHost, UnreadableServicePackIsZero)
{
    qorhost::failCall("RegOpenKeyExW", ERROR_ACCESS_DENIED);
    EXPECT_EQ(0u, CQORWindowsOSInfo().getServicePack());
}

TEST(WindowsOSInfoHost, NoVersionAtAllFailsTheConstruction)
{
    CRecordingEngineScope scope;
    qorhost::failCall("GetVersionExW", ERROR_INVALID_FUNCTION);
    bool bThrown = false;
    try
    {
        CQORWindowsOSInfo info;
    }
    catch (CQORWindowsOSInfoInitNeededException& caught)
    {
        bThrown = true;
        EXPECT_TRUE(caught.isLogged());
    }
    EXPECT_TRUE(bThrown);
    ASSERT_EQ(1u, scope.engine.records.size());
    EXPECT_EQ("CQORWindowsOSInfo construction failed. Cannot call member functions.",
              scope.engine.records[0].strMessage);
}
