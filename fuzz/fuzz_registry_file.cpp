// The registry text file read from any bytes, on a fresh in-memory machine: no crash, no
// leak, no undefined behaviour, and readFile succeeds. The keys and values it made are then
// written out again, so the writer meets whatever names and data the reader let through.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>

#include "qor_host.h"
#include "fuzz_text.h"
#include "qor_registry_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    qorhost::resetMachine();
    {
        std::ofstream file(qorhost::hostPath(TEXT("C:\\fuzz.ini")), std::ios::binary);
        file.write(reinterpret_cast<const char*>(pData), static_cast<std::streamsize>(nSize));
    }
    CQORRegistryFile input(TEXT("C:\\fuzz.ini"));
    FUZZ_CHECK(input.readFile());

    CQORRegistryFile output(TEXT("C:\\out\\again.ini"));
    FUZZ_CHECK(output.writeFile(HKEY_LOCAL_MACHINE, CQORWCharString(), true));
    FUZZ_CHECK(output.writeFile(HKEY_CURRENT_USER, CQORWCharString(), false));
    return 0;
}
