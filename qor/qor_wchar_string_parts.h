// What the parts of CQORWCharString (search, editing, tokens, numbers) share: the pattern
// matcher and the whitespace set. Private to the string's own sources.
#pragma once

#include <vector>

#include "qor_wchar_string.h"

// Records of the class name its file, whichever of its parts raised them: log readers know
// the class by that name.
#undef QOR_HERE
#define QOR_HERE qorFileName(TEXT("qor_wchar_string.cpp")), __LINE__

namespace qor_string_parts
{

class CUnitMatcher
{
public:
    CUnitMatcher(const WCHAR* pFind, ULONG ulFind)
        : m_pFind(pFind), m_ulFind(ulFind), m_pFail(m_aShortFail)
    {
        // Most patterns are a few units long: their table needs no allocation.
        if (ulFind > kShortPattern)
        {
            m_vecLongFail.resize(ulFind);
            m_pFail = m_vecLongFail.data();
        }
        ULONG ulMatched = 0;
        m_pFail[0] = 0;
        for (ULONG i = 1; i < ulFind; ++i)
        {
            while (ulMatched > 0 && pFind[i] != pFind[ulMatched])
                ulMatched = m_pFail[ulMatched - 1];
            if (pFind[i] == pFind[ulMatched])
                ++ulMatched;
            m_pFail[i] = ulMatched;
        }
    }
    CUnitMatcher(const CUnitMatcher&) = delete;
    CUnitMatcher& operator=(const CUnitMatcher&) = delete;

    // The state after one more text unit; m_ulFind means an occurrence ends here.
    ULONG step(ULONG ulState, WCHAR ch) const
    {
        if (ulState == m_ulFind)
            ulState = m_pFail[ulState - 1];
        while (ulState > 0 && m_pFind[ulState] != ch)
            ulState = m_pFail[ulState - 1];
        return m_pFind[ulState] == ch ? ulState + 1 : 0;
    }

    bool isComplete(ULONG ulState) const { return ulState == m_ulFind; }

    // Calls fnVisit with where each occurrence in the text starts, in order, until it answers
    // false; with bOverlap false an occurrence that overlaps the one before it is left out.
    template <typename Visit>
    void visitStarts(const WCHAR* pText, ULONG ulLength, bool bOverlap, Visit fnVisit) const
    {
        ULONG ulState = 0;
        ULONG ulFree = 0; // the first unit not covered by a kept occurrence
        for (ULONG i = 0; i < ulLength; ++i)
        {
            ulState = step(ulState, pText[i]);
            ULONG ulStart = i + 1 - m_ulFind;
            if (isComplete(ulState) && (bOverlap || ulStart >= ulFree))
            {
                ulFree = i + 1;
                if (!fnVisit(ulStart))
                    return;
            }
        }
    }

    // The start of the ulNth occurrence (from 1), overlapping ones counted.
    bool nthStart(const WCHAR* pText, ULONG ulLength, ULONG ulNth, ULONG& ulPos) const
    {
        ULONG ulSeen = 0;
        visitStarts(pText, ulLength, /*bOverlap=*/true,
                    [&](ULONG ulStart)
                    {
                        ulPos = ulStart;
                        return ++ulSeen < ulNth;
                    });
        return ulNth > 0 && ulSeen == ulNth;
    }

    ULONG count(const WCHAR* pText, ULONG ulLength) const
    {
        ULONG ulCount = 0;
        visitStarts(pText, ulLength, /*bOverlap=*/true,
                    [&ulCount](ULONG)
                    {
                        ++ulCount;
                        return true;
                    });
        return ulCount;
    }

private:
    static const ULONG kShortPattern = 32;

    const WCHAR* m_pFind;
    ULONG m_ulFind;
    // The longest proper border of each pattern prefix, in one of the two stores below.
    ULONG* m_pFail;
    ULONG m_aShortFail[kShortPattern];
    std::vector<ULONG> m_vecLongFail;
};

// Entry k is whitespace under bit 2^k of a whitespace set.
inline constexpr WCHAR g_aWhitespace[] = {0x0020, 0x0009, 0x000C, 0x0007,
                                          0x000A, 0x0008, 0x000D, 0x000B};

inline bool isWhitespaceUnit(WCHAR ch, const CQORFlags& whitespaceFlags)
{
    for (ULONG k = 0; k < sizeof(g_aWhitespace) / sizeof(g_aWhitespace[0]); ++k)
    {
        if (ch == g_aWhitespace[k])
            return whitespaceFlags.hasFlags(1u << k);
    }
    return false;
}

} // namespace qor_string_parts
