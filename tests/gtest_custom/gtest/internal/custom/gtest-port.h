// GoogleTest's porting hook, used by the Windows build only. The win32 thread model of
// mingw-w64 has no std::mutex before GCC 13, which GoogleTest's Notification needs; this
// one waits on a Win32 manual-reset event instead (available since Windows 2000).
#pragma once

#include <windows.h>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing
{
namespace internal
{

class Notification
{
public:
    Notification() : m_hEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~Notification() { CloseHandle(m_hEvent); }
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;

    void Notify() { SetEvent(m_hEvent); }
    void WaitForNotification() { WaitForSingleObject(m_hEvent, INFINITE); }

private:
    HANDLE m_hEvent;
};

} // namespace internal
} // namespace testing
