// CQORBuffer<T>: an owned array of exactly m_ulNumElems elements of BYTE or WCHAR.
// Storage is zero-filled when allocated and wiped before it is released; every resize
// goes through a complete temporary copy. Failures are logged records and a false result;
// only operator[] and the constructors let an exception out.
//
// Where text ends: at the first zero unit, or at the end of the storage when it holds none.
// Every block is followed by one zero element that is not counted and cannot be reached
// through the buffer's operations, so getBuffer() of any WCHAR buffer is zero-terminated
// text for Win32, however its elements were written.
#pragma once

#include <cerrno>
#include <cstring>
#include <new>

#include "qor_common.h"
#include "qor_exceptions.h"

template <class T> class CQORBuffer
{
public:
    explicit CQORBuffer(ULONG ulNumElems);
    // ulOffset zero elements, then the ulNumElems elements of pBuffer; a null pBuffer gives
    // ulNumElems zero elements.
    CQORBuffer(const T* pBuffer, ULONG ulNumElems, ULONG ulOffset);
    CQORBuffer(const CQORBuffer& other);
    virtual ~CQORBuffer();

    virtual bool allocBuffer(ULONG ulNumElems);
    virtual bool destroyBuffer();
    virtual bool reAllocBuffer(ULONG ulNumElems);
    bool zeroBuffer();

    // The most elements a buffer can hold: its bytes and its terminator stay countable in 32
    // bits, the product's address size, so no size computation wraps on either build.
    static constexpr ULONG kMaxElems = 0xFFFFFFFFu / sizeof(T) - 1;

    T* getBuffer() const { return m_pBuffer; }
    ULONG getNumElems() const { return m_ulNumElems; }
    bool isValid() const { return m_pBuffer != nullptr && m_ulNumElems != 0; }
    T& operator[](ULONG ulIndex);
    T operator[](ULONG ulIndex) const;

    CQORBuffer& operator=(const CQORBuffer& other);
    bool append(const CQORBuffer& buffer);
    CQORBuffer& operator+=(const CQORBuffer& buffer);
    // Places buffer at ulOffset (at most the count) and ends this buffer right after it.
    bool appendAt(const CQORBuffer& buffer, ULONG ulOffset);
    bool write(const CQORBuffer& buffer, ULONG ulOffset, bool bGrow);
    // Copies ulNumElems elements from ulOffset; when there are fewer, ulNumElems is set to
    // the number there are and the result is false.
    bool read(CQORBuffer& out, ULONG ulOffset, ULONG& ulNumElems);
    bool read(T* pBuffer, ULONG ulOffset, ULONG& ulNumElems);

    // The 16-bit units as their bytes in memory order (WCHAR buffers only).
    CQORBuffer<BYTE> asByteBuffer() const;
    // The bytes as 16-bit units, the last one zero-padded (BYTE buffers only).
    CQORBuffer<WCHAR> asWideBuffer() const;

protected:
    // Raw copy of whole elements; a missing side is the copy failure of the convention.
    static void copyElems(T* pTarget, const T* pSource, ULONG ulCount);
    bool readChecked(CQORBuffer& out, ULONG ulOffset, ULONG& ulNumElems);

    T* m_pBuffer;
    ULONG m_ulNumElems;
};

template <class T> CQORBuffer<T>::CQORBuffer(ULONG ulNumElems) : m_pBuffer(nullptr), m_ulNumElems(0)
{
    if (!allocBuffer(ulNumElems))
        throw CQORBufferInitException(QOR_HERE);
}

template <class T>
CQORBuffer<T>::CQORBuffer(const T* pBuffer, ULONG ulNumElems, ULONG ulOffset)
    : m_pBuffer(nullptr), m_ulNumElems(0)
{
    try
    {
        if (pBuffer == nullptr)
        {
            if (!allocBuffer(ulNumElems))
                throw CQORBufferInitException(QOR_HERE);
        }
        else if (ulNumElems != 0)
        {
            if (ulOffset > 0xFFFFFFFFu - ulNumElems || !allocBuffer(ulNumElems + ulOffset))
                throw CQORBufferInitException(QOR_HERE);
            copyElems(m_pBuffer + ulOffset, pBuffer, ulNumElems);
        }
    }
    catch (CQORBufferInitException&)
    {
        throw;
    }
    catch (CQORLogging& caught)
    {
        qorReportCaught(caught);
        throw;
    }
    catch (...)
    {
        qorReportUnhandled(errno, QOR_HERE);
        throw CQORBufferInitException(QOR_HERE);
    }
}

template <class T>
CQORBuffer<T>::CQORBuffer(const CQORBuffer& other) : m_pBuffer(nullptr), m_ulNumElems(0)
{
    try
    {
        operator=(other);
    }
    catch (CQORLogging& caught)
    {
        qorReportCaught(caught);
        throw CQORBufferInitException(QOR_HERE);
    }
    catch (...)
    {
        qorReportUnhandled(errno, QOR_HERE);
        throw CQORBufferInitException(QOR_HERE);
    }
    // Assignment reports its failures only to the log; a short copy must not escape.
    if (m_ulNumElems != other.m_ulNumElems)
        throw CQORBufferInitException(QOR_HERE);
}

template <class T> CQORBuffer<T>::~CQORBuffer()
{
    try
    {
        destroyBuffer();
    }
    catch (...)
    {
        qorReportUnhandled(errno, QOR_HERE);
    }
}

template <class T> bool CQORBuffer<T>::allocBuffer(ULONG ulNumElems)
{
    try
    {
        if (!destroyBuffer())
            return false;
        if (ulNumElems == 0)
            return true;
        T* pNew = ulNumElems <= kMaxElems ? new (std::nothrow) T[ulNumElems + 1] : nullptr;
        if (pNew == nullptr)
            throw CQORMemAllocException(TEXT("m_pBuffer"), QOR_HERE);
        m_pBuffer = pNew;
        m_ulNumElems = ulNumElems;
        zeroBuffer();
        m_pBuffer[ulNumElems] = 0;
        return true;
    }
    QOR_CATCH_RETURN(false, errno)
}

template <class T> bool CQORBuffer<T>::destroyBuffer()
{
    bool bResult = true;
    if (m_pBuffer != nullptr)
    {
        zeroBuffer();
        try
        {
            delete[] m_pBuffer;
        }
        catch (...)
        {
            CMemDestroyFailWarning warning(TEXT("m_pBuffer"), QOR_HERE);
            bResult = false;
        }
    }
    m_pBuffer = nullptr;
    m_ulNumElems = 0;
    return bResult;
}

template <class T> bool CQORBuffer<T>::reAllocBuffer(ULONG ulNumElems)
{
    try
    {
        CQORBuffer<T> copy(*this);
        if (!allocBuffer(ulNumElems))
            return false;
        ULONG ulKeep = ulNumElems < copy.m_ulNumElems ? ulNumElems : copy.m_ulNumElems;
        copyElems(m_pBuffer, copy.m_pBuffer, ulKeep);
        return true;
    }
    QOR_CATCH_RETURN(false, errno)
}

template <class T> bool CQORBuffer<T>::zeroBuffer()
{
    if (m_pBuffer == nullptr)
        return false;
    try
    {
        std::memset(static_cast<void*>(m_pBuffer), 0, m_ulNumElems * sizeof(T));
        // The empty statement claims to read the wiped memory, so a wipe right before the
        // delete is not optimised away (a byte loop through volatile cost as much as the
        // work the buffer was used for).
        __asm__ __volatile__("" : : "r"(m_pBuffer) : "memory");
    }
    catch (...)
    {
        CQORMemorySetException failure(errno, QOR_HERE);
    }
    return true;
}

template <class T> T& CQORBuffer<T>::operator[](ULONG ulIndex)
{
    if (ulIndex >= m_ulNumElems)
        throw CQORIndexOutOfBoundsException(QOR_HERE);
    return m_pBuffer[ulIndex];
}

template <class T> T CQORBuffer<T>::operator[](ULONG ulIndex) const
{
    if (ulIndex >= m_ulNumElems)
        throw CQORIndexOutOfBoundsException(QOR_HERE);
    return m_pBuffer[ulIndex];
}

template <class T> CQORBuffer<T>& CQORBuffer<T>::operator=(const CQORBuffer& other)
{
    // Assigning to itself keeps the buffer: releasing first would lose the source.
    if (this == &other)
        return *this;
    try
    {
        if (allocBuffer(other.m_ulNumElems))
            copyElems(m_pBuffer, other.m_pBuffer, other.m_ulNumElems);
        return *this;
    }
    QOR_CATCH_RETURN(*this, errno)
}

template <class T> bool CQORBuffer<T>::append(const CQORBuffer& buffer)
{
    return appendAt(buffer, m_ulNumElems);
}

template <class T> CQORBuffer<T>& CQORBuffer<T>::operator+=(const CQORBuffer& buffer)
{
    append(buffer);
    return *this;
}

template <class T> bool CQORBuffer<T>::appendAt(const CQORBuffer& buffer, ULONG ulOffset)
{
    try
    {
        if (&buffer == this)
        {
            // The resize below would change the source under the copy.
            CQORBuffer<T> source(buffer);
            return appendAt(source, ulOffset);
        }
        if (ulOffset > m_ulNumElems)
            throw CQORBadArgException(
                TEXT("ulOffset"),
                TEXT("can't append a buffer at an offset past the bounds of this buffer"), nullptr,
                0);
        // Appending nothing changes nothing; placing nothing cuts the buffer at ulOffset.
        if (buffer.m_ulNumElems == 0 && ulOffset == m_ulNumElems)
            return true;
        if (buffer.m_ulNumElems > 0xFFFFFFFFu - ulOffset)
            throw CQORMemAllocException(TEXT("m_pBuffer"), QOR_HERE);
        if (!reAllocBuffer(ulOffset + buffer.m_ulNumElems))
            return false;
        return buffer.m_ulNumElems == 0 || write(buffer, ulOffset, false);
    }
    QOR_CATCH_RETURN(false, errno)
}

template <class T> bool CQORBuffer<T>::write(const CQORBuffer& buffer, ULONG ulOffset, bool bGrow)
{
    try
    {
        if (buffer.m_ulNumElems == 0)
            throw CQORBadArgException(TEXT("buffer"), TEXT("buffer is of zero size - can't write"),
                                      QOR_HERE);
        bool bCopied = false;
        if (ulOffset <= m_ulNumElems && buffer.m_ulNumElems <= m_ulNumElems - ulOffset)
        {
            copyElems(m_pBuffer + ulOffset, buffer.m_pBuffer, buffer.m_ulNumElems);
            bCopied = true;
        }
        else if (!bGrow)
            throw CQORBadArgException(TEXT("buffer"),
                                      TEXT("buffer + offset will overrun this buffer"), QOR_HERE);
        else
            bCopied = appendAt(buffer, ulOffset);
        if (!bCopied)
            throw CQORMemoryCopyException(errno, QOR_HERE);
        return true;
    }
    QOR_CATCH_RETURN(false, errno)
}

template <class T> bool CQORBuffer<T>::read(CQORBuffer& out, ULONG ulOffset, ULONG& ulNumElems)
{
    try
    {
        if (&out == this)
        {
            // Emptying the target first would lose the source.
            CQORBuffer<T> part(0);
            if (!readChecked(part, ulOffset, ulNumElems))
                return false;
            operator=(part);
            return m_ulNumElems == ulNumElems;
        }
        return readChecked(out, ulOffset, ulNumElems);
    }
    QOR_CATCH_RETURN(false, errno)
}

template <class T>
bool CQORBuffer<T>::readChecked(CQORBuffer& out, ULONG ulOffset, ULONG& ulNumElems)
{
    out.destroyBuffer();
    if (ulNumElems == 0)
        return true;
    if (ulOffset > m_ulNumElems || ulNumElems > m_ulNumElems - ulOffset)
    {
        // An offset past the end has nothing to read from, not a wrapped-around count.
        ulNumElems = ulOffset <= m_ulNumElems ? m_ulNumElems - ulOffset : 0;
        throw CQORBadArgException(TEXT("ulNumElems + ulOffset"),
                                  TEXT("can't read more elements than are in this buffer"),
                                  QOR_HERE);
    }
    if (!out.allocBuffer(ulNumElems))
        return false;
    copyElems(out.m_pBuffer, m_pBuffer + ulOffset, ulNumElems);
    return true;
}

template <class T> bool CQORBuffer<T>::read(T* pBuffer, ULONG ulOffset, ULONG& ulNumElems)
{
    try
    {
        if (pBuffer == nullptr)
            throw CQORBadArgException(TEXT("pBuffer"), TEXT("value is NULL"), QOR_HERE);
        CQORBuffer<T> part(0);
        if (!readChecked(part, ulOffset, ulNumElems))
            return false;
        copyElems(pBuffer, part.m_pBuffer, ulNumElems);
        return true;
    }
    QOR_CATCH_RETURN(false, errno)
}

template <class T> CQORBuffer<BYTE> CQORBuffer<T>::asByteBuffer() const
{
    static_assert(sizeof(T) == 2, "asByteBuffer converts 16-bit units");
    CQORBuffer<BYTE> result(0);
    try
    {
        if (m_ulNumElems > CQORBuffer<BYTE>::kMaxElems / 2)
            throw CQORMemAllocException(TEXT("m_pBuffer"), QOR_HERE);
        if (isValid() && result.allocBuffer(m_ulNumElems * 2))
            std::memcpy(result.getBuffer(), m_pBuffer, m_ulNumElems * 2);
    }
    catch (CQORLogging& caught)
    {
        qorReportCaught(caught);
    }
    catch (...)
    {
        qorReportUnhandled(errno, QOR_HERE);
    }
    return result;
}

template <class T> CQORBuffer<WCHAR> CQORBuffer<T>::asWideBuffer() const
{
    static_assert(sizeof(T) == 1, "asWideBuffer converts bytes");
    CQORBuffer<WCHAR> result(0);
    try
    {
        if (isValid() && result.allocBuffer(m_ulNumElems / 2 + m_ulNumElems % 2))
            std::memcpy(result.getBuffer(), m_pBuffer, m_ulNumElems);
    }
    catch (...)
    {
        qorReportUnhandled(errno, QOR_HERE);
    }
    return result;
}

template <class T> void CQORBuffer<T>::copyElems(T* pTarget, const T* pSource, ULONG ulCount)
{
    if (ulCount == 0)
        return;
    if (pTarget == nullptr || pSource == nullptr)
        throw CQORMemoryCopyException(EINVAL, QOR_HERE);
    std::memmove(pTarget, pSource, ulCount * sizeof(T));
}
