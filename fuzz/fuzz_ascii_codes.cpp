// ASCII code strings both ways: any text may be read without a crash, and the code string
// of any storage reads back to the same bytes.
#include <cstring>

#include "fuzz_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    CQORWCharString strText = fuzzText(pData, nSize);
    bool bComplete = false;
    CQORBuffer<BYTE> read = strText.getBufferFromAsciiCodeString(bComplete);
    // At most one byte per three units, the last pair needing only two.
    FUZZ_CHECK(read.getNumElems() <= (strText.getLength() + 1) / 3);

    CQORBuffer<BYTE> bytes = strText.asByteBuffer();
    CQORWCharString strCodes = strText.getAsciiCodeString();
    CQORBuffer<BYTE> back = strCodes.getBufferFromAsciiCodeString(bComplete);
    FUZZ_CHECK(bComplete);
    FUZZ_CHECK(back.getNumElems() == bytes.getNumElems());
    FUZZ_CHECK(bytes.getNumElems() == 0 ||
               std::memcmp(back.getBuffer(), bytes.getBuffer(), bytes.getNumElems()) == 0);
    return 0;
}
