// A random sequence of operations on three strings made from random text: the string's
// own operations and the buffer operations it inherits, which can leave storage without a
// terminating zero. Nothing may read or write outside the storage, the text Win32 would be
// given must end where the string says its text ends, and a few results are checked
// against a plain reference.
#include <vector>

#include "fuzz_text.h"
#include "qor_environment_variable.h"
#include "qor_string_list.h"

namespace
{

// Longer texts only repeat what short ones reach, more slowly.
const ULONG kMaxUnits = 2048;

class CInput
{
public:
    CInput(const uint8_t* pData, size_t nSize) : m_pData(pData), m_nSize(nSize) {}
    bool empty() const { return m_nSize == 0; }
    uint8_t byte()
    {
        if (m_nSize == 0)
            return 0;
        --m_nSize;
        return *m_pData++;
    }
    // A position or count around the length: in range, just past it, or far past it.
    ULONG around(ULONG ulLength)
    {
        uint8_t b = byte();
        if (b == 0xFF)
            return 0xFFFFFFFFu;
        return b % (ulLength + 3);
    }
    WCHAR unit() { return static_cast<WCHAR>(byte() | byte() << 8); }

private:
    const uint8_t* m_pData;
    size_t m_nSize;
};

ULONG naiveCount(const CQORWCharString& strText, const CQORWCharString& strFind)
{
    ULONG ulLength = strText.getLength();
    ULONG ulFind = strFind.getLength();
    ULONG ulCount = 0;
    for (ULONG ulPos = 0; ulFind != 0 && ulPos + ulFind <= ulLength; ++ulPos)
    {
        ULONG i = 0;
        while (i < ulFind && strText.getBuffer()[ulPos + i] == strFind.getBuffer()[i])
            ++i;
        ulCount += i == ulFind;
    }
    return ulCount;
}

// What every string must be after any operation.
void checkShape(const CQORWCharString& str)
{
    FUZZ_CHECK((str.getBuffer() == nullptr) == (str.getNumElems() == 0));
    FUZZ_CHECK(str.getLength() <= str.getNumElems());
    if (str.getBuffer() != nullptr)
        FUZZ_CHECK(static_cast<ULONG>(lstrlenW(str.getBuffer())) == str.getLength());
}

void checkTokens(const CQORWCharString& strText, const CQORWCharString& strDelimiter)
{
    CQORStringList list;
    if (!strText.tokenize(list, strDelimiter, tmSeparated, 0, 0))
        return;
    CQORWCharString strJoined;
    LONG lKey = 0;
    for (CQORStringNode* pNode = list.m_pHead; pNode != nullptr;
         pNode = static_cast<CQORStringNode*>(pNode->m_pNext), ++lKey)
    {
        FUZZ_CHECK(pNode->m_lKey == lKey);
        FUZZ_CHECK(!pNode->m_object.contains(strDelimiter));
        if (lKey != 0)
            strJoined += strDelimiter;
        strJoined += pNode->m_object;
    }
    FUZZ_CHECK(strJoined.getLength() == strText.getLength());
    FUZZ_CHECK(strJoined.getLength() == 0 || strJoined == CQORWCharString(strText.getBuffer()));
}

void checkSearch(const CQORWCharString& strText, const CQORWCharString& strFind)
{
    ULONG ulCount = strText.countOccurrances(strFind);
    FUZZ_CHECK(ulCount == naiveCount(strText, strFind));
    ULONG ulPos = 0;
    FUZZ_CHECK(strText.contains(strFind) == (ulCount != 0));
    if (ulCount != 0)
    {
        FUZZ_CHECK(strText.find(strFind, ulCount, pmForward, ulPos));
        ULONG ulNumber = 0;
        FUZZ_CHECK(strText.getOccurranceAt(strFind, ulPos, pmBackward, ulNumber));
        FUZZ_CHECK(ulNumber == 1);
    }
}

// One operation chosen by the input on str, with other as the second operand.
void apply(CInput& input, CQORWCharString& str, CQORWCharString& other)
{
    ULONG ulLength = str.getLength();
    ULONG ulCount = str.getNumElems();
    ULONG ulPos = 0;
    bool bGrows = ulCount + other.getNumElems() < kMaxUnits;
    CQORWCharString out;
    switch (input.byte() % 40)
    {
    // The inherited buffer operations.
    case 0:
        (void)str.reAllocBuffer(input.around(ulCount) % kMaxUnits);
        break;
    case 1:
        if (ulCount != 0)
            str[input.around(ulCount) % ulCount] = input.unit();
        break;
    case 2:
    {
        ULONG ulNumElems = input.around(ulCount);
        CQORBuffer<WCHAR>& target = input.byte() & 1 ? str : other;
        (void)str.read(target, input.around(ulCount), ulNumElems);
        break;
    }
    case 3:
        (void)str.write(other, input.around(ulCount), bGrows && (input.byte() & 1));
        break;
    case 4:
        if (bGrows)
            (void)static_cast<CQORBuffer<WCHAR>&>(str).append(other);
        break;
    case 5:
        if (bGrows)
            (void)str.appendAt(input.byte() & 1 ? str : other, input.around(ulCount));
        break;
    case 6:
    {
        CQORBuffer<BYTE> bytes = str.asByteBuffer();
        CQORBuffer<WCHAR> units = bytes.asWideBuffer();
        FUZZ_CHECK(units.getNumElems() == ulCount);
        break;
    }
    case 7:
        (void)str.allocBuffer(input.around(ulCount) % kMaxUnits);
        break;
    case 8:
        (void)str.compact();
        break;
    // Search.
    case 9:
        checkSearch(str, other);
        break;
    case 10:
        (void)str.find(other, input.around(ulLength), static_cast<parseMode>(input.byte() % 3),
                       ulPos);
        (void)str.beginsWith(other);
        (void)str.endsWith(other);
        break;
    case 11:
    {
        ULONG ulNumber = 0;
        (void)str.getOppositeOccurrance(other, input.around(ulLength),
                                        static_cast<parseMode>(input.byte() % 3), ulNumber);
        break;
    }
    // Cutting and ranges.
    case 12:
        str.dropLast(input.around(ulLength));
        break;
    case 13:
        str.dropFirst(input.around(ulLength));
        break;
    case 14:
        (void)str.deleteRange(input.around(ulLength), input.around(ulLength), input.byte() & 1,
                              input.byte() & 1);
        break;
    case 15:
        (void)str.extractRange(input.byte() & 1 ? str : other, input.around(ulLength),
                               input.around(ulLength), input.byte() & 1, input.byte() & 1);
        break;
    case 16:
        (void)str.extractBetween(out, other, input.around(ulLength), other, input.around(ulLength),
                                 input.byte() & 1, input.byte() & 1);
        break;
    case 17:
        (void)str.truncateAt(other, input.around(ulLength),
                             static_cast<parseMode>(input.byte() % 3), input.byte() & 1);
        break;
    case 18:
        (void)str.extractUpTo(out, other, input.around(ulLength),
                              static_cast<parseMode>(input.byte() % 3), input.byte() & 1);
        break;
    // Editing.
    case 19:
        if (bGrows)
            (void)str.insert(input.byte() & 1 ? str : other, input.around(ulLength));
        break;
    case 20:
        (void)str.deleteSubString(other, input.around(ulLength),
                                  static_cast<subStringMode>(input.byte() % 6));
        break;
    case 21:
        if (bGrows)
            (void)str.replace(other, input.byte() & 1 ? str : out, input.around(ulLength),
                              static_cast<subStringMode>(input.byte() % 6));
        break;
    case 22:
        (void)str.reverse();
        (void)str.toLower();
        break;
    case 23:
        if (bGrows)
            str += input.byte() & 1 ? str : other;
        break;
    case 24:
        if (bGrows)
            str = str + other;
        break;
    case 25:
        (void)(str == other);
        (void)(str < other);
        (void)(str >= other);
        break;
    // Numbers.
    case 26:
    {
        ULONG ulValue = 0;
        // Any value the enumeration can hold, not only the four systems.
        (void)str.asNumber(ulValue, static_cast<asNumberSystem>(input.byte() % 16));
        (void)str.isNumber(input.byte() & 1, input.byte() & 1);
        break;
    }
    case 27:
        (void)str.removeNumberSystemMarker();
        break;
    case 28:
        if (ulCount < kMaxUnits / 3)
            str = str.getAsciiCodeString();
        break;
    case 29:
        str = CQORWCharString(str.getBufferFromAsciiCodeString().asWideBuffer());
        break;
    // Whitespace and tokens.
    case 30:
        (void)str.trim(input.unit(), input.byte() & 3, input.byte());
        break;
    case 31:
        (void)str.removeWhitespace(input.byte() & 7, input.byte());
        break;
    case 32:
        (void)str.findNonWhitespace(input.byte(), static_cast<parseMode>(input.byte() % 3), ulPos);
        break;
    case 33:
        (void)str.getToken(input.byte() & 1 ? str : out, other, input.around(ulLength),
                           static_cast<tokenMode>(input.byte() % 3), input.byte() & 3,
                           input.byte());
        break;
    case 34:
    {
        CQORStringList list;
        (void)str.tokenize(list, other, static_cast<tokenMode>(input.byte() % 3), input.byte() & 3,
                           input.byte());
        break;
    }
    case 35:
        checkTokens(str, other);
        break;
    // Text handed to Win32.
    case 36:
    {
        CQOREnvironmentVariable variable(str);
        (void)variable.getValue(out);
        break;
    }
    case 37:
        str = other;
        break;
    case 38:
        str = CQORWCharString(input.unit());
        break;
    default:
        str = static_cast<const CQORBuffer<WCHAR>&>(other);
        break;
    }
    checkShape(str);
    checkShape(other);
    checkShape(out);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    // The first byte says how many bytes of operations follow; the rest is the text, cut
    // into three strings.
    if (nSize < 2)
        return 0;
    size_t nOps = pData[0];
    if (nOps > nSize - 1)
        nOps = nSize - 1;
    CInput input(pData + 1, nOps);
    const uint8_t* pText = pData + 1 + nOps;
    size_t nText = nSize - 1 - nOps;
    size_t nThird = nText / 3 & ~static_cast<size_t>(1);
    CQORWCharString aStrings[3] = {fuzzText(pText, nThird), fuzzText(pText + nThird, nThird),
                                   fuzzText(pText + 2 * nThird, nText - 2 * nThird)};
    while (!input.empty())
    {
        uint8_t bPick = input.byte();
        apply(input, aStrings[bPick % 3], aStrings[bPick / 3 % 3]);
    }
    return 0;
}
