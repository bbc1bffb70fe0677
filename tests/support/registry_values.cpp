#include "registry_values.h"

LONG qorTestStoreValue(HKEY hRoot, LPCWSTR szKeyPath, LPCWSTR szName, DWORD dwType,
                       const void* pData, DWORD dwBytes)
{
    HKEY hKey = nullptr;
    LONG lResult =
        RegCreateKeyExW(hRoot, szKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hKey, nullptr);
    if (lResult != ERROR_SUCCESS)
        return lResult;
    lResult = RegSetValueExW(hKey, szName, 0, dwType, static_cast<const BYTE*>(pData), dwBytes);
    RegCloseKey(hKey);
    return lResult;
}

LONG qorTestStoreText(HKEY hRoot, LPCWSTR szKeyPath, LPCWSTR szName, LPCWSTR szText)
{
    return qorTestStoreValue(hRoot, szKeyPath, szName, REG_SZ, szText,
                             static_cast<DWORD>((lstrlenW(szText) + 1) * sizeof(WCHAR)));
}

LONG qorTestStoreNumber(HKEY hRoot, LPCWSTR szKeyPath, LPCWSTR szName, DWORD dwValue)
{
    return qorTestStoreValue(hRoot, szKeyPath, szName, REG_DWORD, &dwValue, sizeof(dwValue));
}
