// What only the host can arrange for the environment and resource classes: a program path
// too long for the library's buffer, and a variable longer than Windows XP allows.
#include <gtest/gtest.h>

#include <string>

#include "qor_environment_variable.h"
#include "qor_host.h"
#include "load_string_record.h"
#include "qor_windows_resource.h"
#include "test_text.h"

TEST(ResourceModule, ProgramStartedFromAnotherPathStillFindsItself)
{
    qorhost::setProgramPath(u"C:\\Program Files\\Arvenne\\LocksmerePatch.exe");
    CQORWindowsResource resource;
    CQORWCharString strText;
    EXPECT_TRUE(resource.loadString(104, strText));
    EXPECT_NE(nullptr, strText.getBuffer());
}

TEST(ResourceModule, PathTooLongForTheBufferLeavesNoModule)
{
    // 1030 units: GetModuleFileNameW fills all 1024 units and writes no terminator.
    qorhost::setProgramPath(u"C:\\" + std::u16string(1020, u'd') + u"\\a.exe");
    CRecordingEngineScope scope;
    CQORWindowsResource resource;
    EXPECT_TRUE(scope.engine.records.empty()) << "a missing module is not reported";

    CQORWCharString strText(TEXT("kept"));
    EXPECT_FALSE(resource.loadString(104, strText));
    EXPECT_TEXT(TEXT("kept"), strText.getBuffer());
    expectOneLoadStringRecord(scope.engine, 104, ERROR_MOD_NOT_FOUND);
}

TEST(EnvironmentValue, ValueLongerThanTheFirstBufferIsReadWhole)
{
    // Linux, like later Windows releases, holds values past XP's 32767 units.
    std::u16string strLong(40000, u'v');
    ASSERT_TRUE(SetEnvironmentVariableW(u"QOR_TEST_LONG", strLong.c_str()));
    CQOREnvironmentVariable variable(CQORWCharString(u"QOR_TEST_LONG"));
    CQORWCharString strValue;
    EXPECT_TRUE(variable.getValue(strValue));
    SetEnvironmentVariableW(u"QOR_TEST_LONG", nullptr);
    EXPECT_EQ(40000u, strValue.getLength());
    EXPECT_EQ(u'v', strValue.getBuffer()[39999]);
}
