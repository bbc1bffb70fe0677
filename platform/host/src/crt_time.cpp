// The C runtime's wide time text.
#include <windows.h>

#include <cstdio>

WCHAR* _wctime(const time_t* sourceTime)
{
    static thread_local WCHAR s_szText[26];
    static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    struct tm local;
    if (sourceTime == nullptr || localtime_r(sourceTime, &local) == nullptr ||
        local.tm_year + 1900 > 9999 || local.tm_year < 70)
        return nullptr;
    char szText[64];
    // msvcrt pads the day of month with a zero where the C standard pads with a space.
    snprintf(szText, sizeof(szText), "%s %s %02d %02d:%02d:%02d %04d\n", kDays[local.tm_wday],
             kMonths[local.tm_mon], local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
             local.tm_year + 1900);
    for (size_t i = 0; i < 26; ++i)
        s_szText[i] = static_cast<unsigned char>(szText[i]);
    return s_szText;
}
