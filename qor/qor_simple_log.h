// Records with only the basic data: written through the level check alone.
#pragma once

#include "qor_logging.h"

class CQORSimpleLog : public CQORLogging
{
public:
    CQORSimpleLog(ULONG ulType, LPCWSTR szMessage, LONG lCode, ULONG ulCodeKind, bool bLogNow,
                  bool bLogOnDestroy, USHORT usOutputMask = QOR_OUTPUT_TEXT,
                  LPCWSTR szModuleName = nullptr, LPCWSTR szOutputPath = nullptr);
    CQORSimpleLog(const CQORSimpleLog& other) = default;
    ~CQORSimpleLog() override;

    bool log() override;
    const CQORLogData& getData() const { return m_data; }

protected:
    CQORLogData m_data;
};

// "NOTIFICATION": what the user was shown.
class CLogNotification : public CQORSimpleLog
{
public:
    CLogNotification(LPCWSTR szMessage, bool bLogNow);
};
