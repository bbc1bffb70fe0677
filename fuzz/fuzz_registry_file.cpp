// The registry text file read from any text, on a fresh in-memory machine: no crash, no
// leak, no undefined behaviour. The text is the body of the section of one small key (and
// may open others). What the reader lets through is names, types and bytes, and the writer
// meets every such value in fuzz_registry_roundtrip, which builds them straight from its input.
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>

#include "fuzz_registry.h"
#include "qor_host.h"
#include "qor_registry_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    CFuzzMachine machine;
    {
        std::u16string strText = u"\xFEFF[HKEY_CURRENT_USER\\Fuzz]\r\n";
        for (size_t i = 0; i + 1 < nSize; i += 2)
            strText += static_cast<char16_t>(pData[i] | pData[i + 1] << 8);
        std::ofstream file(qorhost::hostPath(TEXT("C:\\fuzz.ini")), std::ios::binary);
        file.write(reinterpret_cast<const char*>(strText.data()),
                   static_cast<std::streamsize>(strText.size() * sizeof(char16_t)));
    }
    (void)CQORRegistryFile(TEXT("C:\\fuzz.ini")).readFile();
    return 0;
}
