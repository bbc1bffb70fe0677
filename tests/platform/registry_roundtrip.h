// The keys and values of tests/data/registry_roundtrip.reg: the host writes exactly that
// file from them, and reads them back from it; Wine's `regedit /s` imports it and a Windows
// program reads the same values back (tests/scripts/registry_roundtrip.sh).
#pragma once

#include <string>
#include <vector>

#include <windows.h>

struct RoundTripValue
{
    const char* szKey;  // below HKEY_CURRENT_USER
    const char* szName; // "" for the default value
    DWORD dwType;
    std::vector<BYTE> vecData;
};

// UTF-16LE bytes of a UTF-8 text, with the terminator when bTerminated.
inline std::vector<BYTE> utf16Bytes(const std::string& strText, bool bTerminated = true)
{
    std::vector<BYTE> vecBytes;
    for (size_t i = 0; i < strText.size();)
    {
        unsigned char c = static_cast<unsigned char>(strText[i]);
        unsigned int uCode = c;
        size_t nMore = c < 0x80 ? 0 : c < 0xE0 ? 1 : 2;
        if (nMore > 0)
            uCode = c & (0x3F >> nMore);
        for (size_t k = 1; k <= nMore; ++k)
            uCode = (uCode << 6) | (static_cast<unsigned char>(strText[i + k]) & 0x3F);
        i += nMore + 1;
        vecBytes.push_back(static_cast<BYTE>(uCode & 0xFF));
        vecBytes.push_back(static_cast<BYTE>(uCode >> 8));
    }
    if (bTerminated)
        vecBytes.insert(vecBytes.end(), {0, 0});
    return vecBytes;
}

const char* const kRoundTripKey = "Software\\QorTests\\Roundtrip";

// Keys that exist without values of their own.
inline std::vector<std::string> roundTripEmptyKeys()
{
    return {"Software\\QorTests\\Roundtrip\\Empty"};
}

inline std::vector<RoundTripValue> roundTripValues()
{
    std::vector<BYTE> vecBinary;
    for (int i = 0; i < 40; ++i)
        vecBinary.push_back(static_cast<BYTE>(i * 7));
    return {
        {kRoundTripKey, "", REG_SZ, utf16Bytes("the default value")},
        {kRoundTripKey, "Path", REG_SZ, utf16Bytes("C:\\Program Files\\Arvenne \"Velmora\"")},
        {kRoundTripKey, "Number", REG_DWORD, {0x1f, 0, 0, 0}},
        {kRoundTripKey, "Binary", REG_BINARY, vecBinary},
        {kRoundTripKey, "Expand", REG_EXPAND_SZ, utf16Bytes("%SystemRoot%\\system32")},
        {kRoundTripKey, "Multi", REG_MULTI_SZ, utf16Bytes(std::string("one\0two\0", 8))},
        {kRoundTripKey, "Unicode", REG_SZ,
         utf16Bytes("Gr\xC3\xBC\xC3\x9F"
                    "e \xCE\xA9")},
        {kRoundTripKey, "Quad", REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 8}},
        {kRoundTripKey, "Empty", REG_SZ, utf16Bytes("")},
        {kRoundTripKey, "NoBytes", REG_SZ, {}},
        {kRoundTripKey, "Two\r\nLines", REG_SZ, utf16Bytes("first\r\nsecond")},
        {kRoundTripKey, "Nothing", REG_NONE, {}},
        {"Software\\QorTests\\Roundtrip\\Sub Key\\Deeper", "Name With \\ and \"", REG_SZ,
         utf16Bytes("x")},
    };
}
