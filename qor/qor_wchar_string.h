// CQORWCharString: zero-terminated UTF-16 text in a CQORBuffer<WCHAR>. A string may have no
// storage at all (length 0, getBuffer() null), which callers treat as empty text.
// Comparison is exact, unit by unit; there is no locale and no case folding.
#pragma once

#include <vector>

#include "qor_buffer.h"
#include "qor_flags.h"

template <class X> class CQORObjNode;
template <class TNode, class X> class CQORDblList;

class CQORWCharString : public CQORBuffer<WCHAR>
{
public:
    CQORWCharString();
    CQORWCharString(LPCWSTR szString);
    CQORWCharString(const CQORWCharString& other);
    explicit CQORWCharString(const CQORBuffer<WCHAR>& buffer);
    explicit CQORWCharString(WCHAR ch);
    // The decimal text of the value: "-120", "0", "-2147483648".
    explicit CQORWCharString(LONG lValue);
    // The digits of ulValue in system, cut or zero-padded to usWidth digits when it is not 0,
    // after the prefix ("0x", "0b", "0o") when bPrefix. nsDec ignores both and shows the
    // value as signed. Throws CQORBufferInitException for any other system.
    CQORWCharString(ULONG ulValue, asNumberSystem system, USHORT usWidth, bool bPrefix);

    CQORWCharString& operator=(const CQORWCharString& other);
    CQORWCharString& operator=(LPCWSTR szString);
    CQORWCharString& operator=(const CQORBuffer<WCHAR>& buffer);
    CQORWCharString& operator=(WCHAR ch);

    // Units before the first zero.
    ULONG getLength() const;
    // Trims the storage to length + 1; releases it when the text is empty.
    bool compact();

    bool operator==(const CQORWCharString& other) const;
    bool operator!=(const CQORWCharString& other) const;
    // Ordering holds only between strings of the same length: for different lengths <= and >=
    // are false, < and > true.
    bool operator<=(const CQORWCharString& other) const;
    bool operator>=(const CQORWCharString& other) const;
    bool operator<(const CQORWCharString& other) const;
    bool operator>(const CQORWCharString& other) const;

    CQORWCharString& operator+=(const CQORWCharString& other);
    CQORWCharString operator+(const CQORWCharString& other) const;

    // The ulOccurrance-th occurrence (from 1) of str, counted from the start or the end;
    // ulPos is where it begins. Occurrences may overlap.
    bool find(const CQORWCharString& str, ULONG ulOccurrance, parseMode mode, ULONG& ulPos) const;
    bool contains(const CQORWCharString& str) const;
    bool beginsWith(const CQORWCharString& str) const;
    bool endsWith(const CQORWCharString& str) const;

    // Occurrences, counted from 1 and overlapping as find counts them.
    ULONG countOccurrances(const CQORWCharString& str) const;
    // The number of the occurrence that starts at ulPos, counted in mode's direction.
    bool getOccurranceAt(const CQORWCharString& str, ULONG ulPos, parseMode mode,
                         ULONG& ulOccurrance) const;
    // The number of the same occurrence counted from the other end.
    bool getOppositeOccurrance(const CQORWCharString& subString, ULONG ulOccurrance, parseMode mode,
                               ULONG& ulResult) const;

    CQORWCharString getWithoutLast(ULONG ulCount) const;
    CQORWCharString getWithoutFirst(ULONG ulCount) const;
    CQORWCharString& dropLast(ULONG ulCount);
    CQORWCharString& dropFirst(ULONG ulCount);

    // Deletes what lies strictly between the positions (and each end when asked); with
    // ulEndPos before ulStartPos the range wraps, keeping the text from end to start.
    bool deleteRange(ULONG ulStartPos, ULONG ulEndPos, bool bIncludeStartPos, bool bIncludeEndPos);
    bool extractRange(CQORWCharString& out, ULONG ulStartPos, ULONG ulEndPos, bool bIncludeStartPos,
                      bool bIncludeEndPos) const;
    // The text between the ulFromOccurrance-th strFrom from the start and the
    // ulToOccurrance-th strTo from the end.
    bool extractBetween(CQORWCharString& out, const CQORWCharString& strFrom,
                        ULONG ulFromOccurrance, const CQORWCharString& strTo, ULONG ulToOccurrance,
                        bool bIncludeFrom, bool bIncludeTo) const;
    // pmForward keeps the text from the occurrence on, pmBackward up to its end.
    bool truncateAt(const CQORWCharString& str, ULONG ulOccurrance, parseMode mode,
                    bool bExcludeString);
    // pmForward: the text before the occurrence; pmBackward: the text after it.
    bool extractUpTo(CQORWCharString& out, const CQORWCharString& str, ULONG ulOccurrance,
                     parseMode mode, bool bIncludeString) const;

    bool insert(const CQORWCharString& string, ULONG ulPos);
    bool deleteSubString(const CQORWCharString& str, ULONG ulOccurrance, subStringMode mode);
    // Replaces the selected occurrences left to right in the text as it was; the inserted
    // text is never searched again.
    bool replace(const CQORWCharString& oldString, const CQORWCharString& newString,
                 ULONG ulOccurrance, subStringMode mode);

    bool reverse();
    // ASCII letters only.
    bool toLower();

    // ---- Number systems ----
    // A string with storage but no text passes the three digit tests.
    bool hasOnlyBinaryDigits() const;
    bool hasOnlyOctalDigits() const;
    bool hasOnlyHexDigits() const;
    bool isNumber(bool bAllowNegative, bool bAllowDecimal) const;
    // Marker forms: "0b101" or "101b", "0o17" or "17o", "0x1f" or "1fh", in either case.
    bool isBinaryNumber() const;
    bool isOctalNumber() const;
    bool isHexNumber() const;
    bool removeNumberSystemMarker();
    // Plain digits or the system's marker form; false (ulValue untouched) for anything else
    // or a value that does not fit in 32 bits.
    bool hexToULong(ULONG& ulValue) const;
    bool binToULong(ULONG& ulValue) const;
    bool octToULong(ULONG& ulValue) const;
    // Ignores whitespace at both ends. nsDec reads a signed value and clamps it to the 32-bit
    // range.
    bool asNumber(ULONG& ulValue, asNumberSystem system) const;
    static bool formatHex(CQORWCharString& out, ULONG ulValue, USHORT usWidth, bool bPrefix);
    static bool formatBinary(CQORWCharString& out, ULONG ulValue, USHORT usWidth, bool bPrefix);
    static bool formatOctal(CQORWCharString& out, ULONG ulValue, USHORT usWidth, bool bPrefix);
    static bool formatDecimal(CQORWCharString& out, LONG lValue);

    // The bytes of the whole storage as upper-case hexadecimal pairs separated by spaces.
    CQORWCharString getAsciiCodeString() const;
    // The bytes of an ASCII code string; reading stops at the first pair that is not two
    // hexadecimal digits, and bComplete tells whether the whole text was read.
    CQORBuffer<BYTE> getBufferFromAsciiCodeString() const;
    CQORBuffer<BYTE> getBufferFromAsciiCodeString(bool& bComplete) const;

    // ---- Whitespace and tokens ----
    // whitespaceFlags selects from space, tab, form feed, bell, line feed, backspace,
    // carriage return and vertical tab (bits 0x01 to 0x80); trimFlags 0x1 is the start of
    // the text, 0x2 its end.
    bool findNonWhitespace(const CQORFlags& whitespaceFlags, parseMode mode, ULONG& ulPos) const;
    // Strips ch and whitespace from the selected ends; the end is cut by zeroing, so the
    // storage keeps its size.
    bool trim(WCHAR ch, const CQORFlags& trimFlags, const CQORFlags& whitespaceFlags);
    // Deletes whitespace from the selected ends, and from the inside when both are selected.
    bool removeWhitespace(const CQORFlags& trimFlags, const CQORFlags& whitespaceFlags);
    // The ulOccurrance-th token (from 1), with removeWhitespace applied to it. An empty piece
    // is a token without storage.
    bool getToken(CQORWCharString& token, const CQORWCharString& delimiter, ULONG ulOccurrance,
                  tokenMode mode, const CQORFlags& trimFlags,
                  const CQORFlags& whitespaceFlags) const;
    // Every token in order, keys 0, 1, 2, ...; true when there is at least one.
    bool tokenize(CQORDblList<CQORObjNode<CQORWCharString>, CQORWCharString>& list,
                  const CQORWCharString& delimiter, tokenMode mode, const CQORFlags& trimFlags,
                  const CQORFlags& whitespaceFlags) const;

private:
    bool sameUnits(const CQORWCharString& other, bool bAtMost, bool bAtLeast) const;
    bool findOccurrence(const CQORWCharString& str, ULONG ulOccurrance, parseMode mode,
                        ULONG& ulPos) const;
    // Where str starts in the text, in order; without bOverlap each occurrence begins after
    // the one before it ends.
    std::vector<ULONG> occurrences(const CQORWCharString& str, bool bOverlap) const;
    // The text from ulStart up to ulEnd (not included), both within the length.
    CQORWCharString part(ULONG ulStart, ULONG ulEnd) const;
    void copyPart(CQORWCharString& out, ULONG ulStart, ULONG ulEnd) const;
    bool deleteRangeChecked(ULONG ulStartPos, ULONG ulEndPos, bool bIncludeStartPos,
                            bool bIncludeEndPos);
    bool insertChecked(const CQORWCharString& string, ULONG ulPos);
    bool deleteSubStringChecked(const CQORWCharString& str, ULONG ulOccurrance, subStringMode mode);
    bool replaceChecked(const CQORWCharString& oldString, const CQORWCharString& newString,
                        ULONG ulOccurrance, subStringMode mode);
    bool hasOnlyUnitsIn(WCHAR chFirst, WCHAR chLast, bool bHexLetters) const;
    bool isMarkedNumber(WCHAR chMarker, bool bOctal) const;
    bool dropMarker(asNumberSystem system);
    bool digitsToULong(asNumberSystem system, ULONG& ulValue) const;
    // The piece ulOccurrance of this text cut at the delimiters that start at vecDelimiters.
    bool getTokenChecked(CQORWCharString& token, const std::vector<ULONG>& vecDelimiters,
                         ULONG ulDelimiter, ULONG ulOccurrance, tokenMode mode) const;
};
