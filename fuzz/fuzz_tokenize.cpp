// tokenize with any delimiter, mode and flags: no crash, keys run 0, 1, 2, ..., and
// separated tokens of a one-unit delimiter join back into the text.
#include "fuzz_text.h"
#include "qor_string_list.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    if (nSize < 4)
        return 0;
    tokenMode mode = static_cast<tokenMode>(pData[0] % 4);
    ULONG ulTrim = pData[1] & 3;
    ULONG ulWhitespace = pData[2];
    size_t nDelimiter = 2 * (1 + pData[3] % 3);
    pData += 4;
    nSize -= 4;
    if (nSize < nDelimiter)
        return 0;
    CQORWCharString strDelimiter = fuzzText(pData, nDelimiter);
    CQORWCharString strText = fuzzText(pData + nDelimiter, nSize - nDelimiter);

    CQORStringList list;
    bool bTokens = strText.tokenize(list, strDelimiter, mode, ulTrim, ulWhitespace);
    FUZZ_CHECK(bTokens == (list.m_ulCount != 0));
    LONG lKey = 0;
    CQORWCharString strJoined;
    for (CQORStringNode* pNode = list.m_pHead; pNode != nullptr;
         pNode = static_cast<CQORStringNode*>(pNode->m_pNext), ++lKey)
    {
        FUZZ_CHECK(pNode->m_lKey == lKey);
        if (lKey != 0)
            strJoined += strDelimiter;
        strJoined += pNode->m_object;
    }
    if (bTokens && mode == tmSeparated && ulTrim == 0 && strDelimiter.getLength() == 1)
        FUZZ_CHECK(strJoined == strText);
    return 0;
}
