#include "qor_exceptions.h"

namespace
{
// The size wsprintfW never writes past, terminator included.
const int kMessageUnits = 1024;

bool hasPlaceholder(LPCWSTR szFormat)
{
    for (LPCWSTR p = szFormat; *p != 0; ++p)
    {
        if (p[0] == '%' && (p[1] == 's' || p[1] == 'd'))
            return true;
    }
    return false;
}

bool numberComesFirst(LPCWSTR szFormat)
{
    for (LPCWSTR p = szFormat; *p != 0; ++p)
    {
        if (p[0] == '%' && p[1] == 'd')
            return true;
        if (p[0] == '%' && p[1] == 's')
            return false;
    }
    return false;
}
} // namespace

void qorFormatRecordMessage(const SQORRecordInfo& info, const SQORRecordArgs& args,
                            CQORDetailedLogData& data)
{
    if (!hasPlaceholder(info.szFormat))
        return;
    LPCWSTR szText1 = args.szText1 != nullptr ? args.szText1 : info.szMissingText;
    LPCWSTR szText2 = args.szText2 != nullptr ? args.szText2 : info.szMissingText;
    WCHAR szMessage[kMessageUnits] = {0};
    if (numberComesFirst(info.szFormat))
        wsprintfW(szMessage, info.szFormat, args.iNumber, szText1);
    else
        wsprintfW(szMessage, info.szFormat, szText1, szText2);
    // A message cut at the buffer's end keeps no half of a surrogate pair.
    szMessage[qorWholeUnits(szMessage, static_cast<ULONG>(lstrlenW(szMessage)))] = 0;
    data.setMessage(szMessage);
}

CQORLoadStringException::CQORLoadStringException(LPCWSTR szDllName, UINT uStringId, LONG lCode,
                                                 LPCWSTR szSourceFile, ULONG ulLine, bool bLogNow,
                                                 bool bLogOnDestroy)
    : CQORTableRecord<rkLoadString>(SQORRecordArgs{szDllName, nullptr, static_cast<INT>(uStringId),
                                                   lCode, nullptr, nullptr, szSourceFile, ulLine,
                                                   QOR_OUTPUT_TEXT, bLogNow, bLogOnDestroy})
{
}
