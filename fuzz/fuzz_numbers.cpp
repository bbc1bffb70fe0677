// Number text in every system: no input may crash, and every value read is written back
// and read again unchanged.
#include "fuzz_text.h"

namespace
{

void checkRoundTrip(ULONG ulValue, asNumberSystem system)
{
    CQORWCharString strPlain(ulValue, system, 0, false);
    ULONG ulAgain = ~ulValue;
    FUZZ_CHECK(strPlain.asNumber(ulAgain, system));
    FUZZ_CHECK(ulAgain == ulValue);
    if (system == nsDec)
        return;
    CQORWCharString strPrefixed(ulValue, system, 0, true);
    ulAgain = ~ulValue;
    FUZZ_CHECK(strPrefixed.asNumber(ulAgain, system));
    FUZZ_CHECK(ulAgain == ulValue);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    CQORWCharString strText = fuzzText(pData, nSize);
    const asNumberSystem aSystems[] = {nsHex, nsBin, nsOct, nsDec};
    for (asNumberSystem system : aSystems)
    {
        ULONG ulValue = 0;
        if (strText.asNumber(ulValue, system))
            checkRoundTrip(ulValue, system);
    }
    ULONG ulValue = 0;
    if (strText.hexToULong(ulValue))
        checkRoundTrip(ulValue, nsHex);
    if (strText.binToULong(ulValue))
        checkRoundTrip(ulValue, nsBin);
    if (strText.octToULong(ulValue))
        checkRoundTrip(ulValue, nsOct);
    strText.isNumber(true, true);
    CQORWCharString strCopy(strText);
    strCopy.removeNumberSystemMarker();
    return 0;
}
