// CQOREnvironmentVariable: a set variable's value, false for unset, empty and nameless.
#include <gtest/gtest.h>

#include "qor_environment_variable.h"
#include "recording_engine.h"
#include "test_text.h"

namespace
{
class EnvironmentVariable : public testing::Test
{
protected:
    void TearDown() override { SetEnvironmentVariableW(TEXT("QOR_TEST_VAR"), nullptr); }
};
} // namespace

TEST_F(EnvironmentVariable, SetVariableGivesItsValueAndTracesTheAnswer)
{
    ASSERT_TRUE(SetEnvironmentVariableW(TEXT("QOR_TEST_VAR"), TEXT("D:\\\x00C4rger")));
    CRecordingEngineScope scope;
    scope.engine.bDynamicLoggingOn = true;
    CQOREnvironmentVariable variable(TEXT("qor_test_var"));
    CQORWCharString strValue;
    EXPECT_TRUE(variable.getValue(strValue));
    EXPECT_TEXT(TEXT("D:\\\x00C4rger"), strValue.getBuffer());
    EXPECT_EQ(strValue.getLength() + 1, strValue.getNumElems());

    std::vector<SWrittenRecord> vecExits = scope.engine.ofType(512);
    ASSERT_EQ(2u, vecExits.size());
    EXPECT_EQ("CQOREnvironmentVariable", vecExits[0].strObject);
    EXPECT_EQ("CQOREnvironmentVariable", vecExits[0].strFunction);
    EXPECT_EQ(1u, vecExits[0].ulCodeKind);
    EXPECT_EQ(1, vecExits[0].lCode);
    EXPECT_EQ("getValue", vecExits[1].strFunction);
    EXPECT_EQ(2u, vecExits[1].ulCodeKind);
    EXPECT_EQ(1, vecExits[1].lCode);
    EXPECT_EQ("qor_environment_variable.cpp", vecExits[1].strSourcePath);
}

TEST_F(EnvironmentVariable, UnsetOrEmptyIsFalseWithoutARecord)
{
    CRecordingEngineScope scope;
    CQOREnvironmentVariable variable(TEXT("QOR_TEST_VAR"));
    CQORWCharString strValue(TEXT("before"));
    EXPECT_FALSE(variable.getValue(strValue));
    ASSERT_TRUE(SetEnvironmentVariableW(TEXT("QOR_TEST_VAR"), TEXT("")));
    EXPECT_FALSE(variable.getValue(strValue));
    EXPECT_TEXT(TEXT("before"), strValue.getBuffer());
    EXPECT_TRUE(scope.engine.records.empty());
}

TEST_F(EnvironmentVariable, NamelessObjectWritesOneBadException)
{
    CRecordingEngineScope scope;
    scope.engine.bDynamicLoggingOn = true;
    CQOREnvironmentVariable variable(TEXT(""));
    CQORWCharString strValue;
    EXPECT_FALSE(variable.getValue(strValue));

    std::vector<SWrittenRecord> vecBad = scope.engine.ofType(2);
    ASSERT_EQ(1u, vecBad.size());
    EXPECT_EQ("The environment variable name has not been initialized", vecBad[0].strMessage);
    EXPECT_EQ(-1, vecBad[0].lCode);
    EXPECT_EQ("qor_environment_variable.cpp", vecBad[0].strSourceFile);
    std::vector<SWrittenRecord> vecExits = scope.engine.ofType(512);
    ASSERT_EQ(2u, vecExits.size());
    EXPECT_EQ(2u, vecExits[1].ulCodeKind);
    EXPECT_EQ(0, vecExits[1].lCode);
}

TEST_F(EnvironmentVariable, NameWithoutATerminatingZeroIsReadToTheEndOfItsStorage)
{
    ASSERT_TRUE(SetEnvironmentVariableW(TEXT("QOR_TEST_VAR"), TEXT("value")));
    // The inherited resize cuts the zero and the "S" off.
    CQORWCharString strName(TEXT("QOR_TEST_VARS"));
    ASSERT_TRUE(strName.reAllocBuffer(12));
    CQOREnvironmentVariable variable(strName);
    CQORWCharString strValue;
    EXPECT_TRUE(variable.getValue(strValue));
    EXPECT_TEXT(TEXT("value"), strValue.getBuffer());
}
