#include "test_text.h"

std::string utf8(LPCWSTR szText)
{
    std::string strOut;
    for (; szText != nullptr && *szText != 0; ++szText)
    {
        unsigned int c = static_cast<unsigned short>(*szText);
        if (c >= 0xD800 && c <= 0xDBFF && szText[1] >= 0xDC00 && szText[1] <= 0xDFFF)
        {
            c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<unsigned short>(szText[1]) - 0xDC00);
            ++szText;
        }
        if (c < 0x80)
            strOut += static_cast<char>(c);
        else if (c < 0x800)
        {
            strOut += static_cast<char>(0xC0 | (c >> 6));
            strOut += static_cast<char>(0x80 | (c & 0x3F));
        }
        else if (c < 0x10000)
        {
            strOut += static_cast<char>(0xE0 | (c >> 12));
            strOut += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            strOut += static_cast<char>(0x80 | (c & 0x3F));
        }
        else
        {
            strOut += static_cast<char>(0xF0 | (c >> 18));
            strOut += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            strOut += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            strOut += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return strOut;
}
