// Records: message formats, codes and kinds of the exception table, when records are
// written, and what writing leaves behind.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "qor_exceptions.h"
#include "qor_simple_log.h"
#include "recording_engine.h"
#include "test_text.h"

namespace
{

struct SExpectedRecord
{
    const char* szClass;
    std::function<void()> throwIt;
    ULONG ulType;
    const char* szMessage;
    LONG lCode;
    ULONG ulCodeKind;
};

template <class TRecord> void expectRecord(const SExpectedRecord& expected, const TRecord& record)
{
    const CQORDetailedLogData& data = record.getData();
    EXPECT_EQ(expected.ulType, data.getType()) << expected.szClass;
    EXPECT_EQ(expected.szMessage, utf8(data.getMessage())) << expected.szClass;
    EXPECT_EQ(expected.lCode, data.getCode()) << expected.szClass;
    EXPECT_EQ(expected.ulCodeKind, data.getCodeKind()) << expected.szClass;
}

const LPCWSTR kFile = TEXT(".\\qor_registry_key.cpp");

} // namespace

TEST(RecordTable, EveryClassCarriesItsMessageCodeAndKind)
{
    const std::vector<SExpectedRecord> vecExpected = {
        {"CQORUnhandledExceptionException",
         [] { throw CQORUnhandledExceptionException(5, kFile, 1, 1, false); }, 2,
         "An unhandled exception occurred", 5, 0},
        {"CQORMemAllocException",
         [] { throw CQORMemAllocException(TEXT("m_pBuffer"), kFile, 1, 1, false); }, 2,
         "Unable to allocate memory ( m_pBuffer )", -1, 0},
        {"CMemDestroyFailWarning",
         [] { throw CMemDestroyFailWarning(nullptr, kFile, 1, 1, false); }, 16,
         "Unable to free memory ( Unknown )", -1, 0},
        {"CQORMemoryCopyException", [] { throw CQORMemoryCopyException(22, kFile, 1, false); }, 2,
         "memcpy() function failed", 22, 0},
        {"CQORMemorySetException", [] { throw CQORMemorySetException(22, kFile, 1, false); }, 2,
         "memset() function failed", 22, 0},
        {"CQORBufferInitException", [] { throw CQORBufferInitException(kFile, 1, false); }, 2,
         "Unable to initialize CQORBuffer", -1, 0},
        {"CQORBadArgException",
         []
         {
             throw CQORBadArgException(TEXT("ulOccurrance"), TEXT("value must be greater than 0"),
                                       kFile, 1, 1, false);
         },
         2, "A bad argument was provided ( ulOccurrance ). value must be greater than 0", 0, 0},
        {"CQOROpenProcessTokenException",
         []
         { throw CQOROpenProcessTokenException(TEXT("current process"), 5, kFile, 1, 1, false); },
         2, "OpenProcessToken call failed for handle:current process", 5, 0},
        {"CQORLookupPrivilegeValueException",
         [] {
             throw CQORLookupPrivilegeValueException(TEXT("SeShutdownPrivilege"), 1313, kFile, 1, 1,
                                                     false);
         },
         2, "LookupPrivilegeValue call failed for privilege:SeShutdownPrivilege", 1313, 0},
        {"CQORAdjustTokenPrivilegesException",
         [] { throw CQORAdjustTokenPrivilegesException(nullptr, 1300, kFile, 1, 1, false); }, 2,
         "AdjustTokenPrivileges call failed for handle:Unknown", 1300, 0},
        {"CCloseHandleWarning",
         [] { throw CCloseHandleWarning(TEXT("token"), 6, kFile, 1, 1, false); }, 16,
         "Unable to free memory ( token )", 6, 0},
        {"CQORRegKeyInitException", [] { throw CQORRegKeyInitException(kFile, 1, 1, false); }, 2,
         "CQORRegistryKey object failed to initialize", -1, 0},
        {"CQORRegEnumKeyException",
         []
         {
             throw CQORRegEnumKeyException(TEXT("HKLM\\SOFTWARE"), 259, TEXT("CQORRegistryKey"),
                                           TEXT("enumKeys"), kFile, 1, 1, false);
         },
         2, "Unable to enumerate subkeys from key ( \"HKLM\\SOFTWARE\" )", 259, 0},
        {"CQORRegEnumValueException",
         []
         { throw CQORRegEnumValueException(TEXT("K"), 5, nullptr, nullptr, kFile, 1, 1, false); },
         2, "Unable to enumerate values from key ( \"K\" )", 5, 0},
        {"CQORRegKeyCreateException",
         []
         { throw CQORRegKeyCreateException(TEXT("K"), 5, nullptr, nullptr, kFile, 1, 1, false); },
         2, "Unable to create registry key ( \"K\" )", 5, 1},
        {"CQORRegSaveKeyException",
         [] { throw CQORRegSaveKeyException(TEXT("K"), 5, nullptr, nullptr, kFile, 1, 1, false); },
         2, "Unable to save registry key ( \"K\" )", 5, 1},
        {"CQORRegRestoreKeyException",
         []
         { throw CQORRegRestoreKeyException(TEXT("K"), 5, nullptr, nullptr, kFile, 1, 1, false); },
         2, "Unable to load registry key ( \"K\" )", 5, 1},
        {"CQORRegQueryInfoKeyException",
         [] { throw CQORRegQueryInfoKeyException(TEXT("K"), 6, kFile, 1, 1, false); }, 2,
         "Unable to query info on registry key ( \"K\" )", 6, 1},
        {"CQORRegQueryMultipleValuesException",
         [] { throw CQORRegQueryMultipleValuesException(TEXT("K"), 234, kFile, 1, 1, false); }, 2,
         "Unable to query multiple values from registry key ( \"K\" )", 234, 1},
        {"CQORRegValueSetException",
         []
         {
             throw CQORRegValueSetException(TEXT("SOFTWARE\\Arvenne\\Velmora"),
                                            TEXT("FirefoxPatch"), 5, nullptr, nullptr, kFile, 1, 1,
                                            false);
         },
         2, "Unable to Set registry value ( \"SOFTWARE\\Arvenne\\Velmora\\FirefoxPatch\" )", 5, 1},
        {"CQORRegCloseKeyWarning",
         [] { throw CQORRegCloseKeyWarning(TEXT("K"), 6, nullptr, nullptr, kFile, 1, 1, false); },
         16, "Unable to close registry key ( K )", 6, 0},
        {"CQORRegKeyAlreadyClosedWarning",
         []
         { throw CQORRegKeyAlreadyClosedWarning(TEXT("K"), nullptr, nullptr, kFile, 1, 1, false); },
         16, "Registry key is already closed ( K )", -1, 1},
        {"CQORRegKeyAlreadyOpenWarning",
         []
         { throw CQORRegKeyAlreadyOpenWarning(TEXT("K"), nullptr, nullptr, kFile, 1, 1, false); },
         16, "Registry key is already open ( K )", -1, 1},
        {"CQORMessageBoxInitException",
         [] { throw CQORMessageBoxInitException(8, kFile, 1, 1, false); }, 2,
         "Unable to initialize message box", 8, 0},
        {"CQORLoadStringException",
         [] { throw CQORLoadStringException(nullptr, 104, 1814, kFile, 1, false); }, 2,
         "Unable to load string ( ID: 104 ) from resource DLL ( Unknown resource DLL )", 1814, 0},
        {"CQORWritePrivateProfileStringException",
         []
         {
             throw CQORWritePrivateProfileStringException(TEXT("system"), TEXT("arch"), 5, kFile, 1,
                                                          1, false);
         },
         2, "Unable to write profile string ( section: system, key name: arch )", 5, 0},
        {"CQORWritePrivateProfileSectionException",
         [] { throw CQORWritePrivateProfileSectionException(nullptr, 5, kFile, 1, 1, false); }, 2,
         "Unable to write profile section ( section: Unknown )", 5, 0},
        {"CQORIndexOutOfBoundsException", [] { throw CQORIndexOutOfBoundsException(kFile, 1); }, 2,
         "Index out of array bounds", -1, 0},
        {"CQORWindowsOSInfoInitNeededException",
         [] { throw CQORWindowsOSInfoInitNeededException(kFile, 1); }, 2,
         "CQORWindowsOSInfo construction failed. Cannot call member functions.", -1, 0},
        {"CQORUnknownVariableNameException",
         [] { throw CQORUnknownVariableNameException(kFile, 1); }, 2,
         "The environment variable name has not been initialized", -1, 0},
        {"CQORDirectoryInitException", [] { throw CQORDirectoryInitException(kFile, 1); }, 2,
         "CQORDirectory object failed to initialize", -1, 0},
    };
    for (const SExpectedRecord& expected : vecExpected)
    {
        try
        {
            expected.throwIt();
            ADD_FAILURE() << expected.szClass << " was not thrown";
        }
        catch (CQORLogException1& caught)
        {
            EXPECT_EQ(2u, expected.ulType) << expected.szClass << " is an exception";
            expectRecord(expected, caught);
        }
        catch (CQORLogWarning& caught)
        {
            EXPECT_EQ(16u, expected.ulType) << expected.szClass << " is a warning";
            expectRecord(expected, caught);
        }
    }
}

TEST(RecordTable, ClassesAreDistinctTypesCaughtByName)
{
    bool bCaughtByName = false;
    try
    {
        throw CQORRegKeyCreateException(TEXT("K"), 5, nullptr, nullptr, kFile, 1);
    }
    catch (CQORRegEnumKeyException&)
    {
        ADD_FAILURE() << "caught as another registry exception";
    }
    catch (CQORRegKeyCreateException& caught)
    {
        bCaughtByName = true;
        EXPECT_EQ(1u, caught.getData().getCodeKind());
    }
    EXPECT_TRUE(bCaughtByName);
}

TEST(RecordTable, MessageNeverExceedsTheFormatBuffer)
{
    std::basic_string<WCHAR> strLong(3000, 'x');
    CQORBadArgException record(TEXT("p"), strLong.c_str(), kFile, 1, 1, false);
    EXPECT_EQ(1023u, utf8(record.getData().getMessage()).size());

    // A cut that would fall inside a surrogate pair leaves the whole pair out.
    const std::basic_string<WCHAR> strPrefix = TEXT("A bad argument was provided ( p ). ");
    std::basic_string<WCHAR> strDetail(1022 - strPrefix.size(), 'x');
    strDetail += TEXT("\U0001F600\U0001F600");
    CQORBadArgException split(TEXT("p"), strDetail.c_str(), kFile, 1, 1, false);
    EXPECT_EQ(strPrefix + std::basic_string<WCHAR>(1022 - strPrefix.size(), 'x'),
              std::basic_string<WCHAR>(split.getData().getMessage()));
}

TEST(RecordData, EmptyTextsAreStoredAsAbsent)
{
    CQORDetailedLogData data(8, TEXT(""), 0, 0, TEXT(""), TEXT(""), TEXT(""), 0, TEXT(""),
                             TEXT(""));
    EXPECT_EQ(nullptr, data.getMessage());
    EXPECT_EQ(nullptr, data.getObjectName());
    EXPECT_EQ(nullptr, data.getFunctionName());
    EXPECT_EQ(nullptr, data.getSourceFile());
    EXPECT_EQ(nullptr, data.getModuleName());
    EXPECT_EQ(nullptr, data.getOutputPath());
    EXPECT_FALSE(data.setMessage(TEXT("")));
    EXPECT_TRUE(data.setMessage(TEXT("m")));
    EXPECT_TEXT(TEXT("m"), data.getMessage());
}

TEST(RecordData, CopiesOwnTheirTexts)
{
    CQORDetailedLogData original(8, TEXT("message"), 3, 0, TEXT("Obj"), TEXT("fn"), kFile, 7);
    CQORDetailedLogData copy(original);
    original.setMessage(TEXT("changed"));
    EXPECT_TEXT(TEXT("message"), copy.getMessage());
    EXPECT_NE(original.getObjectName(), copy.getObjectName());
    EXPECT_TEXT(TEXT("Obj"), copy.getObjectName());
    EXPECT_EQ(7u, copy.getLine());
}

TEST(RecordData, SettersTakeTheirOwnTextAndTheTextOfAnother)
{
    CQORLogData data(8, TEXT("message"), 0, 0, TEXT("module"), TEXT("C:\\log.txt"));
    EXPECT_TRUE(data.setMessage(data.getMessage()));
    EXPECT_TRUE(data.setModuleName(data.getModuleName()));
    EXPECT_TRUE(data.setOutputPath(data.getOutputPath()));
    EXPECT_TRUE(data.setMessage(data.getModuleName()));
    EXPECT_TEXT(TEXT("module"), data.getMessage());
    EXPECT_TEXT(TEXT("module"), data.getModuleName());
    EXPECT_TEXT(TEXT("C:\\log.txt"), data.getOutputPath());
    // Refused texts still leave the field absent.
    EXPECT_FALSE(data.setMessage(TEXT("")));
    EXPECT_EQ(nullptr, data.getMessage());
}

TEST(RecordWriting, LogNowRecordCaughtByTheConventionIsWrittenOnce)
{
    CRecordingEngineScope scope;
    try
    {
        try
        {
            throw CQORBadArgException(TEXT("p"), TEXT("why"), kFile, 1);
        }
        catch (CQORLogging& caught)
        {
            qorReportCaught(caught);
            throw;
        }
    }
    catch (CQORLogging& caught)
    {
        qorReportCaught(caught);
        EXPECT_TRUE(caught.isLogged());
    }
    EXPECT_EQ(1u, scope.engine.records.size());
}

TEST(RecordWriting, LogOnDestroyRecordIsWrittenByHandlerAndAgainWhenDestroyed)
{
    CRecordingEngineScope scope;
    try
    {
        throw CQORMemoryCopyException(22, kFile, 9);
    }
    catch (CQORLogging& caught)
    {
        EXPECT_TRUE(scope.engine.records.empty()) << "not written at construction";
        qorReportCaught(caught);
        EXPECT_EQ(1u, scope.engine.records.size());
    }
    ASSERT_EQ(2u, scope.engine.records.size());
    EXPECT_EQ("memcpy() function failed", scope.engine.records[1].strMessage);
}

TEST(RecordWriting, FormattedRecordIsWrittenWithItsFinalMessage)
{
    CRecordingEngineScope scope;
    CQORMemAllocException record(TEXT("m_pBuffer"), kFile, 12);
    ASSERT_EQ(1u, scope.engine.records.size());
    EXPECT_EQ("Unable to allocate memory ( m_pBuffer )", scope.engine.records[0].strMessage);
    EXPECT_EQ("qor_registry_key.cpp", scope.engine.records[0].strSourceFile);
    EXPECT_EQ(12u, scope.engine.records[0].ulLine);
}

TEST(RecordWriting, LastErrorSurvivesWriting)
{
    CRecordingEngineScope scope;
    SetLastError(1234);
    CQORUnhandledExceptionException record(7, kFile, 1);
    EXPECT_EQ(1u, scope.engine.records.size());
    EXPECT_EQ(1234u, GetLastError());
    SetLastError(4321);
    record.log();
    EXPECT_EQ(4321u, GetLastError());
}

TEST(RecordWriting, NothingIsWrittenWithoutALoggingConfiguration)
{
    CQORUnhandledExceptionException record(7, kFile, 1);
    EXPECT_FALSE(record.isLogged());
    EXPECT_FALSE(record.log());
}

TEST(RecordWriting, UnselectedRecordStaysUnloggedAndIsRetriedByHandlers)
{
    CRecordingEngineScope scope;
    scope.engine.bSelect = false;
    CQORBadArgException record(TEXT("p"), TEXT("why"), kFile, 1);
    EXPECT_FALSE(record.isLogged());
    scope.engine.bSelect = true;
    qorReportCaught(record);
    EXPECT_TRUE(record.isLogged());
    EXPECT_EQ(1u, scope.engine.records.size());
}

TEST(RecordWriting, NotificationUsesTheSimpleForm)
{
    CRecordingEngineScope scope;
    CLogNotification notification(TEXT("Message Box displayed: hi"), true);
    ASSERT_EQ(1u, scope.engine.records.size());
    EXPECT_FALSE(scope.engine.records[0].bDetailed);
    EXPECT_EQ(128u, scope.engine.records[0].ulType);
    EXPECT_EQ("Message Box displayed: hi", scope.engine.records[0].strMessage);
}

TEST(RecordWriting, UnhandledReportIsWrittenAtOnce)
{
    CRecordingEngineScope scope;
    qorReportUnhandled(42, kFile, 77);
    ASSERT_EQ(1u, scope.engine.records.size());
    EXPECT_EQ("An unhandled exception occurred", scope.engine.records[0].strMessage);
    EXPECT_EQ(42, scope.engine.records[0].lCode);
}

TEST(RecordWriting, DebugRecordIsWrittenInPlace)
{
    CRecordingEngineScope scope;
    {
        CQORLogDebug debug(TEXT("pValent.ve_valuename = NULL"), 0, 1, nullptr, 0);
    }
    ASSERT_EQ(1u, scope.engine.records.size());
    EXPECT_EQ(32u, scope.engine.records[0].ulType);
    EXPECT_EQ("", scope.engine.records[0].strSourceFile);
}
