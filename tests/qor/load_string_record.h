// The one record a failed string load writes, for the tests that make a load fail.
#pragma once

#include <string>

#include <gtest/gtest.h>

#include "recording_engine.h"

inline void expectOneLoadStringRecord(const CRecordingEngine& engine, UINT uId, LONG lCode)
{
    std::vector<SWrittenRecord> vecBad = engine.ofType(2);
    ASSERT_EQ(1u, vecBad.size());
    EXPECT_EQ("Unable to load string ( ID: " + std::to_string(uId) +
                  " ) from resource DLL ( Unknown resource DLL )",
              vecBad[0].strMessage);
    EXPECT_EQ(lCode, vecBad[0].lCode);
    EXPECT_EQ("qor_windows_resource.cpp", vecBad[0].strSourceFile);
}
