#include "qor_log_engine.h"

#include "qor_logging_config.h"
#include "qor_logging_outputs.h"
#include "qor_registry_dword.h"

namespace
{

// The process-wide tracing switch: read at first use and never again.
enum
{
    DYNAMIC_NOT_READ = 0,
    DYNAMIC_ON = 1,
    DYNAMIC_OFF = 2
};
int g_iDynamicLogging = DYNAMIC_NOT_READ;

// Module names are fetched into this many units.
const ULONG kModuleNameUnits = 512;

// The engine configured by the logging key, read afresh for every record.
class CQORRegistryLogEngine : public CQORLogEngine
{
public:
    bool isLoggingOn() override { return m_config.isLoggingOn(); }
    bool isDynamicLoggingOn() override;
    bool shouldLog(CQORLogData& data, USHORT& usOutputMask) override;
    bool isObjectSelected(const CQORDetailedLogData& data) override;
    bool writeDetailed(USHORT usOutputMask, CQORDetailedLogData& data) override
    {
        return m_outputs.writeDetailed(usOutputMask, data);
    }
    bool writeSimple(USHORT usOutputMask, CQORLogData& data) override
    {
        return m_outputs.writeSimple(usOutputMask, data);
    }

private:
    CQORLoggingConfig m_config;
    CQORLoggingOutputs m_outputs;
};

bool CQORRegistryLogEngine::isDynamicLoggingOn()
{
    if (g_iDynamicLogging == DYNAMIC_NOT_READ)
    {
        // Off first: the read below may itself log or trace, and must find the switch set.
        g_iDynamicLogging = DYNAMIC_OFF;
        try
        {
            CQORRegistryDword dynamicLogging(
                HKEY_LOCAL_MACHINE, CQORWCharString(TEXT("SOFTWARE\\Arvenne\\Logs")),
                CQORWCharString(TEXT("DynamicLogging")), KEY_READ, false, 0);
            DWORD dwValue = 0;
            if (dynamicLogging.getValue(dwValue, false) && dwValue == 1)
                g_iDynamicLogging = DYNAMIC_ON;
        }
        catch (...)
        {
            // An unreadable switch leaves tracing off.
        }
    }
    return g_iDynamicLogging == DYNAMIC_ON;
}

// Whether an exit record passes the narrowing bits of the detail mask.
bool isExitSelected(USHORT usDetail, const CQORLogData& data)
{
    const USHORT usNarrowing =
        QOR_DETAIL_EXIT_ERROR_SET | QOR_DETAIL_EXIT_FAILED | QOR_DETAIL_EXIT_FALSE;
    LONG lCode = data.getCode();
    switch (data.getCodeKind())
    {
    case QOR_CODE_ERROR:
        if (usDetail & QOR_DETAIL_EXIT_ERROR_SET)
            return lCode != 0;
        break;
    case QOR_CODE_PASS_FAIL:
        if (usDetail & QOR_DETAIL_EXIT_FAILED)
            return (lCode & 0xFF) == 0;
        break;
    case QOR_CODE_LOGICAL:
        if (usDetail & QOR_DETAIL_EXIT_FALSE)
            return (lCode & 0xFF) == 0;
        break;
    default:
        break;
    }
    // A kind without a bit of its own is written only when no narrowing is asked for.
    return (usDetail & usNarrowing) == 0;
}

bool CQORRegistryLogEngine::shouldLog(CQORLogData& data, USHORT& usOutputMask)
{
    if (!m_config.isLoggingOn())
        return false;
    LPCWSTR szModuleName = data.getModuleName();
    if (szModuleName == nullptr || szModuleName[0] == 0)
    {
        WCHAR szName[kModuleNameUnits];
        if (!CQORLoggingConfig::getModuleName(szName) || !data.setModuleName(szName))
            return false;
        szModuleName = data.getModuleName();
    }
    // A module of its own goes to the outputs its value names, whatever the record's type.
    if (m_config.hasModuleValue(szModuleName))
    {
        usOutputMask = m_config.getModuleOutputMask(szModuleName);
        return true;
    }
    USHORT usDetail = m_config.getLogDetail();
    ULONG ulType = data.getType();
    if ((ulType & ~static_cast<ULONG>(usDetail)) != 0)
        return false;
    if (ulType == QOR_LOG_EXIT)
        return isExitSelected(usDetail, data);
    return true;
}

bool CQORRegistryLogEngine::isObjectSelected(const CQORDetailedLogData& data)
{
    LPCWSTR szObjectName = data.getObjectName();
    if (szObjectName == nullptr || szObjectName[0] == 0)
        return true;
    bool bFound = false;
    if (m_config.isObjectAllowed(szObjectName, bFound))
        return bFound;
    if (m_config.isObjectExcluded(szObjectName, bFound))
        return !bFound;
    return true;
}

CQORRegistryLogEngine g_builtInEngine;
CQORLogEngine* g_pEngine = &g_builtInEngine;

} // namespace

CQORLogEngine& qorLogEngine()
{
    return *g_pEngine;
}

CQORLogEngine* qorSetLogEngine(CQORLogEngine* pEngine)
{
    CQORLogEngine* pPrevious = g_pEngine;
    g_pEngine = pEngine != nullptr ? pEngine : &g_builtInEngine;
    return pPrevious;
}
