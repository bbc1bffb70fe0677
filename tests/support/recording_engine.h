// A logging engine for tests: selects every record (or none), remembers what it wrote.
#pragma once

#include <string>
#include <vector>

#include "qor_log_engine.h"

struct SWrittenRecord
{
    bool bDetailed;
    ULONG ulType;
    std::string strMessage;
    ULONG ulCodeKind;
    LONG lCode;
    std::string strObject;
    std::string strFunction;
    std::string strSourceFile; // the name alone
    ULONG ulLine;
    std::string strSourcePath; // as the record carries it
};

class CRecordingEngine : public CQORLogEngine
{
public:
    bool bLoggingOn = true;
    bool bDynamicLoggingOn = false;
    bool bSelect = true;
    int nTraceChecks = 0;
    std::vector<SWrittenRecord> records;

    bool isLoggingOn() override { return bLoggingOn; }
    bool isDynamicLoggingOn() override
    {
        ++nTraceChecks;
        return bDynamicLoggingOn;
    }
    bool shouldLog(CQORLogData&, USHORT&) override { return bLoggingOn && bSelect; }
    bool isObjectSelected(const CQORDetailedLogData&) override { return true; }
    bool writeDetailed(USHORT usOutputMask, CQORDetailedLogData& data) override;
    bool writeSimple(USHORT usOutputMask, CQORLogData& data) override;

    // Records of one type, in the order written.
    std::vector<SWrittenRecord> ofType(ULONG ulType) const;
};

// Puts a recording engine in place for the life of the object.
class CRecordingEngineScope
{
public:
    CRecordingEngineScope() : m_pPrevious(qorSetLogEngine(&engine)) {}
    ~CRecordingEngineScope() { qorSetLogEngine(m_pPrevious); }
    CRecordingEngine engine;

private:
    CQORLogEngine* m_pPrevious;
};
