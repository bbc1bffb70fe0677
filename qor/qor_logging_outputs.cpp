#include "qor_logging_outputs.h"

#include "qor_logging_output_text.h"

bool CQORLoggingOutputXML::write(CQORLogData&)
{
    return false;
}

bool CQORLoggingOutputServer::write(CQORLogData&)
{
    return false;
}

bool CQORLoggingOutputUnknown::write(CQORLogData&)
{
    return false;
}

bool CQORLoggingOutputs::writeDetailed(USHORT usOutputMask, CQORDetailedLogData& data)
{
    return write(usOutputMask, data, true);
}

bool CQORLoggingOutputs::writeSimple(USHORT usOutputMask, CQORLogData& data)
{
    return write(usOutputMask, data, false);
}

bool CQORLoggingOutputs::write(USHORT usOutputMask, CQORLogData& data, bool bDetailed)
{
    bool bResult = false;
    if (usOutputMask & QOR_OUTPUT_TEXT)
    {
        CQORLoggingOutputText output;
        bResult = bDetailed ? output.writeDetailed(static_cast<CQORDetailedLogData&>(data))
                            : output.writeSimple(data);
    }
    if (usOutputMask & QOR_OUTPUT_XML)
    {
        CQORLoggingOutputXML output;
        bResult = output.write(data);
    }
    if (usOutputMask & QOR_OUTPUT_HTML)
    {
        CQORLoggingOutputXML output;
        bResult = output.write(data);
    }
    if (usOutputMask & QOR_OUTPUT_SERVER)
    {
        CQORLoggingOutputServer output;
        bResult = output.write(data);
    }
    if (usOutputMask & QOR_OUTPUT_UNKNOWN)
    {
        CQORLoggingOutputUnknown output;
        bResult = output.write(data);
    }
    return bResult;
}
