// CQORMessageBox showing boxes on the host's scripted machine: the pressed button, the box
// the user saw, and the notification logged for each showing.
#include <gtest/gtest.h>

#include "qor_host.h"
#include "qor_message_box.h"
#include "recording_engine.h"
#include "test_text.h"

TEST(MessageBoxShown, YesOnAYesNoBoxIsKeptAndNotified)
{
    CRecordingEngineScope scope;
    qorhost::scriptDialogAnswers({IDYES});
    CQORMessageBox box(nullptr, TEXT("Restart"), TEXT("Restart now?"),
                       CQORFlags(MB_YESNO | MB_ICONQUESTION));
    EXPECT_TRUE(box.showMessageBox());
    EXPECT_EQ(IDYES, box.getResult());

    std::vector<qorhost::HostEvent> vecBoxes = qorhost::messageBoxes();
    ASSERT_EQ(1u, vecBoxes.size());
    EXPECT_EQ("Restart", utf8(vecBoxes[0].caption.c_str()));
    EXPECT_EQ("Restart now?", utf8(vecBoxes[0].text.c_str()));
    EXPECT_EQ(static_cast<UINT>(MB_YESNO | MB_ICONQUESTION), vecBoxes[0].uType);

    ASSERT_EQ(1u, scope.engine.records.size());
    const SWrittenRecord& note = scope.engine.records[0];
    EXPECT_FALSE(note.bDetailed);
    EXPECT_EQ(128u, note.ulType);
    EXPECT_EQ("Message Box displayed: Restart now?", note.strMessage);
    EXPECT_EQ(0, note.lCode);
    EXPECT_EQ(0u, note.ulCodeKind);
}

TEST(MessageBoxShown, UnshowableBoxIsFalseAndStillNotified)
{
    CRecordingEngineScope scope;
    scope.engine.bDynamicLoggingOn = true;
    CQORMessageBox box(nullptr, TEXT("Title"), TEXT("Text"), CQORFlags(MB_OK));
    EXPECT_FALSE(box.showMessageBox());
    EXPECT_EQ(0, box.getResult());

    std::vector<SWrittenRecord> vecNotes = scope.engine.ofType(128);
    ASSERT_EQ(1u, vecNotes.size());
    EXPECT_EQ("Message Box displayed: Text", vecNotes[0].strMessage);
    const SWrittenRecord& exit = scope.engine.records.back();
    EXPECT_EQ(512u, exit.ulType);
    EXPECT_EQ("showMessageBox", exit.strFunction);
    EXPECT_EQ(1u, exit.ulCodeKind);
    EXPECT_EQ(0, exit.lCode);
}

TEST(MessageBoxShown, EachShowingOverwritesTheAnswerAndWritesOneNote)
{
    CRecordingEngineScope scope;
    scope.engine.bDynamicLoggingOn = true;
    qorhost::scriptDialogAnswers({IDOK, IDCANCEL});
    CQORMessageBox box(nullptr, TEXT("Title"), TEXT("First"), CQORFlags(MB_OKCANCEL));
    EXPECT_TRUE(box.showMessageBox());
    EXPECT_EQ(IDOK, box.getResult());
    EXPECT_TRUE(box.setMsg(CQORWCharString(TEXT("Second"))));
    EXPECT_TRUE(box.showMessageBox());
    EXPECT_EQ(IDCANCEL, box.getResult());

    std::vector<SWrittenRecord> vecNotes = scope.engine.ofType(128);
    ASSERT_EQ(2u, vecNotes.size());
    EXPECT_EQ("Message Box displayed: First", vecNotes[0].strMessage);
    EXPECT_EQ("Message Box displayed: Second", vecNotes[1].strMessage);
    // The notification is written between the entry and the exit of its showing.
    size_t nFirstNote = 0;
    while (scope.engine.records[nFirstNote].ulType != 128)
        ++nFirstNote;
    EXPECT_EQ("showMessageBox", scope.engine.records[nFirstNote - 1].strFunction);
    EXPECT_EQ(256u, scope.engine.records[nFirstNote - 1].ulType);
    EXPECT_EQ(512u, scope.engine.records[nFirstNote + 1].ulType);
    EXPECT_EQ(1, scope.engine.records[nFirstNote + 1].lCode);
}

TEST(MessageBoxShown, EmptyTextsAreShownEmpty)
{
    CRecordingEngineScope scope;
    qorhost::scriptDialogAnswers({IDOK});
    CQORMessageBox box(nullptr, CQORWCharString(), CQORWCharString(), CQORFlags(MB_OK));
    EXPECT_TRUE(box.showMessageBox());
    std::vector<qorhost::HostEvent> vecBoxes = qorhost::messageBoxes();
    ASSERT_EQ(1u, vecBoxes.size());
    // Not the "Error" caption Windows gives a box without one.
    EXPECT_EQ("", utf8(vecBoxes[0].caption.c_str()));
    EXPECT_EQ("", utf8(vecBoxes[0].text.c_str()));
    ASSERT_EQ(1u, scope.engine.ofType(128).size());
    EXPECT_EQ("Message Box displayed: ", scope.engine.ofType(128)[0].strMessage);
}

TEST(MessageBoxShown, NotificationLeftOutWhenNotSelected)
{
    CRecordingEngineScope scope;
    scope.engine.bSelect = false;
    qorhost::scriptDialogAnswers({IDNO});
    CQORMessageBox box(nullptr, TEXT("Title"), TEXT("Text"), CQORFlags(MB_YESNO));
    EXPECT_TRUE(box.showMessageBox());
    EXPECT_EQ(IDNO, box.getResult());
    EXPECT_TRUE(scope.engine.records.empty());
}

TEST(MessageBoxShown, MessageWithoutATerminatingZeroIsShownToTheEndOfItsStorage)
{
    CRecordingEngineScope scope;
    qorhost::scriptDialogAnswers({IDOK});
    CQORWCharString strMessage(TEXT("Done!"));
    ASSERT_TRUE(strMessage.reAllocBuffer(4));
    CQORMessageBox box(nullptr, TEXT("Title"), strMessage, CQORFlags(MB_OK));
    EXPECT_TRUE(box.showMessageBox());
    std::vector<qorhost::HostEvent> vecBoxes = qorhost::messageBoxes();
    ASSERT_EQ(1u, vecBoxes.size());
    EXPECT_EQ("Done", utf8(vecBoxes[0].text.c_str()));
    ASSERT_EQ(1u, scope.engine.records.size());
    EXPECT_EQ("Message Box displayed: Done", scope.engine.records[0].strMessage);
}
