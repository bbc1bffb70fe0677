// CQORLoggingOutputs: hands a selected record to each output its mask names, in a fixed
// order, and the outputs that have no target of their own.
#pragma once

#include "qor_log_data.h"

class CQORLoggingOutputs
{
public:
    // Text, XML, HTML, server, unknown: the result is that of the last output called, false
    // when the mask names none. Only the low byte of the mask counts.
    bool writeDetailed(USHORT usOutputMask, CQORDetailedLogData& data);
    bool writeSimple(USHORT usOutputMask, CQORLogData& data);

private:
    bool write(USHORT usOutputMask, CQORLogData& data, bool bDetailed);
};

// Outputs 0x02 and 0x08: no XML or HTML log is kept.
class CQORLoggingOutputXML
{
public:
    virtual ~CQORLoggingOutputXML() {}
    virtual bool write(CQORLogData& data);
};

// Output 0x04: no log server is known.
class CQORLoggingOutputServer
{
public:
    virtual ~CQORLoggingOutputServer() {}
    virtual bool write(CQORLogData& data);
};

// Output 0x20.
class CQORLoggingOutputUnknown
{
public:
    virtual ~CQORLoggingOutputUnknown() {}
    virtual bool write(CQORLogData& data);
};
