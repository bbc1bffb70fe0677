// CQORHandle closes what it owns with the call its kind needs, once, and reports a close that
// fails; the host counts the process's open handles.
#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include "qor_handle.h"
#include "qor_host.h"
#include "recording_engine.h"
#include "test_text.h"

TEST(CQORHandle, ClosesItsHandleByKindAndReportsAFailedClose)
{
    ASSERT_TRUE(CreateDirectoryW(TEXT("C:\\handles"), nullptr));
    WIN32_FIND_DATAW data;
    const struct
    {
        const char* szCase;
        HANDLE hHandle;
        handleKind kind;
        bool bValid;
    } aCases[] = {
        {"snapshot", CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0), hkKernel, true},
        {"search", FindFirstFileW(TEXT("C:\\handles\\*"), &data), hkFind, true},
        {"failed open", nullptr, hkKernel, false},
        {"failed search", INVALID_HANDLE_VALUE, hkFind, false},
    };
    for (const auto& test : aCases)
    {
        size_t nOpen = qorhost::openHandleCount();
        {
            CQORHandle handle(test.hHandle, test.kind);
            EXPECT_EQ(test.bValid, handle.isValid()) << test.szCase;
            EXPECT_EQ(test.hHandle, handle.get()) << test.szCase;
        }
        EXPECT_EQ(nOpen - (test.bValid ? 1 : 0), qorhost::openHandleCount()) << test.szCase;
    }

    CRecordingEngineScope recording;
    qorhost::failCall("CloseHandle", ERROR_INVALID_HANDLE, std::string(), 1);
    {
        CQORHandle handle(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
        SetLastError(ERROR_SUCCESS);
    }
    ASSERT_EQ(1u, recording.engine.records.size());
    EXPECT_EQ(static_cast<LONG>(ERROR_INVALID_HANDLE), recording.engine.records[0].lCode);
}
