// The module name a record is logged under, taken from the program's path.
#include <functional>
#include <string>

#include "log_key_fixture.h"
#include "qor_detailed_log.h"
#include "qor_host.h"

namespace
{

// The module part of the one line a record leaves, or "" when nothing was written.
std::string moduleOf(const std::vector<std::string>& vecLines)
{
    if (vecLines.size() != 1)
        return "";
    size_t nStart = vecLines[0].find("> <") + 3;
    return vecLines[0].substr(nStart, vecLines[0].find('>', nStart) - nStart);
}

} // namespace

TEST_F(LogKey, ModuleNameIsTheProgramFileWithoutExtension)
{
    struct
    {
        std::u16string strPath;
        std::string strModule;
    } cases[] = {
        {u"C:\\Program Files\\Arvenne\\tool.v2.exe", "tool.v2"},
        {u"C:\\tool", "tool"},
        // 127 characters are the longest path kept.
        {u"C:\\Program Files\\" + std::u16string(106, u'a') + u".exe", std::string(106, 'a')},
        // Paths that name no module: nothing is written.
        {u"C:\\Program Files\\" + std::u16string(107, u'a') + u".exe", ""},
        {u"C:\\tools.d\\tool", ""},
        {u"C:\\tools\\.exe", ""},
        {u"C:\\tools\\", ""},
        {u"C:\\", ""},
    };
    for (const auto& test : cases)
    {
        clean();
        logTo(0x001B);
        qorhost::setProgramPath(test.strPath);
        CQORLogException1 record(TEXT("m"), 5, 0, nullptr, nullptr, nullptr, 0, 1, true, false);
        EXPECT_EQ(test.strModule, moduleOf(lines())) << utf8(test.strPath.c_str());
        EXPECT_EQ(!test.strModule.empty(), record.isLogged()) << utf8(test.strPath.c_str());
    }
}

TEST_F(LogKey, NamedModuleIsKept)
{
    logTo(0x001B);
    CQORDetailedLog record(QOR_LOG_ERROR, TEXT("m"), 5, 0, nullptr, nullptr, nullptr, 0, false,
                           false, 1, TEXT("given"));
    EXPECT_TRUE(record.log());
    EXPECT_EQ("given", moduleOf(lines()));
}

TEST_F(LogKey, FailedOrShortWritesLeaveTheRecordUnlogged)
{
    struct
    {
        const char* szWhat;
        bool bFileFirst; // a first line is written before the fault
        std::function<void()> fault;
        const char* szTorn; // what a short write left of the lost line, as a line of its own
    } cases[] = {
        // A new file whose mark could not be written stays empty and is marked by the next line.
        {"mark fails", false, [] { qorhost::failCall("WriteFile", ERROR_DISK_FULL, "", 1); },
         nullptr},
        {"mark short", false, [] { qorhost::limitWrites(1, 1); }, nullptr},
        {"line fails", true, [] { qorhost::failCall("WriteFile", ERROR_DISK_FULL, "", 1); },
         nullptr},
        {"line short", true, [] { qorhost::limitWrites(0, 1); }, nullptr},
        // The disk fills up inside a line: the next line closes it and starts on its own.
        {"line torn", true, [] { qorhost::limitWrites(2, 1); }, "BAD TIMESTAMP: <"},
        {"line torn inside a unit", true, [] { qorhost::limitWrites(1, 1); }, "BAD TIMESTAMP: <"},
        {"file missing", false,
         [] { qorhost::failCall("CreateFileW", ERROR_ACCESS_DENIED, "", 1); }, nullptr},
    };
    for (const auto& test : cases)
    {
        clean();
        logTo(0x001B);
        if (test.bFileFirst)
        {
            CQORLogException1 first(TEXT("first"), 5, 0, nullptr, nullptr, nullptr, 0, 1, true,
                                    false);
        }
        test.fault();
        CQORLogException1 failed(TEXT("lost"), 5, 0, nullptr, nullptr, nullptr, 0, 1, false, false);
        EXPECT_FALSE(failed.log()) << test.szWhat;
        EXPECT_FALSE(failed.isLogged()) << test.szWhat;
        CQORLogException1 after(TEXT("after"), 5, 0, nullptr, nullptr, nullptr, 0, 1, true, false);
        EXPECT_TRUE(after.isLogged()) << test.szWhat;
        std::vector<std::string> vecExpected;
        if (test.bFileFirst)
            vecExpected.push_back("<EXCEPTION_BAD> <qor_logging_host_tests> \"first\" "
                                  "<Error: 0x00000005> ");
        if (test.szTorn != nullptr)
            vecExpected.push_back(test.szTorn);
        vecExpected.push_back("<EXCEPTION_BAD> <qor_logging_host_tests> \"after\" "
                              "<Error: 0x00000005> ");
        EXPECT_EQ(vecExpected, lines()) << test.szWhat;
    }
}

// Another writer makes the file between this writer's look and its own attempt to make it:
// the writer looks again and appends, and the line is not lost.
TEST_F(LogKey, AFileThatAppearsWhileBeingMadeIsWrittenTo)
{
    logTo(0x001B);
    CQORLogException1 first(TEXT("first"), 5, 0, nullptr, nullptr, nullptr, 0, 1, true, false);
    qorhost::failCall("CreateFileW", ERROR_FILE_NOT_FOUND, "", 1);
    CQORLogException1 second(TEXT("second"), 5, 0, nullptr, nullptr, nullptr, 0, 1, true, false);
    EXPECT_TRUE(second.isLogged());
    EXPECT_EQ(2u, lines().size());
}
