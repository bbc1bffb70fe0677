// CQORHandle: one kernel object or directory search owned by one scope and closed when the
// scope is left, however it is left.
#pragma once

#include <windows.h>

// Which call closes the handle.
enum handleKind
{
    hkKernel = 1, // CloseHandle: processes, snapshots, files, events
    hkFind = 2    // FindClose: a search of FindFirstFileW
};

class CQORHandle
{
public:
    // Takes hHandle over; null and INVALID_HANDLE_VALUE (what a failed open returns) are
    // held but never closed.
    explicit CQORHandle(HANDLE hHandle, handleKind kind = hkKernel);
    // Closes the handle; a close that fails is written to the log as a warning.
    ~CQORHandle();

    bool isValid() const;
    HANDLE get() const { return m_hHandle; }

private:
    // One owner closes the handle.
    CQORHandle(const CQORHandle&) = delete;
    CQORHandle& operator=(const CQORHandle&) = delete;

    HANDLE m_hHandle;
    handleKind m_kind;
};
