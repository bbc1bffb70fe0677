// The two questions a record asks before it is written (is it selected, and where does it
// go) and the outputs that write it. The registry-configured engine answers them; tests may
// put their own engine in its place.
#pragma once

#include "qor_log_data.h"

class CQORLogEngine
{
public:
    virtual ~CQORLogEngine() {}

    // The "Logging" master switch.
    virtual bool isLoggingOn() = 0;
    // The process-wide entry/exit tracing switch, read once.
    virtual bool isDynamicLoggingOn() = 0;
    // The level check. May name the record's module and replace its output mask.
    virtual bool shouldLog(CQORLogData& data, USHORT& usOutputMask) = 0;
    // The object filter applied after the level check to detailed records.
    virtual bool isObjectSelected(const CQORDetailedLogData& data) = 0;
    // The dispatcher: true when the last output called wrote the record.
    virtual bool writeDetailed(USHORT usOutputMask, CQORDetailedLogData& data) = 0;
    virtual bool writeSimple(USHORT usOutputMask, CQORLogData& data) = 0;
};

// The engine records ask; never null.
CQORLogEngine& qorLogEngine();

// Puts another engine in place (null restores the built-in one); returns the previous one.
CQORLogEngine* qorSetLogEngine(CQORLogEngine* pEngine);
