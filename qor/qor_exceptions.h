// The library's exceptions and warnings. They differ only by message, code and base, so
// they are one table (g_aQORRecordInfo) and a few constructor shapes; each class name is a
// distinct type, so handlers can catch exactly the failure they expect.
#pragma once

#include <type_traits>

#include "qor_detailed_log.h"

enum EQORRecordKind
{
    rkUnhandledException,
    rkMemAlloc,
    rkMemDestroyFail,
    rkMemoryCopy,
    rkMemorySet,
    rkBufferInit,
    rkBadArg,
    rkIndexOutOfBounds,
    rkOpenProcessToken,
    rkLookupPrivilegeValue,
    rkAdjustTokenPrivileges,
    rkCloseHandle,
    rkWindowsOSInfoInitNeeded,
    rkRegKeyInit,
    rkRegEnumKey,
    rkRegEnumValue,
    rkRegKeyCreate,
    rkRegSaveKey,
    rkRegRestoreKey,
    rkRegQueryInfoKey,
    rkRegQueryMultipleValues,
    rkRegValueSet,
    rkRegCloseKey,
    rkRegKeyAlreadyClosed,
    rkRegKeyAlreadyOpen,
    rkUnknownVariableName,
    rkMessageBoxInit,
    rkLoadString,
    rkWritePrivateProfileString,
    rkWritePrivateProfileSection,
    rkDirectoryInit,
    rkRecordKindCount
};

// The texts are arrays, not pointers to literals: the table is one object in the program,
// while literals would be copied into every source file that includes this header.
struct SQORRecordInfo
{
    bool bWarning;
    WCHAR szFormat[72]; // %s and %d placeholders, filled by wsprintfW
    ULONG ulCodeKind;
    bool bCodeArgument; // the code comes from the constructor, else lFixedCode
    LONG lFixedCode;
    WCHAR szMissingText[24]; // stands in for a null text argument
};

namespace qorrecords
{
constexpr bool E = false; // an exception: type "EXCEPTION_BAD"
constexpr bool W = true;  // a warning: type "WARNING"
constexpr bool ARG = true;
constexpr bool FIXED = false;
} // namespace qorrecords

// One row per EQORRecordKind, in its order.
inline constexpr SQORRecordInfo g_aQORRecordInfo[rkRecordKindCount] = {
#define QOR_ROW(base, format, kind, codeFrom, fixedCode)                                           \
    {                                                                                              \
        qorrecords::base, TEXT(format), kind, qorrecords::codeFrom, fixedCode, TEXT("Unknown")     \
    }
    QOR_ROW(E, "An unhandled exception occurred", 0, ARG, 0),
    QOR_ROW(E, "Unable to allocate memory ( %s )", 0, FIXED, -1),
    QOR_ROW(W, "Unable to free memory ( %s )", 0, FIXED, -1),
    QOR_ROW(E, "memcpy() function failed", 0, ARG, 0),
    QOR_ROW(E, "memset() function failed", 0, ARG, 0),
    QOR_ROW(E, "Unable to initialize CQORBuffer", 0, FIXED, -1),
    QOR_ROW(E, "A bad argument was provided ( %s ). %s", 0, FIXED, 0),
    QOR_ROW(E, "Index out of array bounds", 0, FIXED, -1),
    QOR_ROW(E, "OpenProcessToken call failed for handle:%s", 0, ARG, 0),
    QOR_ROW(E, "LookupPrivilegeValue call failed for privilege:%s", 0, ARG, 0),
    QOR_ROW(E, "AdjustTokenPrivileges call failed for handle:%s", 0, ARG, 0),
    QOR_ROW(W, "Unable to free memory ( %s )", 0, ARG, 0),
    QOR_ROW(E, "CQORWindowsOSInfo construction failed. Cannot call member functions.", 0, FIXED,
            -1),
    QOR_ROW(E, "CQORRegistryKey object failed to initialize", 0, FIXED, -1),
    QOR_ROW(E, "Unable to enumerate subkeys from key ( \"%s\" )", 0, ARG, 0),
    QOR_ROW(E, "Unable to enumerate values from key ( \"%s\" )", 0, ARG, 0),
    QOR_ROW(E, "Unable to create registry key ( \"%s\" )", 1, ARG, 0),
    QOR_ROW(E, "Unable to save registry key ( \"%s\" )", 1, ARG, 0),
    QOR_ROW(E, "Unable to load registry key ( \"%s\" )", 1, ARG, 0),
    QOR_ROW(E, "Unable to query info on registry key ( \"%s\" )", 1, ARG, 0),
    QOR_ROW(E, "Unable to query multiple values from registry key ( \"%s\" )", 1, ARG, 0),
    QOR_ROW(E, "Unable to Set registry value ( \"%s\\%s\" )", 1, ARG, 0),
    QOR_ROW(W, "Unable to close registry key ( %s )", 0, ARG, 0),
    QOR_ROW(W, "Registry key is already closed ( %s )", 1, FIXED, -1),
    QOR_ROW(W, "Registry key is already open ( %s )", 1, FIXED, -1),
    QOR_ROW(E, "The environment variable name has not been initialized", 0, FIXED, -1),
    QOR_ROW(E, "Unable to initialize message box", 0, ARG, 0),
    {qorrecords::E, TEXT("Unable to load string ( ID: %d ) from resource DLL ( %s )"), 0,
     qorrecords::ARG, 0, TEXT("Unknown resource DLL")},
    QOR_ROW(E, "Unable to write profile string ( section: %s, key name: %s )", 0, ARG, 0),
    QOR_ROW(E, "Unable to write profile section ( section: %s )", 0, ARG, 0),
    QOR_ROW(E, "CQORDirectory object failed to initialize", 0, FIXED, -1),
#undef QOR_ROW
};

// Everything a table record is built from; the shapes below fill it from their arguments.
struct SQORRecordArgs
{
    LPCWSTR szText1 = nullptr;
    LPCWSTR szText2 = nullptr;
    INT iNumber = 0; // the %d of a format that has one (it comes first)
    LONG lCode = 0;
    LPCWSTR szObjectName = nullptr;
    LPCWSTR szFunctionName = nullptr;
    LPCWSTR szSourceFile = nullptr;
    ULONG ulLine = 0;
    USHORT usOutputMask = QOR_OUTPUT_TEXT;
    bool bLogNow = true;
    bool bLogOnDestroy = false;
};

template <EQORRecordKind K>
using QORRecordBase = typename std::conditional<g_aQORRecordInfo[K].bWarning, CQORLogWarning,
                                                CQORLogException1>::type;

// Builds the base with the table's message and code, formats the message from the
// arguments, then writes the record if asked to (so it is written with its final text).
template <EQORRecordKind K> class CQORTableRecord : public QORRecordBase<K>
{
public:
    static const EQORRecordKind kind = K;

protected:
    explicit CQORTableRecord(const SQORRecordArgs& args)
        : QORRecordBase<K>(
              g_aQORRecordInfo[K].szFormat,
              g_aQORRecordInfo[K].bCodeArgument ? args.lCode : g_aQORRecordInfo[K].lFixedCode,
              g_aQORRecordInfo[K].ulCodeKind, args.szObjectName, args.szFunctionName,
              args.szSourceFile, args.ulLine, args.usOutputMask, false, args.bLogOnDestroy)
    {
        qorFormatRecordMessage(g_aQORRecordInfo[K], args, this->m_data);
        if (args.bLogNow)
            this->log();
    }
};

// Replaces the data's message by the record format filled from the arguments.
void qorFormatRecordMessage(const SQORRecordInfo& info, const SQORRecordArgs& args,
                            CQORDetailedLogData& data);

// The constructor shapes, one per argument list. Call sites pass mask 1, logNow true and
// logOnDestroy false unless a class says otherwise, so those are the defaults.
#define QOR_SHAPE_BASE(...) CQORTableRecord<K>(SQORRecordArgs{__VA_ARGS__})

// (code, file, line, mask, logNow, logOnDestroy)
template <EQORRecordKind K> class CQORCodeRecord : public CQORTableRecord<K>
{
public:
    CQORCodeRecord(LONG lCode, LPCWSTR szSourceFile, ULONG ulLine,
                   USHORT usOutputMask = QOR_OUTPUT_TEXT, bool bLogNow = true,
                   bool bLogOnDestroy = false)
        : QOR_SHAPE_BASE(nullptr, nullptr, 0, lCode, nullptr, nullptr, szSourceFile, ulLine,
                         usOutputMask, bLogNow, bLogOnDestroy)
    {
    }
};

// (subject, file, line, mask, logNow, logOnDestroy)
template <EQORRecordKind K> class CQORSubjectRecord : public CQORTableRecord<K>
{
public:
    CQORSubjectRecord(LPCWSTR szSubject, LPCWSTR szSourceFile, ULONG ulLine,
                      USHORT usOutputMask = QOR_OUTPUT_TEXT, bool bLogNow = true,
                      bool bLogOnDestroy = false)
        : QOR_SHAPE_BASE(szSubject, nullptr, 0, 0, nullptr, nullptr, szSourceFile, ulLine,
                         usOutputMask, bLogNow, bLogOnDestroy)
    {
    }
};

// (code, file, line, logOnDestroy): mask 1, written by the handler or on destruction.
template <EQORRecordKind K> class CQORLateCodeRecord : public CQORTableRecord<K>
{
public:
    CQORLateCodeRecord(LONG lCode, LPCWSTR szSourceFile, ULONG ulLine, bool bLogOnDestroy = true)
        : QOR_SHAPE_BASE(nullptr, nullptr, 0, lCode, nullptr, nullptr, szSourceFile, ulLine,
                         QOR_OUTPUT_TEXT, false, bLogOnDestroy)
    {
    }
};

// (file, line, logOnDestroy): mask 1, written by the handler or on destruction.
template <EQORRecordKind K> class CQORLatePlaceRecord : public CQORTableRecord<K>
{
public:
    CQORLatePlaceRecord(LPCWSTR szSourceFile, ULONG ulLine, bool bLogOnDestroy = true)
        : QOR_SHAPE_BASE(nullptr, nullptr, 0, 0, nullptr, nullptr, szSourceFile, ulLine,
                         QOR_OUTPUT_TEXT, false, bLogOnDestroy)
    {
    }
};

// (file, line): built in place, mask 1, written at once.
template <EQORRecordKind K> class CQORPlaceRecord : public CQORTableRecord<K>
{
public:
    CQORPlaceRecord(LPCWSTR szSourceFile, ULONG ulLine)
        : QOR_SHAPE_BASE(nullptr, nullptr, 0, 0, nullptr, nullptr, szSourceFile, ulLine,
                         QOR_OUTPUT_TEXT, true, false)
    {
    }
};

// (file, line, mask, logNow, logOnDestroy)
template <EQORRecordKind K> class CQORPlaceMaskRecord : public CQORTableRecord<K>
{
public:
    CQORPlaceMaskRecord(LPCWSTR szSourceFile, ULONG ulLine, USHORT usOutputMask = QOR_OUTPUT_TEXT,
                        bool bLogNow = true, bool bLogOnDestroy = false)
        : QOR_SHAPE_BASE(nullptr, nullptr, 0, 0, nullptr, nullptr, szSourceFile, ulLine,
                         usOutputMask, bLogNow, bLogOnDestroy)
    {
    }
};

// (subject, detail, file, line, mask, logNow, logOnDestroy)
template <EQORRecordKind K> class CQORTwoTextRecord : public CQORTableRecord<K>
{
public:
    CQORTwoTextRecord(LPCWSTR szText1, LPCWSTR szText2, LPCWSTR szSourceFile, ULONG ulLine,
                      USHORT usOutputMask = QOR_OUTPUT_TEXT, bool bLogNow = true,
                      bool bLogOnDestroy = false)
        : QOR_SHAPE_BASE(szText1, szText2, 0, 0, nullptr, nullptr, szSourceFile, ulLine,
                         usOutputMask, bLogNow, bLogOnDestroy)
    {
    }
};

// (subject, code, file, line, mask, logNow): never written on destruction.
template <EQORRecordKind K> class CQORSubjectCodeRecord : public CQORTableRecord<K>
{
public:
    CQORSubjectCodeRecord(LPCWSTR szSubject, LONG lCode, LPCWSTR szSourceFile, ULONG ulLine,
                          USHORT usOutputMask = QOR_OUTPUT_TEXT, bool bLogNow = true)
        : QOR_SHAPE_BASE(szSubject, nullptr, 0, lCode, nullptr, nullptr, szSourceFile, ulLine,
                         usOutputMask, bLogNow, false)
    {
    }
};

// (text1, text2, code, file, line, mask, logNow): never written on destruction.
template <EQORRecordKind K> class CQORTwoTextCodeRecord : public CQORTableRecord<K>
{
public:
    CQORTwoTextCodeRecord(LPCWSTR szText1, LPCWSTR szText2, LONG lCode, LPCWSTR szSourceFile,
                          ULONG ulLine, USHORT usOutputMask = QOR_OUTPUT_TEXT, bool bLogNow = true)
        : QOR_SHAPE_BASE(szText1, szText2, 0, lCode, nullptr, nullptr, szSourceFile, ulLine,
                         usOutputMask, bLogNow, false)
    {
    }
};

// (keyName, code, objectName, functionName, file, line, mask, logNow, logOnDestroy)
template <EQORRecordKind K> class CQORRegistryRecord : public CQORTableRecord<K>
{
public:
    CQORRegistryRecord(LPCWSTR szKeyName, LONG lCode, LPCWSTR szObjectName, LPCWSTR szFunctionName,
                       LPCWSTR szSourceFile, ULONG ulLine, USHORT usOutputMask = QOR_OUTPUT_TEXT,
                       bool bLogNow = true, bool bLogOnDestroy = false)
        : QOR_SHAPE_BASE(szKeyName, nullptr, 0, lCode, szObjectName, szFunctionName, szSourceFile,
                         ulLine, usOutputMask, bLogNow, bLogOnDestroy)
    {
    }
};

// (keyName, code, file, line, mask, logNow, logOnDestroy)
template <EQORRecordKind K> class CQORKeyCodeRecord : public CQORTableRecord<K>
{
public:
    CQORKeyCodeRecord(LPCWSTR szKeyName, LONG lCode, LPCWSTR szSourceFile, ULONG ulLine,
                      USHORT usOutputMask = QOR_OUTPUT_TEXT, bool bLogNow = true,
                      bool bLogOnDestroy = false)
        : QOR_SHAPE_BASE(szKeyName, nullptr, 0, lCode, nullptr, nullptr, szSourceFile, ulLine,
                         usOutputMask, bLogNow, bLogOnDestroy)
    {
    }
};

// (keyPath, valueName, code, objectName, functionName, file, line, mask, logNow, logOnDestroy)
template <EQORRecordKind K> class CQORRegistryValueRecord : public CQORTableRecord<K>
{
public:
    CQORRegistryValueRecord(LPCWSTR szKeyPath, LPCWSTR szValueName, LONG lCode,
                            LPCWSTR szObjectName, LPCWSTR szFunctionName, LPCWSTR szSourceFile,
                            ULONG ulLine, USHORT usOutputMask = QOR_OUTPUT_TEXT,
                            bool bLogNow = true, bool bLogOnDestroy = false)
        : QOR_SHAPE_BASE(szKeyPath, szValueName, 0, lCode, szObjectName, szFunctionName,
                         szSourceFile, ulLine, usOutputMask, bLogNow, bLogOnDestroy)
    {
    }
};

// (keyName, objectName, functionName, file, line, mask, logNow, logOnDestroy)
template <EQORRecordKind K> class CQORKeyStateRecord : public CQORTableRecord<K>
{
public:
    CQORKeyStateRecord(LPCWSTR szKeyName, LPCWSTR szObjectName, LPCWSTR szFunctionName,
                       LPCWSTR szSourceFile, ULONG ulLine, USHORT usOutputMask = QOR_OUTPUT_TEXT,
                       bool bLogNow = true, bool bLogOnDestroy = false)
        : QOR_SHAPE_BASE(szKeyName, nullptr, 0, 0, szObjectName, szFunctionName, szSourceFile,
                         ulLine, usOutputMask, bLogNow, bLogOnDestroy)
    {
    }
};

// (dllName, stringId, code, file, line, logNow, logOnDestroy): mask 1; the format shows
// the string id first.
class CQORLoadStringException : public CQORTableRecord<rkLoadString>
{
public:
    CQORLoadStringException(LPCWSTR szDllName, UINT uStringId, LONG lCode, LPCWSTR szSourceFile,
                            ULONG ulLine, bool bLogNow = true, bool bLogOnDestroy = false);
};

typedef CQORCodeRecord<rkUnhandledException> CQORUnhandledExceptionException;
typedef CQORSubjectRecord<rkMemAlloc> CQORMemAllocException;
typedef CQORSubjectRecord<rkMemDestroyFail> CMemDestroyFailWarning;
typedef CQORLateCodeRecord<rkMemoryCopy> CQORMemoryCopyException;
typedef CQORLateCodeRecord<rkMemorySet> CQORMemorySetException;
typedef CQORLatePlaceRecord<rkBufferInit> CQORBufferInitException;
typedef CQORTwoTextRecord<rkBadArg> CQORBadArgException;
typedef CQORPlaceRecord<rkIndexOutOfBounds> CQORIndexOutOfBoundsException;
typedef CQORSubjectCodeRecord<rkOpenProcessToken> CQOROpenProcessTokenException;
typedef CQORSubjectCodeRecord<rkLookupPrivilegeValue> CQORLookupPrivilegeValueException;
typedef CQORSubjectCodeRecord<rkAdjustTokenPrivileges> CQORAdjustTokenPrivilegesException;
typedef CQORSubjectCodeRecord<rkCloseHandle> CCloseHandleWarning;
typedef CQORPlaceRecord<rkWindowsOSInfoInitNeeded> CQORWindowsOSInfoInitNeededException;
typedef CQORPlaceMaskRecord<rkRegKeyInit> CQORRegKeyInitException;
typedef CQORRegistryRecord<rkRegEnumKey> CQORRegEnumKeyException;
typedef CQORRegistryRecord<rkRegEnumValue> CQORRegEnumValueException;
typedef CQORRegistryRecord<rkRegKeyCreate> CQORRegKeyCreateException;
typedef CQORRegistryRecord<rkRegSaveKey> CQORRegSaveKeyException;
typedef CQORRegistryRecord<rkRegRestoreKey> CQORRegRestoreKeyException;
typedef CQORKeyCodeRecord<rkRegQueryInfoKey> CQORRegQueryInfoKeyException;
typedef CQORKeyCodeRecord<rkRegQueryMultipleValues> CQORRegQueryMultipleValuesException;
typedef CQORRegistryValueRecord<rkRegValueSet> CQORRegValueSetException;
typedef CQORRegistryRecord<rkRegCloseKey> CQORRegCloseKeyWarning;
typedef CQORKeyStateRecord<rkRegKeyAlreadyClosed> CQORRegKeyAlreadyClosedWarning;
typedef CQORKeyStateRecord<rkRegKeyAlreadyOpen> CQORRegKeyAlreadyOpenWarning;
typedef CQORPlaceRecord<rkUnknownVariableName> CQORUnknownVariableNameException;
typedef CQORCodeRecord<rkMessageBoxInit> CQORMessageBoxInitException;
#undef QOR_SHAPE_BASE

typedef CQORTwoTextCodeRecord<rkWritePrivateProfileString> CQORWritePrivateProfileStringException;
typedef CQORSubjectCodeRecord<rkWritePrivateProfileSection> CQORWritePrivateProfileSectionException;
typedef CQORPlaceRecord<rkDirectoryInit> CQORDirectoryInitException;
