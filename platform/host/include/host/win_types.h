// Basic Win32 types with Windows' sizes: 16-bit WCHAR (char16_t), 32-bit LONG/ULONG/DWORD.
#pragma once

#include <cstddef>
#include <cstdint>

typedef char16_t WCHAR;
typedef WCHAR* LPWSTR;
typedef WCHAR* PWSTR;
typedef const WCHAR* LPCWSTR;
typedef const WCHAR* PCWSTR;
typedef char CHAR;
typedef CHAR* LPSTR;
typedef const CHAR* LPCSTR;

typedef uint8_t BYTE;
typedef BYTE* LPBYTE;
typedef uint16_t WORD;
typedef uint16_t USHORT;
typedef int16_t SHORT;
typedef uint32_t DWORD;
typedef DWORD* LPDWORD;
typedef DWORD* PDWORD;
typedef uint32_t ULONG;
typedef int32_t LONG;
typedef uint32_t UINT;
typedef int32_t INT;
typedef int BOOL;
typedef uint64_t ULONGLONG;
typedef int64_t LONGLONG;
typedef void* LPVOID;
typedef const void* LPCVOID;
typedef size_t SIZE_T;
typedef uintptr_t ULONG_PTR;
typedef ULONG_PTR DWORD_PTR;
typedef intptr_t LONG_PTR;
typedef uintptr_t UINT_PTR;
typedef intptr_t INT_PTR;
typedef UINT_PTR WPARAM;
typedef LONG_PTR LPARAM;
typedef LONG_PTR LRESULT;
typedef WORD LANGID;
typedef DWORD LCID;

typedef void* HANDLE;
typedef HANDLE* PHANDLE;
#define QOR_HOST_DECLARE_HANDLE(name)                                                              \
    struct name##__                                                                                \
    {                                                                                              \
        int unused;                                                                                \
    };                                                                                             \
    typedef struct name##__* name
QOR_HOST_DECLARE_HANDLE(HINSTANCE);
QOR_HOST_DECLARE_HANDLE(HWND);
QOR_HOST_DECLARE_HANDLE(HRSRC);
typedef HINSTANCE HMODULE;
typedef HANDLE HGLOBAL;

// Access rights every kind of object shares (winnt.h values).
typedef DWORD ACCESS_MASK;
#define DELETE (0x00010000L)
#define READ_CONTROL (0x00020000L)
#define WRITE_DAC (0x00040000L)
#define WRITE_OWNER (0x00080000L)
#define SYNCHRONIZE (0x00100000L)
#define STANDARD_RIGHTS_REQUIRED (0x000F0000L)
#define STANDARD_RIGHTS_READ (READ_CONTROL)
#define STANDARD_RIGHTS_WRITE (READ_CONTROL)
#define STANDARD_RIGHTS_EXECUTE (READ_CONTROL)
#define STANDARD_RIGHTS_ALL (0x001F0000L)
#define MAXIMUM_ALLOWED (0x02000000L)
#define GENERIC_READ (0x80000000L)
#define GENERIC_WRITE (0x40000000L)
#define GENERIC_EXECUTE (0x20000000L)
#define GENERIC_ALL (0x10000000L)

// The longest path the classic Win32 calls take, terminator included.
#define MAX_PATH 260

#define WINAPI
#define CALLBACK
#define APIENTRY
#define VOID void

// An exported function as GetProcAddress hands it out; callers cast it to its real type.
typedef INT_PTR(WINAPI* FARPROC)();

// 100-nanosecond intervals since 1601-01-01 (UTC).
typedef struct _FILETIME
{
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
} FILETIME, *PFILETIME, *LPFILETIME;

typedef struct _SECURITY_ATTRIBUTES
{
    DWORD nLength;
    LPVOID lpSecurityDescriptor;
    BOOL bInheritHandle;
} SECURITY_ATTRIBUTES, *PSECURITY_ATTRIBUTES, *LPSECURITY_ATTRIBUTES;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

// TEXT expands its argument first, so TEXT(__FILE__) works as on Windows.
#define __TEXT(quote) u##quote
#define TEXT(quote) __TEXT(quote)

#define LOWORD(l) ((WORD)(((DWORD)(l)) & 0xffff))
#define HIWORD(l) ((WORD)((((DWORD)(l)) >> 16) & 0xffff))
#define MAKELANGID(p, s) ((((WORD)(s)) << 10) | (WORD)(p))
#define PRIMARYLANGID(lgid) ((WORD)(lgid)&0x3ff)
#define SUBLANGID(lgid) ((WORD)(lgid) >> 10)
#define LANG_NEUTRAL 0x00
#define LANG_ENGLISH 0x09
#define SUBLANG_NEUTRAL 0x00
#define SUBLANG_DEFAULT 0x01
#define SUBLANG_ENGLISH_US 0x01

#define IS_INTRESOURCE(r) ((((ULONG_PTR)(r)) >> 16) == 0)
#define MAKEINTRESOURCEW(i) ((LPWSTR)((ULONG_PTR)((WORD)(i))))
#define MAKEINTRESOURCEA(i) ((LPSTR)((ULONG_PTR)((WORD)(i))))
#define MAKEINTRESOURCE MAKEINTRESOURCEW
#define RT_STRING MAKEINTRESOURCEW(6)
