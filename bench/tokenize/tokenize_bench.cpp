// How long tokenizing takes as the text grows: splits "item0,item1,..." of each size on ","
// and prints the median wall-clock and CPU time per size (on a shared machine the CPU time
// is the steadier of the two). A size whose round takes longer than the limit is reported
// as such and the larger sizes are skipped.
//
//   tokenize_bench [--rounds N] [--limit SECONDS] [ITEMS ...]   (default 250 500 1000 10000)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "qor_string_list.h"

namespace
{

CQORWCharString itemText(unsigned long ulItems)
{
    std::u16string strText;
    for (unsigned long i = 0; i < ulItems; ++i)
    {
        if (i != 0)
            strText += u',';
        std::string strItem = "item" + std::to_string(i);
        strText.append(strItem.begin(), strItem.end());
    }
    std::vector<WCHAR> vecUnits(strText.begin(), strText.end());
    vecUnits.push_back(0);
    return CQORWCharString(vecUnits.data());
}

double cpuSeconds()
{
    timespec time;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &time);
    return time.tv_sec + time.tv_nsec / 1e9;
}

double median(std::vector<double> vecTimes)
{
    std::sort(vecTimes.begin(), vecTimes.end());
    return vecTimes[vecTimes.size() / 2];
}

// Wall and CPU seconds for one split; false when the tokens are not the items.
bool timeSplit(const CQORWCharString& strText, unsigned long ulItems, double& dWall, double& dCpu)
{
    CQORStringList list;
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    double dCpuStart = cpuSeconds();
    bool bSplit = strText.tokenize(list, CQORWCharString(TEXT(",")), tmSeparated, 0, 0);
    dCpu = cpuSeconds() - dCpuStart;
    dWall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return bSplit && list.m_ulCount == ulItems;
}

} // namespace

int main(int argc, char** argv)
{
    int nRounds = 5;
    double dLimit = 60;
    std::vector<unsigned long> vecSizes;
    for (int i = 1; i < argc; ++i)
    {
        if (std::strcmp(argv[i], "--rounds") == 0 && i + 1 < argc)
            nRounds = std::max(1, std::atoi(argv[++i]));
        else if (std::strcmp(argv[i], "--limit") == 0 && i + 1 < argc)
            dLimit = std::atof(argv[++i]);
        else
            vecSizes.push_back(std::strtoul(argv[i], nullptr, 10));
    }
    if (vecSizes.empty())
        vecSizes = {250, 500, 1000, 10000};

    std::printf("%10s %14s %14s\n", "items", "wall ms", "cpu ms");
    for (unsigned long ulItems : vecSizes)
    {
        CQORWCharString strText = itemText(ulItems);
        std::vector<double> vecWall;
        std::vector<double> vecCpu;
        for (int nRound = 0; nRound < nRounds; ++nRound)
        {
            double dWall = 0;
            double dCpu = 0;
            if (!timeSplit(strText, ulItems, dWall, dCpu))
            {
                std::printf("%10lu %14s\n", ulItems, "wrong tokens");
                return 1;
            }
            vecWall.push_back(dWall);
            vecCpu.push_back(dCpu);
            if (dWall > dLimit)
            {
                std::printf("%10lu %14s\n", ulItems,
                            ("> " + std::to_string(int(dLimit)) + " s").c_str());
                return 0;
            }
        }
        std::printf("%10lu %14.3f %14.3f\n", ulItems, median(vecWall) * 1000,
                    median(vecCpu) * 1000);
    }
    return 0;
}
