// The handle owners close what they own with the call their kind needs, once, keep the
// thread's last error across the close, and report a close that fails; the host counts the
// process's open handles.
#include <gtest/gtest.h>

#include <utility>

#include <windows.h>
#include <tlhelp32.h>

#include "qor_handle.h"
#include "qor_host.h"
#include "recording_engine.h"
#include "test_text.h"

namespace
{
// Owns h with owner type TOwner in a scope of its own; whether it was valid.
template <class TOwner> bool ownAndClose(typename TOwner::Type hHandle)
{
    TOwner owner(hHandle);
    EXPECT_EQ(hHandle, owner.get());
    SetLastError(ERROR_FILE_NOT_FOUND);
    return owner.isValid();
}
} // namespace

TEST(CQORHandle, ClosesItsHandleByKindAndReportsAFailedClose)
{
    ASSERT_TRUE(CreateDirectoryW(TEXT("C:\\handles"), nullptr));
    qorhost::setMachineIni("[accounts]\nalice = normal\n");
    WIN32_FIND_DATAW data;
    LPBYTE pAccounts = nullptr;
    DWORD dwRead = 0, dwTotal = 0, dwResume = 0;
    ASSERT_EQ(static_cast<NET_API_STATUS>(NERR_Success),
              NetUserEnum(nullptr, 0, FILTER_NORMAL_ACCOUNT, &pAccounts, MAX_PREFERRED_LENGTH,
                          &dwRead, &dwTotal, &dwResume));
    HANDLE hToken = nullptr;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &hToken));
    const struct
    {
        const char* szCase;
        bool (*pfnOwn)();
        bool bValid;
    } aCases[] = {
        {"snapshot",
         [] { return ownAndClose<CQORHandle>(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0)); },
         true},
        {"failed open", [] { return ownAndClose<CQORHandle>(nullptr); }, false},
        {"failed search", [] { return ownAndClose<CQORFindHandle>(INVALID_HANDLE_VALUE); }, false},
    };
    for (const auto& test : aCases)
    {
        size_t nOpen = qorhost::openHandleCount();
        EXPECT_EQ(test.bValid, test.pfnOwn()) << test.szCase;
        EXPECT_EQ(nOpen, qorhost::openHandleCount()) << test.szCase << ": closed once";
        EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError())
            << test.szCase << ": the close keeps the last error";
    }
    size_t nOpen = qorhost::openHandleCount();
    {
        CQORFindHandle search(FindFirstFileW(TEXT("C:\\handles\\*"), &data));
        CQORTokenHandle token(hToken);
        CQORNetApiBuffer accounts(pAccounts);
        EXPECT_TRUE(search.isValid());
        EXPECT_TRUE(token.isValid());
        EXPECT_TRUE(accounts.isValid());
    }
    EXPECT_EQ(nOpen - 1, qorhost::openHandleCount()) << "the token is closed";

    CRecordingEngineScope recording;
    qorhost::failCall("CloseHandle", ERROR_INVALID_HANDLE, std::string(), 1);
    {
        CQORHandle handle(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
        SetLastError(ERROR_SUCCESS);
    }
    ASSERT_EQ(1u, recording.engine.records.size());
    EXPECT_EQ(static_cast<LONG>(ERROR_INVALID_HANDLE), recording.engine.records[0].lCode);
}

TEST(CQORHandle, MovesHandOverOwnershipAndResetClosesOnce)
{
    size_t nOpen = qorhost::openHandleCount();
    CQORHandle first(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    HANDLE hFirst = first.get();
    CQORHandle second(std::move(first));
    EXPECT_FALSE(first.isValid());
    EXPECT_EQ(hFirst, second.get());
    CQORHandle third(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    third = std::move(second); // closes third's own handle
    EXPECT_EQ(nOpen + 1, qorhost::openHandleCount());
    HANDLE hReleased = third.release();
    EXPECT_EQ(hFirst, hReleased);
    EXPECT_TRUE(third.reset(hReleased));
    EXPECT_TRUE(third.reset());
    EXPECT_EQ(nOpen, qorhost::openHandleCount());
    EXPECT_TRUE(third.reset()) << "nothing held: nothing closed";
}
