// Wide text in test assertions: compared and printed as UTF-8 on both builds.
#pragma once

#include <string>

#include <windows.h>

std::string utf8(LPCWSTR szText);

// Null and empty compare equal: a string without storage is empty text.
#define EXPECT_TEXT(expected, actual) EXPECT_EQ(utf8(expected), utf8(actual))
#define ASSERT_TEXT(expected, actual) ASSERT_EQ(utf8(expected), utf8(actual))
