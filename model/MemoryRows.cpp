#include "model/MemoryRows.h"

#include "resources/Resource.h"
#include "resources/StringTable.h"
#include "xmlfile/XmlText.h"

#include <vector>

namespace {

MEMORYCELL Label(unsigned nId)
{
    MEMORYCELL c;
    c.kind = MEMCELL_LABEL;
    c.nLabelId = nId;
    return c;
}

MEMORYCELL NoValue()
{
    MEMORYCELL c;
    c.kind = MEMCELL_NO_VALUE;
    return c;
}

MEMORYCELL Text(QString STOREMEM::*p)
{
    MEMORYCELL c;
    c.kind = MEMCELL_TEXT;
    c.pText = p;
    return c;
}

MEMORYCELL Float(float STOREMEM::*p)
{
    MEMORYCELL c;
    c.kind = MEMCELL_FLOAT;
    c.pFloat = p;
    return c;
}

MEMORYCELL Int(std::int32_t STOREMEM::*p)
{
    MEMORYCELL c;
    c.kind = MEMCELL_INT;
    c.pInt = p;
    return c;
}

MEMORYCELL Abc(int nAbc, float ABCMEM::*p)
{
    MEMORYCELL c;
    c.kind = MEMCELL_ABC;
    c.nAbc = nAbc;
    c.pAbc = p;
    return c;
}

MEMORYROW Row(EMemoryRowKind kind, MEMORYCELL c0, MEMORYCELL c1 = {}, MEMORYCELL c2 = {}, MEMORYCELL c3 = {})
{
    return MEMORYROW{kind, {c0, c1, c2, c3}};
}

// The A, B and C blocks list current, power, voltage, conductance with the
// ranges from LOW to HIGH, left to right; the record keeps HIGH first and
// conductance before voltage. Volt_M is not shown.
void AddAbcBlock(std::vector<MEMORYROW>& rows, int nAbc, unsigned nTitleId)
{
    rows.push_back(Row(MEMROW_HEADER, Label(nTitleId), Label(IDS_RANGE_LOW), Label(IDS_RANGE_MEDIUM),
                       Label(IDS_RANGE_HIGH)));
    rows.push_back(Row(MEMROW_DATA, Label(IDS_ROW_CURRENT), Abc(nAbc, &ABCMEM::Curr_L),
                       Abc(nAbc, &ABCMEM::Curr_M), Abc(nAbc, &ABCMEM::Curr_H)));
    rows.push_back(Row(MEMROW_DATA, Label(IDS_ROW_POWER), Abc(nAbc, &ABCMEM::Pow_L),
                       Abc(nAbc, &ABCMEM::Pow_M), Abc(nAbc, &ABCMEM::Pow_H)));
    rows.push_back(Row(MEMROW_DATA, Label(IDS_ROW_VOLTAGE), Abc(nAbc, &ABCMEM::Volt_L), NoValue(),
                       Abc(nAbc, &ABCMEM::Volt_H)));
    rows.push_back(Row(MEMROW_DATA, Label(IDS_ROW_CONDUCTANCE), Abc(nAbc, &ABCMEM::Cond_L),
                       Abc(nAbc, &ABCMEM::Cond_M), Abc(nAbc, &ABCMEM::Cond_H)));
}

std::vector<MEMORYROW> BuildRows()
{
    std::vector<MEMORYROW> rows;
    rows.push_back(Row(MEMROW_GROUP, Label(IDS_GROUP_DEFAULT)));
    rows.push_back(Row(MEMROW_HEADER, Label(IDS_HDR_ITEM), Label(IDS_HDR_SETTINGS)));
    rows.push_back(Row(MEMROW_DATA, Label(IDS_ROW_MEMO), Text(&STOREMEM::Memo)));
    rows.push_back(Row(MEMROW_DATA, Label(IDS_ROW_MODE), Text(&STOREMEM::Mode)));
    rows.push_back(Row(MEMROW_DATA, Label(IDS_ROW_CRANGE), Text(&STOREMEM::Crange)));
    rows.push_back(Row(MEMROW_DATA, Label(IDS_ROW_VRANGE), Text(&STOREMEM::Vrange)));
    rows.push_back(Row(MEMROW_HEADER, Label(IDS_HDR_ITEM), Label(IDS_HDR_SETTINGS), Label(IDS_HDR_PROTECTION),
                       Label(IDS_HDR_ACTION)));
    rows.push_back(Row(MEMROW_DATA, Label(IDS_ROW_CURRENT), Float(&STOREMEM::Curr),
                       Float(&STOREMEM::CurrProtect), Text(&STOREMEM::CurrProtectAction)));
    rows.push_back(Row(MEMROW_DATA, Label(IDS_ROW_POWER), Float(&STOREMEM::Pow), Float(&STOREMEM::PowProtect),
                       Text(&STOREMEM::PowProtectAction)));
    rows.push_back(Row(MEMROW_DATA, Label(IDS_ROW_VOLTAGE), Float(&STOREMEM::Volt),
                       Float(&STOREMEM::VoltProtect), NoValue()));
    rows.push_back(
        Row(MEMROW_DATA, Label(IDS_ROW_CONDUCTANCE), Float(&STOREMEM::Cond), NoValue(), NoValue()));
    rows.push_back(Row(MEMROW_GROUP, Label(IDS_GROUP_OTHER)));
    rows.push_back(Row(MEMROW_HEADER, Label(IDS_HDR_ITEM), Label(IDS_HDR_SETTINGS)));
    rows.push_back(Row(MEMROW_DATA, Label(IDS_ROW_SOFTSTART), Float(&STOREMEM::SoftStartTime)));
    rows.push_back(Row(MEMROW_DATA, Label(IDS_ROW_COUNTTIME), Int(&STOREMEM::CountTime)));
    rows.push_back(Row(MEMROW_DATA, Label(IDS_ROW_RESPONSE), Int(&STOREMEM::Response)));
    rows.push_back(Row(MEMROW_DATA, Label(IDS_ROW_SLEWRATE), Float(&STOREMEM::SlewRate)));
    rows.push_back(Row(MEMROW_DATA, Label(IDS_ROW_PULSEFREQ), Float(&STOREMEM::PulseFreq)));
    rows.push_back(Row(MEMROW_DATA, Label(IDS_ROW_PULSEDUTY), Float(&STOREMEM::PulseDuty)));
    rows.push_back(Row(MEMROW_DATA, Label(IDS_ROW_INPUTTIME), Float(&STOREMEM::InputTime)));
    rows.push_back(Row(MEMROW_GROUP, Label(IDS_GROUP_ABC)));
    AddAbcBlock(rows, 0, IDS_A_MEMORY);
    AddAbcBlock(rows, 1, IDS_B_MEMORY);
    AddAbcBlock(rows, 2, IDS_C_MEMORY);
    return rows;
}

} // namespace

const MEMORYROW* MemoryRows()
{
    static const std::vector<MEMORYROW> s_Rows = BuildRows();
    static_assert(MEMORY_ROW_COUNT == 36);
    return s_Rows.data();
}

QString MemoryCellText(const MEMORYCELL& cell, const STOREMEM& m, const NumberFormatter& formatNumber)
{
    const auto number = [&](float f) {
        const QString str = QString::fromStdString(XmlText::FormatFixed(static_cast<double>(f), 4));
        return formatNumber ? formatNumber(str) : str;
    };
    switch (cell.kind) {
    case MEMCELL_EMPTY:
        return QString();
    case MEMCELL_LABEL:
        return LoadResString(cell.nLabelId);
    case MEMCELL_NO_VALUE:
        return LoadResString(IDS_NO_VALUE);
    case MEMCELL_TEXT:
        return m.*cell.pText;
    case MEMCELL_FLOAT:
        return number(m.*cell.pFloat);
    case MEMCELL_INT:
        return QString::number(m.*cell.pInt);
    case MEMCELL_ABC:
        return number(m.Abc[cell.nAbc].*cell.pAbc);
    }
    return QString();
}
