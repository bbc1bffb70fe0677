// The machine's registry.reg reader on any bytes: no crash, no undefined behaviour, and
// what it read is written out and read back unchanged, so the file the host rewrites after
// each change keeps every key and value it loaded.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_text.h"
#include "host_registry.h"

namespace
{

// Removals ("name"=-) are instructions, not content: the writer never has any to write.
std::vector<qorhost::RegFileSection> contentOf(std::vector<qorhost::RegFileSection> vecSections)
{
    for (qorhost::RegFileSection& section : vecSections)
    {
        std::vector<qorhost::RegFileValue> vecKept;
        for (const qorhost::RegFileValue& value : section.vecValues)
        {
            if (!value.bDelete)
                vecKept.push_back(value);
        }
        section.vecValues = vecKept;
    }
    return vecSections;
}

bool sameContent(const std::vector<qorhost::RegFileSection>& vecLeft,
                 const std::vector<qorhost::RegFileSection>& vecRight)
{
    if (vecLeft.size() != vecRight.size())
        return false;
    for (size_t i = 0; i < vecLeft.size(); ++i)
    {
        const qorhost::RegFileSection& left = vecLeft[i];
        const qorhost::RegFileSection& right = vecRight[i];
        if (left.strPath != right.strPath || left.bDelete != right.bDelete ||
            left.vecValues.size() != right.vecValues.size())
            return false;
        for (size_t k = 0; k < left.vecValues.size(); ++k)
        {
            const qorhost::RegFileValue& a = left.vecValues[k];
            const qorhost::RegFileValue& b = right.vecValues[k];
            if (a.strName != b.strName || a.dwType != b.dwType || a.vecData != b.vecData)
                return false;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    std::vector<qorhost::RegFileSection> vecSections;
    if (!qorhost::parseRegFile(std::string(reinterpret_cast<const char*>(pData), nSize),
                               vecSections))
        return 0;
    std::vector<qorhost::RegFileSection> vecContent = contentOf(vecSections);
    std::vector<qorhost::RegFileSection> vecAgain;
    FUZZ_CHECK(qorhost::parseRegFile(qorhost::formatRegFile(vecContent), vecAgain));
    FUZZ_CHECK(sameContent(vecContent, vecAgain));
    return 0;
}
