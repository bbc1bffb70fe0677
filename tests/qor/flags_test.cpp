// CQORFlags: every bit of a mask is required, and each operation is traced when dynamic
// logging is on.
#include <gtest/gtest.h>

#include <iterator>

#include "qor_flags.h"
#include "recording_engine.h"

TEST(Flags, HasFlagsNeedsEveryBitOfTheMask)
{
    EXPECT_TRUE(CQORFlags(0xFF).hasFlags(0x10));
    EXPECT_FALSE(CQORFlags(0x1).hasFlags(0x3));
    EXPECT_TRUE(CQORFlags(0x3).hasFlags(0x3));
    EXPECT_TRUE(CQORFlags(0).hasFlags(0));
    EXPECT_FALSE(CQORFlags(0).hasFlags(0x80000000));
    EXPECT_TRUE(CQORFlags(0xFFFFFFFF).hasFlags(0x80000001));
}

TEST(Flags, InequalityAndCopiesCoverTheWholeWord)
{
    EXPECT_FALSE(CQORFlags(2) != CQORFlags(2));
    EXPECT_TRUE(CQORFlags(2) != CQORFlags(0));
    EXPECT_TRUE(CQORFlags(0x80000000) != CQORFlags(0));

    CQORFlags flags(0x5);
    flags = CQORFlags(0x80000002);
    CQORFlags copy(flags);
    EXPECT_EQ(0x80000002u, copy.m_ulFlags);
    EXPECT_FALSE(copy != flags);
}

TEST(Flags, EachOperationWritesEntryThenExitWithItsResult)
{
    CRecordingEngineScope scope;
    scope.engine.bDynamicLoggingOn = true;
    CQORFlags flags(0x3);
    CQORFlags other(0x1);
    flags = other;
    EXPECT_FALSE(flags != other);
    EXPECT_FALSE(flags.hasFlags(0x2));

    struct SExpected
    {
        const char* szFunction;
        ULONG ulCodeKind;
        LONG lCode;
    };
    const SExpected aExpected[] = {{"CQORFlags", 1, 1},
                                   {"CQORFlags", 1, 1},
                                   {"operator=", 1, 1},
                                   {"operator!=", 2, 0},
                                   {"hasFlags", 2, 0}};
    ASSERT_EQ(2 * std::size(aExpected), scope.engine.records.size());
    for (size_t i = 0; i < std::size(aExpected); ++i)
    {
        const SWrittenRecord& entry = scope.engine.records[2 * i];
        const SWrittenRecord& exit = scope.engine.records[2 * i + 1];
        SCOPED_TRACE(aExpected[i].szFunction);
        EXPECT_EQ(256u, entry.ulType);
        EXPECT_EQ(512u, exit.ulType);
        for (const SWrittenRecord* pRecord : {&entry, &exit})
        {
            EXPECT_EQ("CQORFlags", pRecord->strObject);
            EXPECT_EQ(aExpected[i].szFunction, pRecord->strFunction);
            EXPECT_EQ("qor_flags.cpp", pRecord->strSourceFile);
        }
        EXPECT_EQ(aExpected[i].ulCodeKind, exit.ulCodeKind);
        EXPECT_EQ(aExpected[i].lCode, exit.lCode);
    }

    scope.engine.records.clear();
    EXPECT_TRUE(flags.hasFlags(0x1));
    EXPECT_TRUE(flags != CQORFlags(0));
    ASSERT_EQ(6u, scope.engine.records.size());
    EXPECT_EQ(1, scope.engine.records[1].lCode);
    EXPECT_EQ(1, scope.engine.records[5].lCode);
}

TEST(Flags, NothingIsTracedWithDynamicLoggingOff)
{
    CRecordingEngineScope scope;
    CQORFlags flags(0x3);
    flags = CQORFlags(0x1);
    EXPECT_TRUE(flags != CQORFlags(0));
    EXPECT_TRUE(flags.hasFlags(0x1));
    EXPECT_TRUE(scope.engine.records.empty());
}
