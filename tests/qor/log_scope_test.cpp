// Trace scopes: ENTRY and EXIT records when dynamic logging is on, nothing otherwise.
#include <gtest/gtest.h>

#include "qor_log_scope.h"
#include "qor_wchar_string.h"
#include "recording_engine.h"

TEST(LogScope, TracedMethodWritesEntryThenExitWithItsAnswer)
{
    CRecordingEngineScope scope;
    scope.engine.bDynamicLoggingOn = true;
    CQORWCharString strText(TEXT("abab"));
    EXPECT_TRUE(strText.beginsWith(TEXT("ab")));

    ASSERT_EQ(2u, scope.engine.records.size());
    const SWrittenRecord& entry = scope.engine.records[0];
    const SWrittenRecord& exit = scope.engine.records[1];
    EXPECT_EQ(256u, entry.ulType);
    EXPECT_EQ("CQORWCharString", entry.strObject);
    EXPECT_EQ("beginsWith", entry.strFunction);
    EXPECT_EQ("qor_wchar_string.cpp", entry.strSourceFile);
    EXPECT_EQ(1u, entry.ulCodeKind);
    EXPECT_EQ(512u, exit.ulType);
    EXPECT_EQ("beginsWith", exit.strFunction);
    EXPECT_EQ(2u, exit.ulCodeKind);
    EXPECT_EQ(1, exit.lCode);
}

TEST(LogScope, ExitCarriesAFalseAnswer)
{
    CRecordingEngineScope scope;
    scope.engine.bDynamicLoggingOn = true;
    CQORWCharString strText(TEXT("abc"));
    EXPECT_FALSE(strText.endsWith(TEXT("b")));
    ASSERT_EQ(2u, scope.engine.records.size());
    EXPECT_EQ("endsWith", scope.engine.records[1].strFunction);
    EXPECT_EQ(0, scope.engine.records[1].lCode);
}

TEST(LogScope, NothingWithoutDynamicLoggingOrWithoutLogging)
{
    CRecordingEngineScope scope;
    CQORWCharString strText(TEXT("abc"));
    EXPECT_TRUE(strText.endsWith(TEXT("bc")));
    EXPECT_TRUE(scope.engine.records.empty());

    scope.engine.bDynamicLoggingOn = true;
    scope.engine.bLoggingOn = false;
    CQORLogScope trace(TEXT("Obj"), TEXT("fn"), QOR_HERE);
    EXPECT_FALSE(trace.isTracing());
    EXPECT_TRUE(scope.engine.records.empty());
}

TEST(LogScope, UnsetResultIsAFailedPassFail)
{
    CRecordingEngineScope scope;
    scope.engine.bDynamicLoggingOn = true;
    {
        CQORLogScope trace(TEXT("Obj"), TEXT("fn"), QOR_HERE);
        EXPECT_TRUE(trace.isTracing());
    }
    ASSERT_EQ(2u, scope.engine.records.size());
    EXPECT_EQ(1u, scope.engine.records[1].ulCodeKind);
    EXPECT_EQ(0, scope.engine.records[1].lCode);
}
