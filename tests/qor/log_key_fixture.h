// Tests of the registry-configured log: each test fills HKLM "SOFTWARE\Arvenne\Logs" through
// the Win32 calls, logs to C:\qorlogtest\<test name>.log and reads the UTF-16 file back.
// The key and the file are removed before and after each test.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <windows.h>

#include "registry_values.h"
#include "test_files.h"
#include "test_text.h"

class LogKey : public testing::Test
{
protected:
    void SetUp() override
    {
        std::string strName = testing::UnitTest::GetInstance()->current_test_info()->name();
        m_strLog = TEXT("C:\\qorlogtest\\");
        m_strLog.append(strName.begin(), strName.end());
        m_strLog += TEXT(".log");
        clean();
    }
    void TearDown() override { clean(); }

    void clean()
    {
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, kLogsKey);
        DeleteFileW(m_strLog.c_str());
    }

    void storeText(LPCWSTR szName, LPCWSTR szText)
    {
        ASSERT_EQ(ERROR_SUCCESS, qorTestStoreText(HKEY_LOCAL_MACHINE, kLogsKey, szName, szText));
    }
    void storeNumber(LPCWSTR szName, DWORD dwValue)
    {
        ASSERT_EQ(ERROR_SUCCESS, qorTestStoreNumber(HKEY_LOCAL_MACHINE, kLogsKey, szName, dwValue));
    }

    // Logging on, to this test's file, with the given detail mask.
    void logTo(DWORD dwDetail)
    {
        storeNumber(TEXT("Logging"), 1);
        storeNumber(TEXT("LogDetail"), dwDetail);
        storeText(TEXT("TextOutput"), m_strLog.c_str());
    }

    bool fileExists(LPCWSTR szPath = nullptr) const
    {
        HANDLE hFile =
            CreateFileW(szPath != nullptr ? szPath : m_strLog.c_str(), GENERIC_READ,
                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        if (hFile == INVALID_HANDLE_VALUE)
            return false;
        CloseHandle(hFile);
        return true;
    }

    // The file's units after the byte-order mark; "NO BOM" marks a file without one.
    std::basic_string<WCHAR> content() const
    {
        std::string strBytes = qorTestReadFile(m_strLog);
        if (strBytes == "<missing>")
            return wstring_t();
        if (strBytes.size() < 2 || strBytes[0] != '\xFF' || strBytes[1] != '\xFE')
            return TEXT("NO BOM");
        wstring_t strText;
        for (size_t i = 2; i + 1 < strBytes.size(); i += 2)
            strText += static_cast<WCHAR>(static_cast<unsigned char>(strBytes[i]) |
                                          (static_cast<unsigned char>(strBytes[i + 1]) << 8));
        return strText;
    }

    // The lines of the file as UTF-8, each without its timestamp part and its CR LF; a line
    // with a malformed timestamp or a missing line end is kept whole and flagged.
    std::vector<std::string> lines() const
    {
        std::string strText = utf8(content().c_str());
        std::vector<std::string> vecLines;
        size_t nStart = 0;
        while (nStart < strText.size())
        {
            size_t nEnd = strText.find("\r\n", nStart);
            if (nEnd == std::string::npos)
            {
                vecLines.push_back("NO LINE END: " + strText.substr(nStart));
                break;
            }
            vecLines.push_back(withoutTime(strText.substr(nStart, nEnd - nStart)));
            nStart = nEnd + 2;
        }
        return vecLines;
    }

    static std::string withoutTime(const std::string& strLine)
    {
        // "<Wed Jan 02 02:03:55 1980>: "
        const std::string strShape = "<Aaa Aaa 00 00:00:00 0000>: ";
        bool bMatches = strLine.size() >= strShape.size();
        for (size_t i = 0; bMatches && i < strShape.size(); ++i)
        {
            char c = strLine[i];
            char shape = strShape[i];
            if (shape == 'A' || shape == 'a')
                bMatches = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
            else if (shape == '0')
                bMatches = c >= '0' && c <= '9';
            else
                bMatches = c == shape;
        }
        return bMatches ? strLine.substr(strShape.size()) : "BAD TIMESTAMP: " + strLine;
    }

    static constexpr LPCWSTR kLogsKey = TEXT("SOFTWARE\\Arvenne\\Logs");
    wstring_t m_strLog;
};
