#include "model/StoreMemFields.h"

namespace {

constexpr STOREMEMFIELD Text(const char* pszName, QString STOREMEM::*p)
{
    return {{p}, pszName, FIELD_TEXT, 0};
}

constexpr STOREMEMFIELD Float(const char* pszName, float STOREMEM::*p, short nPrecision = 4)
{
    return {{p}, pszName, FIELD_FLOAT, nPrecision};
}

constexpr STOREMEMFIELD Int(const char* pszName, EStoreMemFieldKind kind, std::int32_t STOREMEM::*p)
{
    return {{p}, pszName, kind, 0};
}

} // namespace

const STOREMEMFIELD g_StoreMemFields[STOREMEM_FIELD_COUNT] = {
    Text("Memo", &STOREMEM::Memo),
    Text("Mode", &STOREMEM::Mode),
    Text("Vrange", &STOREMEM::Vrange),
    Text("Crange", &STOREMEM::Crange),
    Float("Curr", &STOREMEM::Curr),
    Float("CurrProtect", &STOREMEM::CurrProtect),
    Text("CurrProtectAction", &STOREMEM::CurrProtectAction),
    Float("Pow", &STOREMEM::Pow),
    Float("PowProtect", &STOREMEM::PowProtect),
    Text("PowProtectAction", &STOREMEM::PowProtectAction),
    Float("Volt", &STOREMEM::Volt),
    Float("VoltProtect", &STOREMEM::VoltProtect),
    Float("Cond", &STOREMEM::Cond, 6),
    Float("SoftStartTime", &STOREMEM::SoftStartTime),
    Int("CountTime", FIELD_COUNTTIME, &STOREMEM::CountTime),
    Int("Response", FIELD_RESPONSE, &STOREMEM::Response),
    Float("SlewRate", &STOREMEM::SlewRate),
    Float("PulseFreq", &STOREMEM::PulseFreq),
    Float("PulseDuty", &STOREMEM::PulseDuty),
    Float("InputTime", &STOREMEM::InputTime),
};

const ABCMEMFIELD g_AbcMemFields[ABCMEM_FIELD_COUNT] = {
    {"Curr_L", 4, &ABCMEM::Curr_L}, {"Curr_M", 4, &ABCMEM::Curr_M}, {"Curr_H", 4, &ABCMEM::Curr_H},
    {"Pow_L", 4, &ABCMEM::Pow_L},   {"Pow_M", 4, &ABCMEM::Pow_M},   {"Pow_H", 4, &ABCMEM::Pow_H},
    {"Cond_L", 6, &ABCMEM::Cond_L}, {"Cond_M", 6, &ABCMEM::Cond_M}, {"Cond_H", 6, &ABCMEM::Cond_H},
    {"Volt_L", 4, &ABCMEM::Volt_L}, {"Volt_M", 4, &ABCMEM::Volt_M}, {"Volt_H", 4, &ABCMEM::Volt_H},
};

const char* const g_AbcMemNames[3] = {"AMem", "BMem", "CMem"};

STOREMEMFIELDINFO DescribeField(const STOREMEMFIELDREF& field)
{
    for (const STOREMEMFIELD& f : g_StoreMemFields) {
        if (f == field)
            return {QLatin1String(f.pszName), f.nPrecision};
    }
    for (int nAbc = 0; nAbc < 3; ++nAbc) {
        for (const ABCMEMFIELD& f : g_AbcMemFields) {
            if (f.Of(nAbc) == field)
                return {QLatin1String(g_AbcMemNames[nAbc]) + QLatin1Char('/') + QLatin1String(f.pszName),
                        f.nPrecision};
        }
    }
    return {};
}
