#include "views/MemoryFormRows.h"

#include "resources/Resource.h"

namespace {

constexpr MEMFORMCELL Lbl(unsigned nId)
{
    MEMFORMCELL c;
    c.eKind = MEMFORMCELL::Label;
    c.nLabelId = nId;
    return c;
}
constexpr MEMFORMCELL Dash()
{
    MEMFORMCELL c;
    c.eKind = MEMFORMCELL::NoValue;
    return c;
}
constexpr MEMFORMCELL Txt(QString STOREMEM::*p)
{
    MEMFORMCELL c;
    c.eKind = MEMFORMCELL::Text;
    c.pText = p;
    return c;
}
constexpr MEMFORMCELL Flt(float STOREMEM::*p)
{
    MEMFORMCELL c;
    c.eKind = MEMFORMCELL::Float;
    c.pFloat = p;
    return c;
}
constexpr MEMFORMCELL Int(std::int32_t STOREMEM::*p)
{
    MEMFORMCELL c;
    c.eKind = MEMFORMCELL::Integer;
    c.pInt = p;
    return c;
}
constexpr MEMFORMCELL Abc(int nAbc, float ABCMEM::*p)
{
    MEMFORMCELL c;
    c.eKind = MEMFORMCELL::Abc;
    c.nAbc = nAbc;
    c.pAbcFloat = p;
    return c;
}
constexpr MEMFORMCELL None()
{
    return MEMFORMCELL();
}

} // namespace

// The A, B and C blocks show the ranges LOW to HIGH left to right and list
// current, power, voltage, conductance; ABCMEM keeps them the other way
// round. The MEDium voltage has no cell.
#define ABC_BLOCK(n, label)                                                                                  \
    {MEMFORMROW::Header, label, {Lbl(IDS_RANGE_LOW), Lbl(IDS_RANGE_MEDIUM), Lbl(IDS_RANGE_HIGH)}},           \
        {MEMFORMROW::Data,                                                                                   \
         IDS_ROW_CURRENT,                                                                                    \
         {Abc(n, &ABCMEM::Curr_L), Abc(n, &ABCMEM::Curr_M), Abc(n, &ABCMEM::Curr_H)}},                       \
        {MEMFORMROW::Data,                                                                                   \
         IDS_ROW_POWER,                                                                                      \
         {Abc(n, &ABCMEM::Pow_L), Abc(n, &ABCMEM::Pow_M), Abc(n, &ABCMEM::Pow_H)}},                          \
        {MEMFORMROW::Data, IDS_ROW_VOLTAGE, {Abc(n, &ABCMEM::Volt_L), Dash(), Abc(n, &ABCMEM::Volt_H)}},     \
    {                                                                                                        \
        MEMFORMROW::Data, IDS_ROW_CONDUCTANCE,                                                               \
        {                                                                                                    \
            Abc(n, &ABCMEM::Cond_L), Abc(n, &ABCMEM::Cond_M), Abc(n, &ABCMEM::Cond_H)                        \
        }                                                                                                    \
    }

const MEMFORMROW g_MemFormRows[MEMFORM_ROWS] = {
    {MEMFORMROW::Group, IDS_GROUP_DEFAULT, {None(), None(), None()}},
    {MEMFORMROW::Header, IDS_HDR_ITEM, {Lbl(IDS_HDR_SETTINGS), None(), None()}},
    {MEMFORMROW::Data, IDS_ROW_MEMO, {Txt(&STOREMEM::Memo), None(), None()}},
    {MEMFORMROW::Data, IDS_ROW_MODE, {Txt(&STOREMEM::Mode), None(), None()}},
    {MEMFORMROW::Data, IDS_ROW_CRANGE, {Txt(&STOREMEM::Crange), None(), None()}},
    {MEMFORMROW::Data, IDS_ROW_VRANGE, {Txt(&STOREMEM::Vrange), None(), None()}},
    {MEMFORMROW::Header, IDS_HDR_ITEM, {Lbl(IDS_HDR_SETTINGS), Lbl(IDS_HDR_PROTECTION), Lbl(IDS_HDR_ACTION)}},
    {MEMFORMROW::Data,
     IDS_ROW_CURRENT,
     {Flt(&STOREMEM::Curr), Flt(&STOREMEM::CurrProtect), Txt(&STOREMEM::CurrProtectAction)}},
    {MEMFORMROW::Data,
     IDS_ROW_POWER,
     {Flt(&STOREMEM::Pow), Flt(&STOREMEM::PowProtect), Txt(&STOREMEM::PowProtectAction)}},
    {MEMFORMROW::Data, IDS_ROW_VOLTAGE, {Flt(&STOREMEM::Volt), Flt(&STOREMEM::VoltProtect), Dash()}},
    {MEMFORMROW::Data, IDS_ROW_CONDUCTANCE, {Flt(&STOREMEM::Cond), Dash(), Dash()}},
    {MEMFORMROW::Group, IDS_GROUP_OTHER, {None(), None(), None()}},
    {MEMFORMROW::Header, IDS_HDR_ITEM, {Lbl(IDS_HDR_SETTINGS), None(), None()}},
    {MEMFORMROW::Data, IDS_ROW_SOFTSTART, {Flt(&STOREMEM::SoftStartTime), None(), None()}},
    {MEMFORMROW::Data, IDS_ROW_COUNTTIME, {Int(&STOREMEM::CountTime), None(), None()}},
    {MEMFORMROW::Data, IDS_ROW_RESPONSE, {Int(&STOREMEM::Response), None(), None()}},
    {MEMFORMROW::Data, IDS_ROW_SLEWRATE, {Flt(&STOREMEM::SlewRate), None(), None()}},
    {MEMFORMROW::Data, IDS_ROW_PULSEFREQ, {Flt(&STOREMEM::PulseFreq), None(), None()}},
    {MEMFORMROW::Data, IDS_ROW_PULSEDUTY, {Flt(&STOREMEM::PulseDuty), None(), None()}},
    {MEMFORMROW::Data, IDS_ROW_INPUTTIME, {Flt(&STOREMEM::InputTime), None(), None()}},
    {MEMFORMROW::Group, IDS_GROUP_ABC, {None(), None(), None()}},
    ABC_BLOCK(0, IDS_A_MEMORY),
    ABC_BLOCK(1, IDS_B_MEMORY),
    ABC_BLOCK(2, IDS_C_MEMORY),
};
