// CQORWCharString number systems: digit and marker tests, text to number, number to text,
// ASCII code strings.
#include <gtest/gtest.h>

#include "qor_wchar_string.h"
#include "recording_engine.h"
#include "test_text.h"

namespace
{

typedef CQORWCharString S;

// The value a conversion reads, or 0xDEADBEEF when it fails (the value is then untouched).
template <class TConvert> ULONG readAs(LPCWSTR szText, TConvert convert)
{
    ULONG ulValue = 0xDEADBEEF;
    bool bRead = convert(S(szText), ulValue);
    EXPECT_EQ(bRead, ulValue != 0xDEADBEEF) << utf8(szText);
    return ulValue;
}

ULONG hex(LPCWSTR szText)
{
    return readAs(szText, [](const S& str, ULONG& ulValue) { return str.hexToULong(ulValue); });
}

ULONG bin(LPCWSTR szText)
{
    return readAs(szText, [](const S& str, ULONG& ulValue) { return str.binToULong(ulValue); });
}

ULONG oct(LPCWSTR szText)
{
    return readAs(szText, [](const S& str, ULONG& ulValue) { return str.octToULong(ulValue); });
}

ULONG number(LPCWSTR szText, asNumberSystem system)
{
    return readAs(szText,
                  [system](const S& str, ULONG& ulValue) { return str.asNumber(ulValue, system); });
}

const ULONG FAILED = 0xDEADBEEF;

std::string bytesOf(const CQORBuffer<BYTE>& bytes)
{
    std::string strBytes;
    for (ULONG i = 0; i < bytes.getNumElems(); ++i)
        strBytes += std::to_string(bytes.getBuffer()[i]) + " ";
    return strBytes;
}

} // namespace

TEST(WideStringNumbers, DigitTests)
{
    EXPECT_TRUE(S(TEXT("0110")).hasOnlyBinaryDigits());
    EXPECT_FALSE(S(TEXT("012")).hasOnlyBinaryDigits());
    EXPECT_TRUE(S(TEXT("01234567")).hasOnlyOctalDigits());
    EXPECT_FALSE(S(TEXT("8")).hasOnlyOctalDigits());
    EXPECT_TRUE(S(TEXT("09afAF")).hasOnlyHexDigits());
    EXPECT_FALSE(S(TEXT("0g")).hasOnlyHexDigits());
    EXPECT_FALSE(S().hasOnlyHexDigits());
    // Storage without text passes; no storage does not.
    S strEmpty(TEXT("  "));
    strEmpty.trim(' ', 2, 0);
    EXPECT_TRUE(strEmpty.isValid());
    EXPECT_TRUE(strEmpty.hasOnlyBinaryDigits());

    EXPECT_TRUE(S(TEXT("-12.5")).isNumber(true, true));
    EXPECT_FALSE(S(TEXT("-12.5")).isNumber(false, true));
    EXPECT_FALSE(S(TEXT("-12.5")).isNumber(true, false));
    EXPECT_FALSE(S(TEXT("1.")).isNumber(true, true));
    EXPECT_FALSE(S(TEXT(".5")).isNumber(true, true));
    EXPECT_FALSE(S(TEXT("1.2.3")).isNumber(true, true));
    EXPECT_FALSE(S(TEXT("1-2")).isNumber(true, true));
    EXPECT_FALSE(S().isNumber(true, true));
    EXPECT_TRUE(S(TEXT("-")).isNumber(true, false));
}

TEST(WideStringNumbers, MarkerTests)
{
    EXPECT_TRUE(S(TEXT("0b101")).isBinaryNumber());
    EXPECT_TRUE(S(TEXT("101B")).isBinaryNumber());
    EXPECT_FALSE(S(TEXT("b")).isBinaryNumber());
    EXPECT_FALSE(S(TEXT("101")).isBinaryNumber());
    EXPECT_FALSE(S(TEXT("1b1b")).isBinaryNumber());
    // A prefix is "0b"; a "b" second elsewhere is not a marker.
    EXPECT_FALSE(S(TEXT("1b01")).isBinaryNumber());
    EXPECT_TRUE(S(TEXT("0O17")).isOctalNumber());
    EXPECT_TRUE(S(TEXT("17o")).isOctalNumber());
    EXPECT_FALSE(S(TEXT("18o")).isOctalNumber());

    EXPECT_TRUE(S(TEXT("0x1f")).isHexNumber());
    EXPECT_TRUE(S(TEXT("1FH")).isHexNumber());
    EXPECT_FALSE(S(TEXT("1f")).isHexNumber());
    EXPECT_FALSE(S(TEXT("0x1fh")).isHexNumber());
    EXPECT_FALSE(S(TEXT("1x2")).isHexNumber());
    EXPECT_FALSE(S(TEXT("10x")).isHexNumber());
    EXPECT_FALSE(S(TEXT("h")).isHexNumber());

    S strMarked(TEXT("0B101"));
    EXPECT_TRUE(strMarked.removeNumberSystemMarker());
    EXPECT_TEXT(TEXT("101"), strMarked.getBuffer());
    strMarked = TEXT("1fh");
    EXPECT_TRUE(strMarked.removeNumberSystemMarker());
    EXPECT_TEXT(TEXT("1f"), strMarked.getBuffer());
    strMarked = TEXT("1b");
    EXPECT_TRUE(strMarked.removeNumberSystemMarker());
    EXPECT_TEXT(TEXT("1"), strMarked.getBuffer());
    strMarked = TEXT("1f");
    EXPECT_FALSE(strMarked.removeNumberSystemMarker());
    EXPECT_TEXT(TEXT("1f"), strMarked.getBuffer());
}

TEST(WideStringNumbers, HexadecimalText)
{
    EXPECT_EQ(0xFFFFFFFFu, hex(TEXT("FFFFFFFF")));
    EXPECT_EQ(0xFFFFFFFFu, hex(TEXT("0xffffffff")));
    EXPECT_EQ(0xFFFFFFFFu, hex(TEXT("ffffffffh")));
    EXPECT_EQ(31u, hex(TEXT("1f")));
    EXPECT_EQ(0u, hex(TEXT("0x")));
    EXPECT_EQ(FAILED, hex(TEXT("1g")));
    EXPECT_EQ(FAILED, hex(TEXT("")));
    // Hexadecimal digits that would pass for a binary number with its marker stay hex.
    EXPECT_EQ(0x1Bu, hex(TEXT("1B")));
    EXPECT_EQ(0x0Bu, hex(TEXT("0B")));
    EXPECT_EQ(0x101Bu, hex(TEXT("101B")));
    EXPECT_EQ(0xB101u, hex(TEXT("0b101")));
}

TEST(WideStringNumbers, BinaryAndOctalText)
{
    EXPECT_EQ(5u, bin(TEXT("0b101")));
    EXPECT_EQ(5u, bin(TEXT("101b")));
    EXPECT_EQ(5u, bin(TEXT("101")));
    EXPECT_EQ(1u, bin(TEXT("1b")));
    EXPECT_EQ(0xFFFFFFFFu, bin(TEXT("11111111111111111111111111111111")));
    EXPECT_EQ(FAILED, bin(TEXT("102")));
    EXPECT_EQ(15u, oct(TEXT("0o17")));
    EXPECT_EQ(15u, oct(TEXT("17o")));
    EXPECT_EQ(15u, oct(TEXT("000000000017")));
    EXPECT_EQ(0xFFFFFFFFu, oct(TEXT("37777777777")));
    EXPECT_EQ(FAILED, oct(TEXT("8")));
}

TEST(WideStringNumbers, TooManyDigitsAreRefusedWithTheirMessage)
{
    CRecordingEngineScope scope;
    EXPECT_EQ(FAILED, hex(TEXT("1FFFFFFFF")));
    EXPECT_EQ(FAILED, bin(TEXT("100000000000000000000000000000000")));
    EXPECT_EQ(FAILED, oct(TEXT("0o1234567012345")));
    // Eleven or twelve octal digits may still be more than 32 bits hold.
    EXPECT_EQ(FAILED, oct(TEXT("40000000000")));
    EXPECT_EQ(FAILED, oct(TEXT("777777777777")));
    std::vector<SWrittenRecord> vecRecords = scope.engine.records;
    ASSERT_EQ(10u, vecRecords.size());
    EXPECT_EQ("A bad argument was provided ( this string ). too many hex digits in string - will "
              "overflow unsigned long value",
              vecRecords[0].strMessage);
    EXPECT_EQ("", vecRecords[0].strSourceFile);
    EXPECT_EQ(0u, vecRecords[0].ulLine);
    EXPECT_EQ("An unhandled exception occurred", vecRecords[1].strMessage);
    EXPECT_EQ("qor_wchar_string.cpp", vecRecords[1].strSourceFile);
    EXPECT_EQ("A bad argument was provided ( this ). too many binary digits in string - will "
              "overflow unsigned long value",
              vecRecords[2].strMessage);
    for (size_t i = 4; i < 10; i += 2)
        EXPECT_EQ("A bad argument was provided ( this string ). too many octal digits in string - "
                  "will overflow unsigned long value",
                  vecRecords[i].strMessage);
}

TEST(WideStringNumbers, AsNumberTrimsAndReadsEachSystem)
{
    CRecordingEngineScope scope;
    EXPECT_EQ(static_cast<ULONG>(-42), number(TEXT("  -42 "), nsDec));
    EXPECT_EQ(FAILED, number(TEXT("4x"), nsDec));
    EXPECT_EQ(FAILED, number(TEXT("-"), nsDec));
    EXPECT_EQ(FAILED, number(TEXT("   "), nsDec));
    EXPECT_EQ(0x7FFFFFFFu, number(TEXT("2147483647"), nsDec));
    EXPECT_EQ(0x80000000u, number(TEXT("-2147483648"), nsDec));
    // Out of range clamps to the nearest end, however long the text.
    EXPECT_EQ(0x7FFFFFFFu, number(TEXT("2147483648"), nsDec));
    EXPECT_EQ(0x7FFFFFFFu, number(TEXT("99999999999999999999999"), nsDec));
    EXPECT_EQ(0x80000000u, number(TEXT("-2147483649"), nsDec));
    EXPECT_EQ(0x80000000u, number(TEXT("-000000000000099999999999"), nsDec));
    EXPECT_EQ(7u, number(TEXT("007"), nsDec));
    EXPECT_EQ(0x1Fu, number(TEXT("\t0x1f\r\n"), nsHex));
    EXPECT_EQ(5u, number(TEXT(" 101b "), nsBin));
    EXPECT_EQ(8u, number(TEXT(" 10 "), nsOct));
    EXPECT_EQ(FAILED, number(TEXT("   "), nsHex));
    EXPECT_EQ(FAILED, number(TEXT("1"), static_cast<asNumberSystem>(3)));
    EXPECT_TRUE(scope.engine.records.empty());
}

TEST(WideStringNumbers, NumbersToText)
{
    EXPECT_TEXT(TEXT("0x00FF"), S(255, nsHex, 4, true).getBuffer());
    EXPECT_TEXT(TEXT("101"), S(5, nsBin, 0, false).getBuffer());
    EXPECT_TEXT(TEXT("10"), S(8, nsOct, 0, false).getBuffer());
    EXPECT_TEXT(TEXT("0o10"), S(8, nsOct, 0, true).getBuffer());
    EXPECT_TEXT(TEXT("34"), S(0x1234, nsHex, 2, false).getBuffer());
    EXPECT_TEXT(TEXT("0"), S(0, nsHex, 0, false).getBuffer());
    EXPECT_TEXT(TEXT("FFFFFFFF"), S(0xFFFFFFFF, nsHex, 0, false).getBuffer());
    EXPECT_TEXT(TEXT("37777777777"), S(0xFFFFFFFF, nsOct, 0, false).getBuffer());
    EXPECT_TEXT(TEXT("0b00001010"), S(10, nsBin, 8, true).getBuffer());
    EXPECT_TEXT(TEXT("10"), S(10, nsDec, 8, true).getBuffer());
    EXPECT_TEXT(TEXT("-1"), S(0xFFFFFFFF, nsDec, 0, false).getBuffer());
    EXPECT_TEXT(TEXT("-2147483648"), S(0x80000000, nsDec, 0, false).getBuffer());
    EXPECT_EQ(40u, S(1, nsBin, 40, false).getLength());

    // Every value reads back as it was written.
    const ULONG aValues[] = {0, 1, 0x7F, 0x80000000, 0xFFFFFFFF, 0x12345678};
    for (ULONG ulValue : aValues)
    {
        EXPECT_EQ(ulValue, hex(S(ulValue, nsHex, 0, true).getBuffer()));
        EXPECT_EQ(ulValue, bin(S(ulValue, nsBin, 0, true).getBuffer()));
        EXPECT_EQ(ulValue, oct(S(ulValue, nsOct, 0, true).getBuffer()));
        EXPECT_EQ(ulValue, number(S(ulValue, nsDec, 0, false).getBuffer(), nsDec));
    }
}

TEST(WideStringNumbers, UnknownSystemFailsConstruction)
{
    CRecordingEngineScope scope;
    EXPECT_THROW(S(10, static_cast<asNumberSystem>(3), 0, false), CQORBufferInitException);
    ASSERT_LE(1u, scope.engine.records.size());
    EXPECT_EQ("A bad argument was provided ( asNumberSystem ). mode isn't supported, must be "
              "hex,bin,or oct",
              scope.engine.records[0].strMessage);
}

TEST(WideStringNumbers, AsciiCodeStringsBothWays)
{
    EXPECT_TEXT(TEXT("41 00 00 00"), S(TEXT("A")).getAsciiCodeString().getBuffer());
    EXPECT_TEXT(TEXT("41 00 42 00 00 00"), S(TEXT("AB")).getAsciiCodeString().getBuffer());
    EXPECT_FALSE(S().getAsciiCodeString().isValid());
    EXPECT_EQ("65 0 0 0 ", bytesOf(S(TEXT("41 00 00 00")).getBufferFromAsciiCodeString()));
    EXPECT_EQ("65 66 67 ", bytesOf(S(TEXT("41 42 43")).getBufferFromAsciiCodeString()));
    EXPECT_EQ("171 205 ", bytesOf(S(TEXT("ab-Cd")).getBufferFromAsciiCodeString()));
    // Bytes whose pair ends in "B" are bytes, not binary numbers.
    EXPECT_EQ("11 27 176 ", bytesOf(S(TEXT("0B 1B B0")).getBufferFromAsciiCodeString()));
    EXPECT_EQ(0u, S().getBufferFromAsciiCodeString().getNumElems());

    // Every unit value survives the way there and back.
    CQORBuffer<WCHAR> units(4);
    units[0] = 0xFFFF;
    units[1] = 0x0B1B;
    units[2] = 0x8000;
    S strUnits(TEXT("...."));
    strUnits.write(units, 0, false);
    CQORBuffer<BYTE> bytes = strUnits.getAsciiCodeString().getBufferFromAsciiCodeString();
    EXPECT_EQ(bytesOf(strUnits.asByteBuffer()), bytesOf(bytes));
}

TEST(WideStringNumbers, AsciiCodeStringStopsAtAPairThatIsNotHex)
{
    bool bComplete = false;
    EXPECT_EQ("65 66 ", bytesOf(S(TEXT("41 42 ")).getBufferFromAsciiCodeString(bComplete)));
    EXPECT_TRUE(bComplete);
    EXPECT_EQ("65 ", bytesOf(S(TEXT("41 4G 43")).getBufferFromAsciiCodeString(bComplete)));
    EXPECT_FALSE(bComplete);
    EXPECT_EQ("65 ", bytesOf(S(TEXT("41 0x 43")).getBufferFromAsciiCodeString(bComplete)));
    EXPECT_FALSE(bComplete);
    EXPECT_EQ("", bytesOf(S(TEXT(" 41")).getBufferFromAsciiCodeString(bComplete)));
    EXPECT_FALSE(bComplete);
    // A half pair at the end is not a byte.
    EXPECT_EQ("65 ", bytesOf(S(TEXT("41 4")).getBufferFromAsciiCodeString(bComplete)));
    EXPECT_FALSE(bComplete);
    EXPECT_EQ("65 ", bytesOf(S(TEXT("41 4G")).getBufferFromAsciiCodeString()));
}

TEST(WideStringNumbers, AsciiCodeOperationsAreTraced)
{
    CRecordingEngineScope scope;
    scope.engine.bDynamicLoggingOn = true;
    S(TEXT("A")).getAsciiCodeString();
    S(TEXT("4G")).getBufferFromAsciiCodeString();
    std::vector<SWrittenRecord> vecExits = scope.engine.ofType(QOR_LOG_EXIT);
    ASSERT_EQ(2u, vecExits.size());
    EXPECT_EQ("getAsciiCodeString", vecExits[0].strFunction);
    EXPECT_EQ("CQORWCharString", vecExits[0].strObject);
    EXPECT_EQ(1u, vecExits[0].ulCodeKind);
    EXPECT_EQ(1, vecExits[0].lCode);
    EXPECT_EQ("getBufferFromAsciiCodeString", vecExits[1].strFunction);
    EXPECT_EQ(0, vecExits[1].lCode);
}
