// The registry-configured log: which records the logging key selects and the lines the text
// output writes for them.
#include <string>
#include <vector>

#include "log_key_fixture.h"
#include "test_environment.h"
#include "qor_detailed_log.h"
#include "qor_logging_config.h"
#include "qor_simple_log.h"

namespace
{

typedef std::vector<std::string> Lines;

const LPCWSTR kRegistryFile = TEXT(".\\qor_registry_key.cpp");

// A detailed record of any type, written at once.
bool logDetailed(ULONG ulType, LPCWSTR szObject = TEXT("CQORIni"), LONG lCode = 5,
                 ULONG ulKind = QOR_CODE_ERROR, LPCWSTR szMessage = TEXT("m"))
{
    CQORDetailedLog record(ulType, szMessage, lCode, ulKind, szObject, TEXT("f"), kRegistryFile, 7,
                           false, false);
    return record.log();
}

} // namespace

TEST_F(LogKey, WithoutTheKeyNothingIsWrittenAndNoFileMade)
{
    EXPECT_FALSE(logDetailed(QOR_LOG_EXCEPTION_BAD));
    CLogNotification notification(TEXT("shown"), false);
    EXPECT_FALSE(notification.log());
    EXPECT_FALSE(fileExists());

    // A path alone does not switch logging on, nor does "Logging" = 0.
    storeText(TEXT("TextOutput"), m_strLog.c_str());
    EXPECT_FALSE(logDetailed(QOR_LOG_EXCEPTION_BAD));
    storeNumber(TEXT("Logging"), 0);
    EXPECT_FALSE(logDetailed(QOR_LOG_EXCEPTION_BAD));
    EXPECT_FALSE(fileExists());
}

TEST_F(LogKey, DefaultDetailWritesExceptionsAndWarningsOnly)
{
    storeNumber(TEXT("Logging"), 1);
    storeText(TEXT("TextOutput"), m_strLog.c_str());
    CQORLogException1 exception(TEXT("Unable to open"), 5, QOR_CODE_ERROR, TEXT("CQORRegistryKey"),
                                TEXT("open"), kRegistryFile, 42, 1, true, false);
    EXPECT_TRUE(exception.isLogged());
    CQORLogWarning warning(TEXT("w"), -1, QOR_CODE_ERROR, nullptr, nullptr, TEXT("qor_x.cpp"), 0, 1,
                           true, false);
    EXPECT_TRUE(warning.isLogged());
    EXPECT_FALSE(logDetailed(QOR_LOG_CRITICAL + QOR_LOG_EXCEPTION_OK));
    for (ULONG ulType : {QOR_LOG_DEBUG, QOR_LOG_ENTRY, QOR_LOG_EXIT, QOR_LOG_INFORMATION})
        EXPECT_FALSE(logDetailed(ulType)) << ulType;
    CLogNotification notification(TEXT("shown"), true);
    EXPECT_FALSE(notification.isLogged());
    EXPECT_TRUE(logDetailed(QOR_LOG_CRITICAL, nullptr, 0));

    EXPECT_EQ((Lines{"<EXCEPTION_BAD> <qor_logging_tests> <CQORRegistryKey::open> \"Unable to "
                     "open\" <Error: 0x00000005> <qor_registry_key.cpp, 42> ",
                     "<WARNING> <qor_logging_tests> \"w\" <qor_x.cpp>",
                     "<CRITICAL> <qor_logging_tests> <::f> \"m\" <qor_registry_key.cpp, 7> "}),
              lines());
}

TEST_F(LogKey, DetailedAndSimpleLinesShowEachPartAsItsKindSays)
{
    logTo(0x0FFF);
    // Exit records show pass and fail; other types leave kinds 1 and 2 out.
    EXPECT_TRUE(logDetailed(QOR_LOG_EXIT, TEXT("CQORIni"), 0, QOR_CODE_PASS_FAIL, nullptr));
    EXPECT_TRUE(logDetailed(QOR_LOG_EXIT, nullptr, 3, QOR_CODE_LOGICAL, TEXT("")));
    EXPECT_TRUE(logDetailed(QOR_LOG_EXIT, nullptr, 0, QOR_CODE_LOGICAL, nullptr));
    EXPECT_TRUE(logDetailed(QOR_LOG_ERROR, nullptr, 0, QOR_CODE_PASS_FAIL, nullptr));
    EXPECT_TRUE(logDetailed(QOR_LOG_ERROR, nullptr, -1, QOR_CODE_RETURN, nullptr));
    EXPECT_TRUE(logDetailed(QOR_LOG_ERROR, nullptr, 0, 9, nullptr));
    CQORDetailedLog objectOnly(QOR_LOG_DEBUG, nullptr, 0, QOR_CODE_ERROR, TEXT("CQORIni"), nullptr,
                               nullptr, 12, true, false);
    CQORDetailedLog bare(QOR_LOG_SUCCESS, nullptr, 0, QOR_CODE_ERROR, nullptr, nullptr, nullptr, 0,
                         true, false);
    for (LONG lCode : {0, 1})
    {
        CQORSimpleLog exit(QOR_LOG_EXIT, TEXT("s"), lCode, QOR_CODE_PASS_FAIL, true, false);
        CQORSimpleLog logical(QOR_LOG_EXIT, nullptr, lCode, QOR_CODE_LOGICAL, true, false);
        EXPECT_TRUE(logical.isLogged());
    }
    CQORSimpleLog error(QOR_LOG_ERROR, TEXT("s"), 0x1234ABCD, QOR_CODE_ERROR, true, false);
    CQORSimpleLog kindOne(QOR_LOG_ERROR, TEXT("s"), 1, QOR_CODE_PASS_FAIL, true, false);
    CQORSimpleLog unknown(0, nullptr, -1, QOR_CODE_RETURN, true, false);

    EXPECT_EQ((Lines{
                  "<EXIT> <qor_logging_tests> <CQORIni::f> <Failed> <qor_registry_key.cpp, 7> ",
                  "<EXIT> <qor_logging_tests> <::f> <Passed> <qor_registry_key.cpp, 7> ",
                  "<EXIT> <qor_logging_tests> <::f> <Failed Logical Result> "
                  "<qor_registry_key.cpp, 7> ",
                  "<ERROR> <qor_logging_tests> <::f> <qor_registry_key.cpp, 7> ",
                  "<ERROR> <qor_logging_tests> <::f> <Return Code: 0xffffffff> "
                  "<qor_registry_key.cpp, 7> ",
                  "<ERROR> <qor_logging_tests> <::f> <qor_registry_key.cpp, 7> ",
                  "<DEBUG> <qor_logging_tests> <CQORIni> <12> ",
                  "<SUCCESS> <qor_logging_tests> ",
                  "<EXIT> <qor_logging_tests> \"s\" <Failed>",
                  "<EXIT> <qor_logging_tests> <Failed Comparison>",
                  "<EXIT> <qor_logging_tests> \"s\" <Passed>",
                  "<EXIT> <qor_logging_tests> <Passed>",
                  "<ERROR> <qor_logging_tests> \"s\" <Error: 0x1234abcd> ",
                  "<ERROR> <qor_logging_tests> \"s\" ",
                  "<UNSPECIFIED> <qor_logging_tests> <Return Code: 0xffffffff> ",
              }),
              lines());
}

TEST_F(LogKey, ExitNarrowingKeepsOnlyFailedPassFailExits)
{
    logTo(0x0300 | 0x2000);
    EXPECT_TRUE(logDetailed(QOR_LOG_EXIT, nullptr, 0, QOR_CODE_PASS_FAIL));
    EXPECT_FALSE(logDetailed(QOR_LOG_EXIT, nullptr, 1, QOR_CODE_PASS_FAIL));
    // Only the low byte tells pass from fail.
    EXPECT_TRUE(logDetailed(QOR_LOG_EXIT, nullptr, 0x100, QOR_CODE_PASS_FAIL));
    for (LONG lCode : {0, 1})
    {
        EXPECT_FALSE(logDetailed(QOR_LOG_EXIT, nullptr, lCode, QOR_CODE_ERROR)) << lCode;
        EXPECT_FALSE(logDetailed(QOR_LOG_EXIT, nullptr, lCode, QOR_CODE_LOGICAL)) << lCode;
    }
    EXPECT_TRUE(logDetailed(QOR_LOG_ENTRY, nullptr, 1, QOR_CODE_PASS_FAIL));
    EXPECT_FALSE(logDetailed(QOR_LOG_WARNING));
    EXPECT_EQ(3u, lines().size());

    // The other two bits: errors that are set, logical results that are false.
    storeNumber(TEXT("LogDetail"), 0x0200 | 0x1000 | 0x4000);
    EXPECT_TRUE(logDetailed(QOR_LOG_EXIT, nullptr, 5, QOR_CODE_ERROR));
    EXPECT_FALSE(logDetailed(QOR_LOG_EXIT, nullptr, 0, QOR_CODE_ERROR));
    EXPECT_TRUE(logDetailed(QOR_LOG_EXIT, nullptr, 0, QOR_CODE_LOGICAL));
    EXPECT_FALSE(logDetailed(QOR_LOG_EXIT, nullptr, 1, QOR_CODE_LOGICAL));
    EXPECT_FALSE(logDetailed(QOR_LOG_EXIT, nullptr, 0, QOR_CODE_PASS_FAIL));
    EXPECT_FALSE(logDetailed(QOR_LOG_EXIT, nullptr, 0, QOR_CODE_RETURN));
    EXPECT_EQ(5u, lines().size());
}

TEST_F(LogKey, UnspecifiedTypePassesEveryMask)
{
    logTo(0x0001);
    EXPECT_TRUE(logDetailed(0));
    EXPECT_FALSE(logDetailed(QOR_LOG_EXCEPTION_BAD));
    EXPECT_EQ((Lines{"<UNSPECIFIED> <qor_logging_tests> <CQORIni::f> \"m\" <Error: 0x00000005> "
                     "<qor_registry_key.cpp, 7> "}),
              lines());
}

TEST_F(LogKey, ModuleValueOverridesDetailAndOutputs)
{
    logTo(0x0001);
    storeText(TEXT("qor_logging_tests"), TEXT("1,anything"));
    EXPECT_TRUE(logDetailed(QOR_LOG_DEBUG));
    CQORSimpleLog notice(QOR_LOG_NOTIFICATION, TEXT("n"), 0, QOR_CODE_ERROR, true, false, 0);
    EXPECT_TRUE(notice.isLogged());
    EXPECT_EQ(1, notice.getOutputMask());
    EXPECT_EQ(2u, lines().size());

    // Mask 2 names an output that writes nothing.
    storeText(TEXT("qor_logging_tests"), TEXT(" +2,1"));
    CQORDetailedLog record(QOR_LOG_EXCEPTION_BAD, TEXT("m"), 5, 0, nullptr, nullptr, nullptr, 0,
                           true, false);
    EXPECT_FALSE(record.isLogged());
    EXPECT_EQ(2, record.getOutputMask());
    EXPECT_EQ(2u, lines().size());

    // Another module's value does not apply.
    storeText(TEXT("qor_logging_tests"), TEXT("9"));
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, kLogsKey);
    logTo(0x0001);
    storeText(TEXT("qor_logging"), TEXT("1"));
    EXPECT_FALSE(logDetailed(QOR_LOG_DEBUG));
}

TEST_F(LogKey, ObjectListsMatchNamesAsSubstrings)
{
    logTo(0x0FFF);
    storeText(TEXT("AllowObjects"), TEXT(""));
    EXPECT_FALSE(logDetailed(QOR_LOG_ERROR, TEXT("CQORIni")));
    EXPECT_TRUE(logDetailed(QOR_LOG_ERROR, nullptr));
    CQORSimpleLog simple(QOR_LOG_ERROR, TEXT("s"), 0, QOR_CODE_ERROR, true, false);
    EXPECT_TRUE(simple.isLogged()) << "simple records carry no object";

    storeText(TEXT("AllowObjects"), TEXT("CQORRegistryKeyX;CQORIni"));
    EXPECT_TRUE(logDetailed(QOR_LOG_ERROR, TEXT("CQORRegistryKey")));
    EXPECT_TRUE(logDetailed(QOR_LOG_ERROR, TEXT("CQORIni")));
    EXPECT_FALSE(logDetailed(QOR_LOG_ERROR, TEXT("CQORFlags")));
    // With both lists only the allow list counts.
    storeText(TEXT("ExcludeObjects"), TEXT("CQORIni"));
    EXPECT_TRUE(logDetailed(QOR_LOG_ERROR, TEXT("CQORIni")));

    RegDeleteKeyW(HKEY_LOCAL_MACHINE, kLogsKey);
    logTo(0x0FFF);
    storeText(TEXT("ExcludeObjects"), TEXT("CQORFlags CQORIni"));
    EXPECT_FALSE(logDetailed(QOR_LOG_ERROR, TEXT("CQORIni")));
    EXPECT_TRUE(logDetailed(QOR_LOG_ERROR, TEXT("CQORDirectory")));
    EXPECT_EQ(6u, lines().size());
}

TEST_F(LogKey, EveryLineIsAppendedAfterOneByteOrderMark)
{
    logTo(0x001B);
    EXPECT_TRUE(logDetailed(QOR_LOG_ERROR, nullptr, 0, QOR_CODE_ERROR, TEXT("one")));
    EXPECT_TRUE(logDetailed(QOR_LOG_ERROR, nullptr, 0, QOR_CODE_ERROR, TEXT("two")));
    std::basic_string<WCHAR> strContent = content();
    ASSERT_FALSE(strContent.empty());
    EXPECT_EQ('<', strContent[0]) << "the mark is followed by the first line";
    EXPECT_EQ(std::basic_string<WCHAR>::npos, strContent.find(static_cast<WCHAR>(0xFEFF)))
        << "one mark, at the start only";
    EXPECT_EQ((Lines{"<ERROR> <qor_logging_tests> <::f> \"one\" <qor_registry_key.cpp, 7> ",
                     "<ERROR> <qor_logging_tests> <::f> \"two\" <qor_registry_key.cpp, 7> "}),
              lines());
}

TEST_F(LogKey, LongLinesAreWrittenWholeWithTheirLineEnd)
{
    logTo(0x001B);
    std::basic_string<WCHAR> strMessage(3000, 'x');
    EXPECT_TRUE(logDetailed(QOR_LOG_ERROR, nullptr, 0, QOR_CODE_ERROR, strMessage.c_str()));
    EXPECT_TRUE(logDetailed(QOR_LOG_ERROR, nullptr, 0, QOR_CODE_ERROR, TEXT("after")));
    EXPECT_EQ((Lines{"<ERROR> <qor_logging_tests> <::f> \"" + std::string(3000, 'x') +
                         "\" <qor_registry_key.cpp, 7> ",
                     "<ERROR> <qor_logging_tests> <::f> \"after\" <qor_registry_key.cpp, 7> "}),
              lines());
}

TEST_F(LogKey, UnusableTargetsLeaveTheRecordUnlogged)
{
    logTo(0x001B);
    // Only the last folder level is made.
    storeText(TEXT("TextOutput"), TEXT("C:\\qorlogtest_no_parent\\below\\x.log"));
    CQORLogException1 deep(TEXT("m"), 5, 0, nullptr, nullptr, nullptr, 0, 1, true, false);
    EXPECT_FALSE(deep.isLogged());
    EXPECT_FALSE(fileExists(TEXT("C:\\qorlogtest_no_parent\\below\\x.log")));
    // A detailed record needs a drive path with a folder.
    storeText(TEXT("TextOutput"), TEXT("qorlogtest.log"));
    CQORLogException1 relative(TEXT("m"), 5, 0, nullptr, nullptr, nullptr, 0, 1, true, false);
    EXPECT_FALSE(relative.isLogged());
    // Outputs other than the text file write nothing; the last output called decides.
    storeText(TEXT("TextOutput"), m_strLog.c_str());
    for (USHORT usMask : {0x02, 0x04, 0x08, 0x10, 0x20, 0x21, 0x00})
    {
        CQORLogException1 record(TEXT("m"), 5, 0, nullptr, nullptr, nullptr, 0, usMask, true,
                                 false);
        EXPECT_FALSE(record.isLogged()) << usMask;
    }
    EXPECT_EQ(1u, lines().size()) << "mask 0x21 wrote its text line";
}

TEST_F(LogKey, RecordKeepsItsPathAndTheKeyIsReadPerRecord)
{
    logTo(0x001B);
    CQORLogException1 record(TEXT("m"), 5, 0, nullptr, nullptr, nullptr, 0, 1, false, false);
    EXPECT_TRUE(record.log());
    EXPECT_TEXT(m_strLog.c_str(), record.getData().getOutputPath());
    storeText(TEXT("TextOutput"), TEXT("C:\\qorlogtest\\elsewhere.log"));
    EXPECT_TRUE(record.log());
    EXPECT_EQ(2u, lines().size());
    EXPECT_FALSE(fileExists(TEXT("C:\\qorlogtest\\elsewhere.log")));

    storeNumber(TEXT("Logging"), 0);
    EXPECT_FALSE(record.log());
    EXPECT_EQ(2u, lines().size());
}

TEST_F(LogKey, WritingLeavesTheLastErrorAsItWas)
{
    logTo(0x001B);
    SetLastError(1234);
    CQORLogException1 written(TEXT("m"), 5, 0, nullptr, nullptr, nullptr, 0, 1, true, false);
    EXPECT_TRUE(written.isLogged());
    EXPECT_EQ(1234u, GetLastError());
    storeText(TEXT("TextOutput"), TEXT("C:\\qorlogtest_no_parent\\below\\x.log"));
    SetLastError(87);
    CQORLogException1 failed(TEXT("m"), 5, 0, nullptr, nullptr, nullptr, 0, 1, true, false);
    EXPECT_FALSE(failed.isLogged());
    EXPECT_EQ(87u, GetLastError());
}

TEST_F(LogKey, FileHeldAloneByAnotherIsWaitedForBriefly)
{
    logTo(0x001B);
    (void)CreateDirectoryW(TEXT("C:\\qorlogtest"), nullptr);
    ASSERT_TRUE(qorTestWriteFile(m_strLog, ""));
    HANDLE hHeld =
        CreateFileW(m_strLog.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, hHeld);
    // Held for the whole attempt: the line is given up.
    CQORLogException1 refused(TEXT("m"), 5, 0, nullptr, nullptr, nullptr, 0, 1, true, false);
    EXPECT_FALSE(refused.isLogged());
    CloseHandle(hHeld);
    // Let go 15 ms into the next attempt (the writer waits 45 ms in all): the line lands, and
    // the empty file left behind gets its mark with it. A busy machine may hold the releasing
    // thread back past the wait, so it is tried a few times; a writer that does not wait
    // never gets its line in.
    bool bLanded = false;
    for (int iTry = 0; iTry < 5 && !bLanded; ++iTry)
    {
        hHeld = CreateFileW(m_strLog.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, hHeld);
        CTestThread releaser(
            [](void* pHeld)
            {
                Sleep(15);
                CloseHandle(*static_cast<HANDLE*>(pHeld));
            },
            &hHeld);
        CQORLogException1 waited(TEXT("w"), 5, 0, nullptr, nullptr, nullptr, 0, 1, true, false);
        bLanded = waited.isLogged();
    }
    EXPECT_TRUE(bLanded);
    EXPECT_TRUE(refused.log());
    EXPECT_EQ(2u, lines().size());
}

TEST_F(LogKey, SettingsAreReadByTheirTypeAndWhateverTheirLength)
{
    const wstring_t strList(600, ';');
    const wstring_t strFolder = TEXT("C:\\qorlogtest\\");
    // "C:\qorlogtest\" and ".log" around the name: 127 characters are the longest path kept.
    const wstring_t strPath127 = strFolder + wstring_t(109, 'p') + TEXT(".log");
    const wstring_t strPath128 = strFolder + wstring_t(110, 'p') + TEXT(".log");
    struct
    {
        const char* szWhat;
        LPCWSTR szName;
        DWORD dwType;
        wstring_t strText; // stored with its terminator; empty: dwNumber's four bytes
        DWORD dwNumber;
        ULONG ulRecordType;
        LPCWSTR szObject;
        bool bWritten;
    } cases[] = {
        // Numbers of another type count as absent: logging off, the detail its default.
        {"Logging as text", TEXT("Logging"), REG_SZ, TEXT("0"), 0, QOR_LOG_ERROR, nullptr, false},
        {"Logging as binary", TEXT("Logging"), REG_BINARY, wstring_t(), 1, QOR_LOG_ERROR, nullptr,
         false},
        {"LogDetail as text, debug", TEXT("LogDetail"), REG_SZ, TEXT("2"), 0, QOR_LOG_DEBUG,
         nullptr, false},
        {"LogDetail as text, error", TEXT("LogDetail"), REG_SZ, TEXT("27"), 0, QOR_LOG_ERROR,
         nullptr, true},
        {"LogDetail number", TEXT("LogDetail"), REG_DWORD, wstring_t(), QOR_LOG_DEBUG,
         QOR_LOG_DEBUG, nullptr, true},
        // A number is its four bytes exactly; six are no number, however they begin.
        {"LogDetail number of six bytes", TEXT("LogDetail"), REG_DWORD,
         wstring_t{static_cast<WCHAR>(QOR_LOG_DEBUG), 1}, 0, QOR_LOG_DEBUG, nullptr, false},
        {"Logging number of six bytes", TEXT("Logging"), REG_DWORD, wstring_t{1, 1}, 0,
         QOR_LOG_ERROR, nullptr, false},
        // The module's override: its number ends at the first comma, however long the value.
        {"override 1, long", TEXT("qor_logging_tests"), REG_SZ, TEXT("1,") + strList, 0,
         QOR_LOG_DEBUG, nullptr, true},
        {"override 2, long", TEXT("qor_logging_tests"), REG_SZ, TEXT("2,") + strList, 0,
         QOR_LOG_ERROR, nullptr, false},
        {"override as number", TEXT("qor_logging_tests"), REG_DWORD, wstring_t(), 1, QOR_LOG_DEBUG,
         nullptr, false},
        // Past the 32-bit range the number stays at its limit: no low bits turn outputs on.
        {"override far below the range", TEXT("qor_logging_tests"), REG_SZ, TEXT("-9999999999"), 0,
         QOR_LOG_DEBUG, nullptr, false},
        {"override far above the range", TEXT("qor_logging_tests"), REG_SZ,
         TEXT("99999999999999999999999"), 0, QOR_LOG_DEBUG, nullptr, false},
        // Object lists are matched over their first 511 characters.
        {"allow list, long", TEXT("AllowObjects"), REG_SZ, TEXT("CQORIni") + strList, 0,
         QOR_LOG_ERROR, TEXT("CQORIni"), true},
        {"allow list, name too far", TEXT("AllowObjects"), REG_SZ,
         wstring_t(505, ';') + TEXT("CQORIni"), 0, QOR_LOG_ERROR, TEXT("CQORIni"), false},
        {"exclude list, long", TEXT("ExcludeObjects"), REG_SZ, TEXT("CQORIni") + strList, 0,
         QOR_LOG_ERROR, TEXT("CQORIni"), false},
        {"exclude list, other name", TEXT("ExcludeObjects"), REG_SZ, TEXT("CQORIni") + strList, 0,
         QOR_LOG_ERROR, TEXT("CQORFlags"), true},
        {"allow list as number", TEXT("AllowObjects"), REG_DWORD, wstring_t(), 0, QOR_LOG_ERROR,
         TEXT("CQORIni"), true},
        // The log file's path: text of either kind, up to 127 characters.
        {"path as binary", TEXT("TextOutput"), REG_BINARY, m_strLog, 0, QOR_LOG_ERROR, nullptr,
         false},
        {"path expandable", TEXT("TextOutput"), REG_EXPAND_SZ, m_strLog, 0, QOR_LOG_ERROR, nullptr,
         true},
        {"path of 127", TEXT("TextOutput"), REG_SZ, strPath127, 0, QOR_LOG_ERROR, nullptr, true},
        {"path of 128", TEXT("TextOutput"), REG_SZ, strPath128, 0, QOR_LOG_ERROR, nullptr, false},
    };
    for (const auto& test : cases)
    {
        clean();
        storeNumber(TEXT("Logging"), 1);
        storeText(TEXT("TextOutput"), m_strLog.c_str());
        if (test.strText.empty())
            ASSERT_EQ(ERROR_SUCCESS, qorTestStoreValue(HKEY_LOCAL_MACHINE, kLogsKey, test.szName,
                                                       test.dwType, &test.dwNumber, 4));
        else
            ASSERT_EQ(ERROR_SUCCESS,
                      qorTestStoreValue(HKEY_LOCAL_MACHINE, kLogsKey, test.szName, test.dwType,
                                        test.strText.c_str(),
                                        static_cast<DWORD>((test.strText.size() + 1) * 2)));
        EXPECT_EQ(test.bWritten, logDetailed(test.ulRecordType, test.szObject)) << test.szWhat;
    }
    EXPECT_TRUE(fileExists(strPath127.c_str()));
    EXPECT_FALSE(fileExists(strPath128.c_str()));
    DeleteFileW(strPath127.c_str());
}

TEST_F(LogKey, OverrideTakesThePlaceOfTheKeyUntilCleared)
{
    // A key that would send these records elsewhere or nowhere.
    logTo(0x001B);
    storeText(TEXT("AllowObjects"), TEXT("CQORRegistryKey"));
    wstring_t strRun = m_strLog + TEXT(".") + wstring_t(160, 'r') + TEXT(".log");
    (void)DeleteFileW(strRun.c_str());
    EXPECT_FALSE(CQORLoggingConfig::setOverride(nullptr, QOR_LOG_INFORMATION));
    EXPECT_FALSE(CQORLoggingConfig::setOverride(TEXT(""), QOR_LOG_INFORMATION));
    EXPECT_TRUE(logDetailed(QOR_LOG_ERROR, TEXT("CQORRegistryKey"))) << "the key still answers";

    // Any length of path; its detail mask alone selects, and no object list applies.
    ASSERT_TRUE(CQORLoggingConfig::setOverride(strRun.c_str(), QOR_LOG_INFORMATION));
    EXPECT_TRUE(logDetailed(QOR_LOG_INFORMATION, TEXT("CQORIni"), 0));
    EXPECT_FALSE(logDetailed(QOR_LOG_ERROR, TEXT("CQORRegistryKey")));
    CQORLoggingConfig config;
    WCHAR szPath[8];
    EXPECT_FALSE(config.getOutputPath(QOR_OUTPUT_XML, szPath, sizeof(szPath)));
    bool bFound = true;
    EXPECT_FALSE(config.isObjectAllowed(TEXT("CQORIni"), bFound));
    EXPECT_FALSE(bFound);

    CQORLoggingConfig::clearOverride();
    EXPECT_FALSE(logDetailed(QOR_LOG_INFORMATION, TEXT("CQORIni"), 0));
    EXPECT_TRUE(logDetailed(QOR_LOG_ERROR, TEXT("CQORRegistryKey")));
    EXPECT_EQ(2u, lines().size()) << "the key's file has the records from before and after";
    std::string strRun8 = qorTestReadFile(strRun);
    EXPECT_EQ(0u, strRun8.compare(0, 2, "\xFF\xFE"));
    EXPECT_EQ(std::string::npos, strRun8.find("E\0R\0R\0O\0R", 0, 9)) << "no ERROR line";
    EXPECT_NE(std::string::npos, strRun8.find("<\0I\0N\0F\0O", 0, 9));
    (void)DeleteFileW(strRun.c_str());
}
