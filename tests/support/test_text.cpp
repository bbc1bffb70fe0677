#include "test_text.h"

std::string utf8(LPCWSTR szText)
{
    // The platform's own encoder: the tests compare text as the system converts it.
    if (szText == nullptr || *szText == 0)
        return std::string();
    int iBytes = WideCharToMultiByte(CP_UTF8, 0, szText, -1, nullptr, 0, nullptr, nullptr);
    if (iBytes <= 0)
        return std::string();
    std::string strOut(static_cast<size_t>(iBytes), '\0');
    (void)WideCharToMultiByte(CP_UTF8, 0, szText, -1, &strOut[0], iBytes, nullptr, nullptr);
    strOut.resize(static_cast<size_t>(iBytes) - 1);
    return strOut;
}
