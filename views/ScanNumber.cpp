#include "views/ScanNumber.h"

#include <cstdint>
#include <cwchar>
#include <limits>
#include <string>

bool ScanLong(const QString& str, long& n)
{
    const std::wstring wstr = str.toStdWString();
    wchar_t* pEnd = nullptr;
    const long long nValue = std::wcstoll(wstr.c_str(), &pEnd, 10);
    if (pEnd == wstr.c_str())
        return false;
    if (nValue > std::numeric_limits<std::int32_t>::max())
        n = std::numeric_limits<std::int32_t>::max();
    else if (nValue < std::numeric_limits<std::int32_t>::min())
        n = std::numeric_limits<std::int32_t>::min();
    else
        n = static_cast<long>(nValue);
    return true;
}
