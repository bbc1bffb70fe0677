// Putting test data into the registry through the Win32 calls themselves, so that the same
// tests run against the host's registry and Wine's.
#pragma once

#include <windows.h>

// Creates the key when it is missing and stores the value; ERROR_SUCCESS or the failing
// call's status.
LONG qorTestStoreValue(HKEY hRoot, LPCWSTR szKeyPath, LPCWSTR szName, DWORD dwType,
                       const void* pData, DWORD dwBytes);
LONG qorTestStoreText(HKEY hRoot, LPCWSTR szKeyPath, LPCWSTR szName, LPCWSTR szText);
LONG qorTestStoreNumber(HKEY hRoot, LPCWSTR szKeyPath, LPCWSTR szName, DWORD dwValue);
