// Owners of the handles the library opens: each holds one handle of one kind, closes it with
// that kind's call when it is reset or leaves its scope, however the scope is left, and moves
// but never copies. A close that fails is written to the log as a warning; the thread's last
// error is kept across the close, so a failure read after the owner is gone is the caller's.
#pragma once

#include <windows.h>
#include <lm.h>

// What closes each kind, and which value stands for "nothing held". The invalid values are
// held but never closed: null and INVALID_HANDLE_VALUE are what failed opens return.
struct SKernelHandleTraits
{
    typedef HANDLE Type;
    static Type none() { return nullptr; }
    static bool isValid(Type h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static bool close(Type h) { return CloseHandle(h) != FALSE; }
};

// A token is a kernel handle, typed apart so that a token cannot be passed as a process.
struct STokenHandleTraits : SKernelHandleTraits
{
};

struct SFindHandleTraits
{
    typedef HANDLE Type;
    static Type none() { return INVALID_HANDLE_VALUE; }
    static bool isValid(Type h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static bool close(Type h) { return FindClose(h) != FALSE; }
};

// An opened registry key (never a predefined root, which is not closed).
struct SRegKeyTraits
{
    typedef HKEY Type;
    static Type none() { return nullptr; }
    static bool isValid(Type h) { return h != nullptr; }
    static bool close(Type h) { return RegCloseKey(h) == ERROR_SUCCESS; }
};

// A buffer that a network management call allocated.
struct SNetApiBufferTraits
{
    typedef LPBYTE Type;
    static Type none() { return nullptr; }
    static bool isValid(Type p) { return p != nullptr; }
    static bool close(Type p) { return NetApiBufferFree(p) == NERR_Success; }
};

// Writes the warning of a failed close (subject szSubject, the close's error).
void qorReportFailedClose(LPCWSTR szSubject, DWORD dwError);

template <class TTraits> class CQORUniqueHandle
{
public:
    typedef typename TTraits::Type Type;

    CQORUniqueHandle() : m_hHandle(TTraits::none()), m_szSubject(TEXT("m_hHandle")) {}
    // Takes hHandle over. szSubject names it in the warning of a failed close; null writes no
    // warning (the log writer cannot report on its own files).
    explicit CQORUniqueHandle(Type hHandle, LPCWSTR szSubject = TEXT("m_hHandle"))
        : m_hHandle(hHandle), m_szSubject(szSubject)
    {
    }
    CQORUniqueHandle(CQORUniqueHandle&& other) noexcept
        : m_hHandle(other.release()), m_szSubject(other.m_szSubject)
    {
    }
    CQORUniqueHandle& operator=(CQORUniqueHandle&& other) noexcept
    {
        if (this != &other)
        {
            (void)reset(other.release());
            m_szSubject = other.m_szSubject;
        }
        return *this;
    }
    CQORUniqueHandle(const CQORUniqueHandle&) = delete;
    CQORUniqueHandle& operator=(const CQORUniqueHandle&) = delete;
    ~CQORUniqueHandle() { (void)reset(); }

    bool isValid() const { return TTraits::isValid(m_hHandle); }
    Type get() const { return m_hHandle; }

    // Gives the handle up without closing it.
    Type release()
    {
        Type hHandle = m_hHandle;
        m_hHandle = TTraits::none();
        return hHandle;
    }

    // Closes what is held and takes hHandle; false when the close failed (it is logged).
    bool reset(Type hHandle = TTraits::none())
    {
        Type hOld = m_hHandle;
        m_hHandle = hHandle;
        if (!TTraits::isValid(hOld))
            return true;
        DWORD dwError = GetLastError();
        bool bClosed = TTraits::close(hOld);
        if (!bClosed && m_szSubject != nullptr)
            qorReportFailedClose(m_szSubject, GetLastError());
        SetLastError(dwError);
        return bClosed;
    }

    // For an out-parameter of an opening call: closes what is held first.
    Type* put()
    {
        (void)reset();
        return &m_hHandle;
    }

private:
    Type m_hHandle;
    LPCWSTR m_szSubject;
};

typedef CQORUniqueHandle<SKernelHandleTraits> CQORHandle;
typedef CQORUniqueHandle<STokenHandleTraits> CQORTokenHandle;
typedef CQORUniqueHandle<SFindHandleTraits> CQORFindHandle;
typedef CQORUniqueHandle<SNetApiBufferTraits> CQORNetApiBuffer;
typedef CQORUniqueHandle<SRegKeyTraits> CQORRegKeyHandle;
