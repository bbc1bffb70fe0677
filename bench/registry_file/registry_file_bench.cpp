// How importing a registry text file grows with its size: one key of N values, and N keys of
// one value each, each file written as the exporter writes it and imported into a fresh
// in-memory machine; beside it the export of one key of N values, which writes every entry
// through its own profile call. Prints the median wall-clock time per size and per value (on
// a shared machine the CPU time is the steadier, also printed). A size whose round takes
// longer than the limit is reported as such and the larger sizes of that column are skipped.
//
//   registry_file_bench [--rounds N] [--limit SECONDS] [--no-export] [VALUES ...]
//   (default 100 1000 5000 10000 100000)
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "qor_host.h"
#include "qor_registry_file.h"

namespace
{

const WCHAR kFile[] = TEXT("C:\\bench\\import.qreg");
const WCHAR kExportFile[] = TEXT("C:\\bench\\export.qreg");
const char kKeyPath[] = "Software\\Bench";

std::u16string wide(const std::string& strText)
{
    return std::u16string(strText.begin(), strText.end());
}

// The entry text of value i: the plain forms in turn, as the exporter writes them.
std::string entryOf(unsigned long i)
{
    char szEntry[96];
    switch (i % 3)
    {
    case 0:
        std::snprintf(szEntry, sizeof(szEntry), "v%lu=REG_DWORD:0x%08lX", i, i);
        break;
    case 1:
        std::snprintf(szEntry, sizeof(szEntry), "v%lu=REG_SZ:\"text %lu\"", i, i);
        break;
    default:
        std::snprintf(szEntry, sizeof(szEntry), "v%lu=REG_BINARY:%02lX 01 02 03 FF", i, i & 0xFF);
        break;
    }
    return szEntry;
}

// One key of N values, or N keys of one value each.
std::u16string fileText(unsigned long ulValues, bool bOneKey)
{
    std::string strText;
    for (unsigned long i = 0; i < ulValues; ++i)
    {
        if (i == 0 || !bOneKey)
            strText += "[HKEY_CURRENT_USER\\" + std::string(kKeyPath) +
                       (bOneKey ? "" : "\\k" + std::to_string(i)) + "]\r\n";
        strText += entryOf(i) + "\r\n";
    }
    return wide(strText);
}

bool writeFile(LPCWSTR szPath, const std::u16string& strText)
{
    CreateDirectoryW(TEXT("C:\\bench"), nullptr);
    HANDLE hFile = CreateFileW(szPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return false;
    std::string strBytes = "\xFF\xFE";
    for (char16_t ch : strText)
    {
        strBytes += static_cast<char>(ch & 0xFF);
        strBytes += static_cast<char>(ch >> 8);
    }
    DWORD dwWritten = 0;
    bool bWritten = WriteFile(hFile, strBytes.data(), static_cast<DWORD>(strBytes.size()),
                              &dwWritten, nullptr) &&
                    dwWritten == strBytes.size();
    CloseHandle(hFile);
    return bWritten;
}

// Values below the benchmark's key, its subkeys included.
unsigned long valueCount(HKEY hKey)
{
    DWORD dwValues = 0;
    DWORD dwSubKeys = 0;
    if (RegQueryInfoKeyW(hKey, nullptr, nullptr, nullptr, &dwSubKeys, nullptr, nullptr, &dwValues,
                         nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return 0;
    unsigned long ulCount = dwValues;
    WCHAR szName[256];
    for (DWORD i = 0; i < dwSubKeys; ++i)
    {
        DWORD dwName = 256;
        HKEY hSub = nullptr;
        if (RegEnumKeyExW(hKey, i, szName, &dwName, nullptr, nullptr, nullptr, nullptr) ==
                ERROR_SUCCESS &&
            RegOpenKeyExW(hKey, szName, 0, KEY_READ, &hSub) == ERROR_SUCCESS)
        {
            ulCount += valueCount(hSub);
            RegCloseKey(hSub);
        }
    }
    return ulCount;
}

unsigned long importedValues()
{
    HKEY hKey = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, wide(kKeyPath).c_str(), 0, KEY_READ, &hKey) !=
        ERROR_SUCCESS)
        return 0;
    unsigned long ulCount = valueCount(hKey);
    RegCloseKey(hKey);
    return ulCount;
}

double cpuSeconds()
{
    timespec time;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &time);
    return time.tv_sec + time.tv_nsec / 1e9;
}

struct STiming
{
    double dWall = 0;
    double dCpu = 0;
};

template <typename Work> STiming timed(Work work)
{
    STiming timing;
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    double dCpuStart = cpuSeconds();
    work();
    timing.dCpu = cpuSeconds() - dCpuStart;
    timing.dWall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return timing;
}

// One import on a fresh machine; false when not every value arrived.
bool timeImport(unsigned long ulValues, bool bOneKey, STiming& timing)
{
    qorhost::resetMachine();
    if (!writeFile(kFile, fileText(ulValues, bOneKey)))
        return false;
    bool bRead = false;
    timing = timed([&bRead] { bRead = CQORRegistryFile(kFile).readFile(); });
    return bRead && importedValues() == ulValues;
}

// One export of the key of N values, imported first.
bool timeExport(unsigned long ulValues, STiming& timing)
{
    STiming import;
    if (!timeImport(ulValues, true, import))
        return false;
    bool bWritten = false;
    timing = timed(
        [&bWritten]
        {
            bWritten = CQORRegistryFile(kExportFile)
                           .writeFile(HKEY_CURRENT_USER, wide(kKeyPath).c_str(), true);
        });
    return bWritten;
}

STiming median(std::vector<STiming> vecTimings)
{
    std::sort(vecTimings.begin(), vecTimings.end(),
              [](const STiming& a, const STiming& b) { return a.dWall < b.dWall; });
    return vecTimings[vecTimings.size() / 2];
}

// One column of the table: "ms (us/value)", or why there is no figure. A round cannot be
// cut short, so a size whose round would take longer than the limit, judged from the last
// size by the growth the column is expected to show, is not started.
class CColumn
{
public:
    CColumn(int nRounds, double dLimit, double dGrowth)
        : m_nRounds(nRounds), m_dLimit(dLimit), m_dGrowth(dGrowth)
    {
    }

    template <typename Round> std::string measure(unsigned long ulValues, Round round)
    {
        if (m_bStopped)
            return "-";
        if (m_ulLastValues != 0 &&
            m_dLastWall * std::pow(double(ulValues) / m_ulLastValues, m_dGrowth) > m_dLimit)
        {
            m_bStopped = true;
            return "> " + std::to_string(static_cast<int>(m_dLimit)) + " s (expected)";
        }
        std::vector<STiming> vecTimings;
        for (int i = 0; i < m_nRounds; ++i)
        {
            STiming timing;
            if (!round(ulValues, timing))
                return "FAILED";
            vecTimings.push_back(timing);
            if (timing.dWall > m_dLimit)
            {
                m_bStopped = true;
                return "> " + std::to_string(static_cast<int>(m_dLimit)) + " s";
            }
        }
        STiming middle = median(vecTimings);
        m_ulLastValues = ulValues;
        m_dLastWall = middle.dWall;
        char szCell[64];
        std::snprintf(szCell, sizeof(szCell), "%.0f ms (%.1f us) cpu %.0f", middle.dWall * 1000,
                      middle.dWall * 1e6 / ulValues, middle.dCpu * 1000);
        return szCell;
    }

private:
    int m_nRounds;
    double m_dLimit;
    double m_dGrowth;
    bool m_bStopped = false;
    unsigned long m_ulLastValues = 0;
    double m_dLastWall = 0;
};

} // namespace

int main(int argc, char** argv)
{
    int nRounds = 3;
    double dLimit = 60;
    bool bExport = true;
    std::vector<unsigned long> vecSizes;
    for (int i = 1; i < argc; ++i)
    {
        if (std::strcmp(argv[i], "--rounds") == 0 && i + 1 < argc)
            nRounds = std::max(1, std::atoi(argv[++i]));
        else if (std::strcmp(argv[i], "--limit") == 0 && i + 1 < argc)
            dLimit = std::atof(argv[++i]);
        else if (std::strcmp(argv[i], "--no-export") == 0)
            bExport = false;
        else
            vecSizes.push_back(std::strtoul(argv[i], nullptr, 10));
    }
    if (vecSizes.empty())
        vecSizes = {100, 1000, 5000, 10000, 100000};

    // Import is to grow with the file; export writes the whole file for every entry.
    CColumn oneKey(nRounds, dLimit, 1);
    CColumn manyKeys(nRounds, dLimit, 1);
    CColumn exportKey(nRounds, dLimit, 2);
    std::printf("%8s  %-32s %-32s %-32s\n", "values", "import: one key", "import: one key each",
                "export: one key");
    for (unsigned long ulValues : vecSizes)
    {
        std::string strOneKey = oneKey.measure(ulValues, [](unsigned long ulCount, STiming& timing)
                                               { return timeImport(ulCount, true, timing); });
        std::string strManyKeys =
            manyKeys.measure(ulValues, [](unsigned long ulCount, STiming& timing)
                             { return timeImport(ulCount, false, timing); });
        std::string strExport = bExport ? exportKey.measure(ulValues, timeExport) : "-";
        std::printf("%8lu  %-32s %-32s %-32s\n", ulValues, strOneKey.c_str(), strManyKeys.c_str(),
                    strExport.c_str());
        std::fflush(stdout);
    }
    return 0;
}
