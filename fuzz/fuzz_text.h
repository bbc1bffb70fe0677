// Fuzz input as wide text: each pair of bytes is one UTF-16 unit (low byte first), so the
// fuzzer reaches every unit value, including the whitespace table and zero.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "qor_wchar_string.h"

inline CQORWCharString fuzzText(const uint8_t* pData, size_t nSize)
{
    std::vector<WCHAR> vecUnits;
    for (size_t i = 0; i + 1 < nSize; i += 2)
        vecUnits.push_back(static_cast<WCHAR>(pData[i] | pData[i + 1] << 8));
    vecUnits.push_back(0);
    return CQORWCharString(vecUnits.data());
}

// A broken property is a finding: stop with a crash the fuzzer keeps.
#define FUZZ_CHECK(condition)                                                                      \
    do                                                                                             \
    {                                                                                              \
        if (!(condition))                                                                          \
            abort();                                                                               \
    } while (0)
