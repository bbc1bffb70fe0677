// The module name a record is logged under, taken from the program's path.
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
