// The start-up of a GUI program on the host: what the Windows loader and the C runtime do
// before wWinMain. Only programs that define wWinMain link it.
#include <windows.h>

#include <string>

#include "host_machine.h"

namespace
{
// One argument as Windows' command-line parser reads it back: quoted when it is empty or
// holds blanks, with the backslashes before a quote doubled and the quote escaped.
std::string quoteArgument(const std::string& strArgument)
{
    if (!strArgument.empty() && strArgument.find_first_of(" \t\"") == std::string::npos)
        return strArgument;
    std::string strQuoted = "\"";
    size_t nBackslashes = 0;
    for (char c : strArgument)
    {
        if (c == '\\')
        {
            ++nBackslashes;
            continue;
        }
        strQuoted.append(c == '"' ? nBackslashes * 2 + 1 : nBackslashes, '\\');
        nBackslashes = 0;
        strQuoted += c;
    }
    // Backslashes before the closing quote would escape it.
    strQuoted.append(nBackslashes * 2, '\\');
    return strQuoted + "\"";
}

// The text after the program's name, as GetCommandLineW's tail would give it.
std::u16string commandLineOf(int argc, char** argv)
{
    std::string strLine;
    for (int i = 1; i < argc; ++i)
    {
        if (i > 1)
            strLine += ' ';
        strLine += quoteArgument(argv[i]);
    }
    return qorhost::fromUtf8(strLine);
}
} // namespace

int main(int argc, char** argv)
{
    // The machine named by QOR_MACHINE, as Windows is there before the program starts.
    qorhost::Machine::current();
    std::u16string strCommandLine = commandLineOf(argc, argv);
    int iExitCode =
        wWinMain(GetModuleHandleW(nullptr), nullptr, &strCommandLine[0], SW_SHOWDEFAULT);
    // Linux hands the parent only the low 8 bits; Windows codes such as 3010 need all 32.
    qorhost::HostEvent event;
    event.kind = "exit";
    event.iExitCode = iExitCode;
    qorhost::Machine::current().recordEvent(event, "exit code=" + std::to_string(iExitCode));
    return iExitCode;
}
