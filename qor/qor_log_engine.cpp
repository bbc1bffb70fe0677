#include "qor_log_engine.h"

namespace
{

// The engine of a machine whose registry holds no logging key: nothing is selected,
// nothing is written.
class CQORNoLoggingEngine : public CQORLogEngine
{
public:
    bool isLoggingOn() override { return false; }
    bool isDynamicLoggingOn() override { return false; }
    bool shouldLog(CQORLogData&, USHORT&) override { return false; }
    bool isObjectSelected(const CQORDetailedLogData&) override { return false; }
    bool writeDetailed(USHORT, CQORDetailedLogData&) override { return false; }
    bool writeSimple(USHORT, CQORLogData&) override { return false; }
};

CQORNoLoggingEngine g_builtInEngine;
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
