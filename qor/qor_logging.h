// The root of every log record, exception and warning of the library.
#pragma once

#include "qor_log_data.h"

class CQORLogging
{
public:
    CQORLogging(USHORT usOutputMask, bool bLogOnDestroy);
    virtual ~CQORLogging();

    // Writes the record to the outputs the engine selects; true when the last one wrote it.
    // Never throws and leaves the thread's last-error value as it found it.
    virtual bool log() = 0;
    bool isLogged() const { return m_bLogged; }
    USHORT getOutputMask() const { return m_usOutputMask; }

protected:
    CQORLogging(const CQORLogging& other) = default;
    CQORLogging& operator=(const CQORLogging& other) = default;

    // The level check; used alone by simple records.
    bool shouldLog(CQORLogData& data);
    // The level check followed by the object filter; used by detailed records.
    bool shouldLogObject(CQORDetailedLogData& data);
    // The one way a record is written: selected as its form says (pDetailed, the same block as
    // data, for a detailed record, else null), then handed to the outputs; sets the logged flag
    // on success and leaves the thread's last-error value as it found it.
    bool logData(CQORLogData& data, CQORDetailedLogData* pDetailed);

    bool m_bLogOnDestroy;
    USHORT m_usOutputMask;
    bool m_bLogged;
};

// The convention of every library method: a caught record is written once, whatever
// else is caught becomes an unhandled-exception record. Both return nothing to the caller.
void qorReportCaught(CQORLogging& caught);
void qorReportUnhandled(LONG lCode, LPCWSTR szSourceFile, ULONG ulLine);

// Ends a try block with the two handlers of the convention and returns failResult.
#define QOR_CATCH_RETURN(failResult, unhandledCode)                                                \
    catch (CQORLogging & qorCaught)                                                                \
    {                                                                                              \
        qorReportCaught(qorCaught);                                                                \
        return failResult;                                                                         \
    }                                                                                              \
    catch (...)                                                                                    \
    {                                                                                              \
        qorReportUnhandled(unhandledCode, QOR_HERE);                                               \
        return failResult;                                                                         \
    }

// Ends a try block with a single catch-all: whatever was raised (a library record has
// already written itself) is also recorded as an unhandled exception.
#define QOR_CATCH_ANY_RETURN(failResult, unhandledCode)                                            \
    catch (...)                                                                                    \
    {                                                                                              \
        qorReportUnhandled(unhandledCode, QOR_HERE);                                               \
        return failResult;                                                                         \
    }

// Ends a try block with the two handlers of the convention and carries on after it.
#define QOR_CATCH_REPORT(unhandledCode)                                                            \
    catch (CQORLogging & qorCaught)                                                                \
    {                                                                                              \
        qorReportCaught(qorCaught);                                                                \
    }                                                                                              \
    catch (...)                                                                                    \
    {                                                                                              \
        qorReportUnhandled(unhandledCode, QOR_HERE);                                               \
    }
