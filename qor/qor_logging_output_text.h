// CQORLoggingOutputText: one line per record, appended to the UTF-16 text log named by the
// record's output path (or the logging key's "TextOutput").
#pragma once

#include "qor_log_data.h"

class CQORLoggingOutputText
{
public:
    virtual ~CQORLoggingOutputText() {}

    // True when the line was written; the record's output path is filled from the
    // configuration when absent.
    virtual bool writeDetailed(CQORDetailedLogData& data);
    virtual bool writeSimple(CQORLogData& data);
};
