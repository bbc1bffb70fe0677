// CQORWindowsResource: strings of the program's own table, cut at 1023 units, and the record
// of a string that is not there.
#include <gtest/gtest.h>

#include <string>

#include "load_string_record.h"
#include "qor_windows_resource.h"
#include "test_text.h"

namespace
{
const char* const kConfirmEnglish = "This patch resolves an issue with Velmora 8.1 and Mozilla "
                                    "Firefox. Click OK to begin installing the patch.";

// The text the long-string table repeats from the start.
std::string repeated(const std::string& strPattern, size_t nLength)
{
    std::string strText;
    while (strText.size() < nLength)
        strText += strPattern;
    return strText.substr(0, nLength);
}
} // namespace

TEST(WindowsResource, LoadsTheProgramsStringAndTracesEachStep)
{
    CRecordingEngineScope scope;
    scope.engine.bDynamicLoggingOn = true;
    CQORWCharString strText;
    {
        CQORWindowsResource resource;
        EXPECT_TRUE(resource.loadString(104, strText));
    }
    EXPECT_EQ(kConfirmEnglish, utf8(strText.getBuffer()));

    std::vector<SWrittenRecord> vecExits = scope.engine.ofType(512);
    ASSERT_EQ(3u, vecExits.size());
    const char* const aszFunctions[] = {"CQORWindowsResource", "loadString",
                                        "~CQORWindowsResource"};
    for (size_t i = 0; i < 3; ++i)
    {
        EXPECT_EQ("CQORWindowsResource", vecExits[i].strObject);
        EXPECT_EQ(aszFunctions[i], vecExits[i].strFunction);
        EXPECT_EQ(1u, vecExits[i].ulCodeKind);
        EXPECT_EQ(1, vecExits[i].lCode);
    }
    EXPECT_TRUE(scope.engine.ofType(2).empty());
}

TEST(WindowsResource, LongStringsAreCutTo1023Units)
{
    CQORWindowsResource resource;
    CQORWCharString strText;
    ASSERT_TRUE(resource.loadString(1000, strText));
    EXPECT_EQ(repeated("0123456789", 1023), utf8(strText.getBuffer()));
    ASSERT_TRUE(resource.loadString(1001, strText));
    EXPECT_EQ(repeated("abcdefghijklmnopqrstuvwxyz", 1023), utf8(strText.getBuffer()));
    ASSERT_TRUE(resource.loadString(1002, strText));
    EXPECT_EQ(repeated("x", 1023), utf8(strText.getBuffer()));
}

TEST(WindowsResource, MissingStringLeavesTheTextAndNamesNoDll)
{
    CRecordingEngineScope scope;
    scope.engine.bDynamicLoggingOn = true;
    CQORWindowsResource resource;
    CQORWCharString strText(TEXT("kept"));
    // No string of block 13 (ids 192 to 207) exists in any language.
    EXPECT_FALSE(resource.loadString(200, strText));
    EXPECT_TEXT(TEXT("kept"), strText.getBuffer());

    expectOneLoadStringRecord(scope.engine, 200, ERROR_RESOURCE_NAME_NOT_FOUND);
    std::vector<SWrittenRecord> vecExits = scope.engine.ofType(512);
    ASSERT_EQ(2u, vecExits.size());
    EXPECT_EQ("loadString", vecExits[1].strFunction);
    EXPECT_EQ(0, vecExits[1].lCode);
}
