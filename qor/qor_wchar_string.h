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

private:
    bool sameUnits(const CQORWCharString& other, bool bAtMost, bool bAtLeast) const;
    bool findOccurrence(const CQORWCharString& str, ULONG ulOccurrance, parseMode mode,
                        ULONG& ulPos) const;
};
