// CQORWCharString: zero-terminated UTF-16 text in a CQORBuffer<WCHAR>. A string may have no
// storage at all (length 0, getBuffer() null), which callers treat as empty text.
// Comparison is exact, unit by unit; there is no locale and no case folding.
#pragma once

#include "qor_buffer.h"

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

private:
    bool sameUnits(const CQORWCharString& other, bool bAtMost, bool bAtLeast) const;
    bool findOccurrence(const CQORWCharString& str, ULONG ulOccurrance, parseMode mode,
                        ULONG& ulPos) const;
    bool matchesAt(const CQORWCharString& str, ULONG ulPos) const;
    CQORWCharString part(ULONG ulStart, ULONG ulEnd) const;
    bool deleteRangeChecked(ULONG ulStartPos, ULONG ulEndPos, bool bIncludeStartPos,
                            bool bIncludeEndPos);
    bool insertChecked(const CQORWCharString& string, ULONG ulPos);
    bool deleteSubStringChecked(const CQORWCharString& str, ULONG ulOccurrance, subStringMode mode);
    bool replaceChecked(const CQORWCharString& oldString, const CQORWCharString& newString,
                        ULONG ulOccurrance, subStringMode mode);
};
