#include "recording_engine.h"

#include "test_text.h"

namespace
{
std::string baseName(LPCWSTR szPath)
{
    std::string strPath = utf8(szPath);
    size_t nSlash = strPath.find_last_of("/\\");
    return nSlash == std::string::npos ? strPath : strPath.substr(nSlash + 1);
}
} // namespace

bool CRecordingEngine::writeDetailed(USHORT, CQORDetailedLogData& data)
{
    records.push_back({true, data.getType(), utf8(data.getMessage()), data.getCodeKind(),
                       data.getCode(), utf8(data.getObjectName()), utf8(data.getFunctionName()),
                       baseName(data.getSourceFile()), data.getLine(), utf8(data.getSourceFile())});
    return true;
}

bool CRecordingEngine::writeSimple(USHORT, CQORLogData& data)
{
    records.push_back({false, data.getType(), utf8(data.getMessage()), data.getCodeKind(),
                       data.getCode(), "", "", "", 0, ""});
    return true;
}

std::vector<SWrittenRecord> CRecordingEngine::ofType(ULONG ulType) const
{
    std::vector<SWrittenRecord> vecFound;
    for (const SWrittenRecord& record : records)
    {
        if (record.ulType == ulType)
            vecFound.push_back(record);
    }
    return vecFound;
}
