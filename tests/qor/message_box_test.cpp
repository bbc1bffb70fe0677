// CQORMessageBox without showing a box: its texts, its setters and its traces. Showing a
// box is host-only (message_box_host_test.cpp): under Wine it would wait for a user.
#include <gtest/gtest.h>

#include "load_string_record.h"
#include "qor_message_box.h"
#include "test_text.h"

namespace
{
const char* const kRestartStart = "In order for the patch installation process to complete";
}

TEST(MessageBox, NewBoxHoldsItsTextsAndReportsCancel)
{
    CRecordingEngineScope scope;
    scope.engine.bDynamicLoggingOn = true;
    CQORMessageBox box(nullptr, TEXT("Title"), TEXT("Message"), CQORFlags(MB_YESNO));
    EXPECT_EQ(IDCANCEL, box.getResult());
    EXPECT_TEXT(TEXT("Title"), box.getTitle().getBuffer());
    EXPECT_TEXT(TEXT("Message"), box.getMsg().getBuffer());

    std::vector<SWrittenRecord> vecExits = scope.engine.ofType(512);
    ASSERT_FALSE(vecExits.empty());
    const SWrittenRecord& exit = vecExits.back();
    EXPECT_EQ("CQORMessageBox", exit.strObject);
    EXPECT_EQ("CQORMessageBox", exit.strFunction);
    EXPECT_EQ(1u, exit.ulCodeKind);
    EXPECT_EQ(1, exit.lCode);
    EXPECT_EQ("qor_message_box.cpp", exit.strSourceFile);
}

TEST(MessageBox, SettersReplaceTheTexts)
{
    CQORMessageBox box(nullptr, TEXT("Title"), TEXT("Message"), CQORFlags(MB_OK));
    EXPECT_TRUE(box.setTitle(CQORWCharString(TEXT("New title"))));
    EXPECT_TRUE(box.setMsg(CQORWCharString(TEXT("New message"))));
    EXPECT_TEXT(TEXT("New title"), box.getTitle().getBuffer());
    EXPECT_TEXT(TEXT("New message"), box.getMsg().getBuffer());
    EXPECT_TRUE(box.setMsg(CQORWCharString()));
    EXPECT_EQ(nullptr, box.getMsg().getBuffer());
}

TEST(MessageBox, TextsFromTheStringTable)
{
    CRecordingEngineScope scope;
    scope.engine.bDynamicLoggingOn = true;
    CQORMessageBox box(nullptr, TEXT("Title"), TEXT("Message"), CQORFlags(MB_YESNO));
    EXPECT_TRUE(box.setMsg(120u));
    EXPECT_EQ(0u, utf8(box.getMsg().getBuffer()).find(kRestartStart));
    // A string that is not there leaves the title as it was.
    EXPECT_FALSE(box.setTitle(200u));
    EXPECT_TEXT(TEXT("Title"), box.getTitle().getBuffer());

    expectOneLoadStringRecord(scope.engine, 200, ERROR_RESOURCE_NAME_NOT_FOUND);
    std::vector<SWrittenRecord> vecBoxExits;
    for (const SWrittenRecord& exit : scope.engine.ofType(512))
    {
        if (exit.strObject == "CQORMessageBox")
            vecBoxExits.push_back(exit);
    }
    ASSERT_EQ(3u, vecBoxExits.size());
    EXPECT_EQ("setMsg", vecBoxExits[1].strFunction);
    EXPECT_EQ(1, vecBoxExits[1].lCode);
    EXPECT_EQ("setTitle", vecBoxExits[2].strFunction);
    EXPECT_EQ(1u, vecBoxExits[2].ulCodeKind);
    EXPECT_EQ(0, vecBoxExits[2].lCode);
}
