// One of several programs that share a log file: logs COUNT records "TAG 0", "TAG 1", ... to
// the log the registry names, and ends with 0 when each of them was written.
//
//   qor_log_writer TAG COUNT
#include <cstdlib>
#include <cstring>
#include <string>

#include "qor_detailed_log.h"

int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    std::basic_string<WCHAR> strTag(argv[1], argv[1] + std::strlen(argv[1]));
    int nCount = std::atoi(argv[2]);
    int nLost = 0;
    for (int i = 0; i < nCount; ++i)
    {
        WCHAR szNumber[16];
        wsprintfW(szNumber, TEXT("%d"), i);
        std::basic_string<WCHAR> strMessage = strTag + TEXT(" ") + szNumber;
        CQORLogException1 record(strMessage.c_str(), 5, QOR_CODE_ERROR, nullptr, nullptr, nullptr,
                                 0, QOR_OUTPUT_TEXT, /*bLogNow=*/true, /*bLogOnDestroy=*/false);
        if (!record.isLogged())
            ++nLost;
    }
    return nLost == 0 ? 0 : 1;
}
