// The round-trip law on key trees built from the input: keys and values of every kind with
// awkward names and data (line breaks, "=", ";", "[", "?", blanks at the ends, quotes,
// commas, text outside ANSI, lone surrogates, odd byte counts, missing terminators, the
// default value, types without a plain form), exported, imported into the emptied key and
// compared value for value.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_registry.h"

namespace
{

const DWORD g_adwTypes[] = {REG_SZ,       REG_EXPAND_SZ, REG_BINARY, REG_DWORD,
                            REG_MULTI_SZ, REG_NONE,      11 /* REG_QWORD */};
const char16_t g_achAwkward[] = {u'a',  u'=',  u';', u'[', u']', u'?', u' ',  u'\t',
                                 u'\r', u'\n', u'"', u':', u',', u'%', 0x3A9, 0xD800};

// Reads the input front to back; past its end every read is zero.
class CFuzzInput
{
public:
    CFuzzInput(const uint8_t* pData, size_t nSize) : m_pData(pData), m_nSize(nSize) {}
    bool atEnd() const { return m_nPos >= m_nSize; }
    uint8_t next() { return m_nPos < m_nSize ? m_pData[m_nPos++] : 0; }

    // Mostly units that the line format finds awkward, sometimes any unit but NUL.
    std::u16string text(size_t nMaxLength)
    {
        std::u16string strText;
        size_t nLength = next() % (nMaxLength + 1);
        for (size_t i = 0; i < nLength; ++i)
        {
            uint8_t b = next();
            char16_t ch = g_achAwkward[b % 16];
            if (b >= 0xC0)
            {
                uint8_t bLow = next();
                ch = static_cast<char16_t>(bLow | next() << 8);
            }
            strText += ch == 0 ? u'0' : ch;
        }
        return strText;
    }

private:
    const uint8_t* m_pData;
    size_t m_nSize;
    size_t m_nPos = 0;
};

// The value's bytes: text units, perhaps with a terminator or two, perhaps one byte short.
std::vector<BYTE> dataOf(CFuzzInput& input)
{
    std::u16string strUnits = input.text(40);
    uint8_t bShape = input.next();
    if (bShape & 1)
        strUnits += u'\0';
    if (bShape & 2)
        strUnits += u'\0';
    std::vector<BYTE> vecData;
    for (char16_t ch : strUnits)
    {
        vecData.push_back(static_cast<BYTE>(ch & 0xFF));
        vecData.push_back(static_cast<BYTE>(ch >> 8));
    }
    if ((bShape & 4) && !vecData.empty())
        vecData.pop_back();
    if (bShape & 8)
        vecData.resize(bShape >> 4);
    return vecData;
}

void addValue(HKEY hKey, CFuzzInput& input)
{
    DWORD dwType = g_adwTypes[input.next() % 7];
    std::u16string strName = input.text(6);
    std::vector<BYTE> vecData = dataOf(input);
    (void)RegSetValueExW(hKey, strName.c_str(), 0, dwType, vecData.data(),
                         static_cast<DWORD>(vecData.size()));
}

// Key names: any unit but the separator; an empty name becomes "k".
HKEY addKey(HKEY hParent, CFuzzInput& input)
{
    std::u16string strName = input.text(6);
    for (char16_t& ch : strName)
        ch = ch == u'\\' ? u'_' : ch;
    if (strName.empty())
        strName = u"k";
    HKEY hKey = nullptr;
    if (RegCreateKeyExW(hParent, strName.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hKey,
                        nullptr) != ERROR_SUCCESS)
        return nullptr;
    return hKey;
}

// Values, subkeys (at most three deep) and returns to the parent, as the input says.
void buildTree(HKEY hKey, CFuzzInput& input, int iDepth)
{
    while (!input.atEnd())
    {
        uint8_t bStep = input.next() % 8;
        if (bStep == 0)
            return;
        if (bStep != 1 || iDepth == 3)
        {
            addValue(hKey, input);
            continue;
        }
        HKEY hChild = addKey(hKey, input);
        if (hChild == nullptr)
            continue;
        buildTree(hChild, input, iDepth + 1);
        RegCloseKey(hChild);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    CFuzzMachine machine;
    HKEY hTree = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, TEXT("Fuzz"), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &hTree, nullptr) != ERROR_SUCCESS)
        return 0;
    CFuzzInput input(pData, nSize);
    buildTree(hTree, input, 0);
    RegCloseKey(hTree);
    fuzzCheckRoundTrip(HKEY_CURRENT_USER, TEXT("Fuzz"), TEXT("C:\\tree.ini"));
    return 0;
}
