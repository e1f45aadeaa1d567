#include "platform/visa/ResourceName.h"

#include "platform/visa/Visa.h"
#include "platform/visa/VisaStatus.h"
#include "platform/visa/VisaStrings.h"

namespace {

struct INTERFACEPREFIX
{
    const char* pszPrefix;
    CResourceName::EInterface eInterface;
};

// Longest first, so that "GPIB-VXI" is not read as "GPIB" with a bad board.
const INTERFACEPREFIX s_Prefixes[] = {
    {"GPIB-VXI", CResourceName::INTF_GPIB_VXI}, {"GPIB", CResourceName::INTF_GPIB},
    {"ASRL", CResourceName::INTF_ASRL},         {"TCPIP", CResourceName::INTF_TCPIP},
    {"USB", CResourceName::INTF_USB},           {"VXI", CResourceName::INTF_VXI},
    {"PXI", CResourceName::INTF_PXI},
};

const char* const s_Classes[] = {"INSTR", "SOCKET", "RAW", "INTFC", "BACKPLANE", "SERVANT", "MEMACC"};

bool IsDecimal(const QString& str)
{
    if (str.isEmpty() || str.size() > 9)
        return false;
    for (QChar c : str) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

// VISA writes USB identifiers in hexadecimal with "0x"; plain decimal is
// accepted as well, as VISA does.
bool ParseUsbId(const QString& str, unsigned& nValue)
{
    bool bOk = false;
    unsigned nParsed = 0;
    if (str.startsWith(QLatin1String("0x"), Qt::CaseInsensitive) && str.size() > 2 && str.size() <= 6)
        nParsed = str.mid(2).toUInt(&bOk, 16);
    else if (IsDecimal(str))
        nParsed = str.toUInt(&bOk, 10);
    if (!bOk || nParsed > 0xFFFF)
        return false;
    nValue = nParsed;
    return true;
}

} // namespace

void CResourceName::Invalid(const QString& strName, const QString& strWhy)
{
    CVisaStatus::Throw(Visa::VI_ERROR_INV_RSRC_NAME,
                       LoadVisaString(IDS_VISA_BAD_RESOURCE_NAME).arg(strName, strWhy));
}

CResourceName CResourceName::Parse(const QString& strName)
{
    CResourceName name;
    name.m_strOriginal = strName;
    const QString strTrimmed = strName.trimmed();
    if (strTrimmed.isEmpty())
        Invalid(strName, LoadVisaString(IDS_VISA_NAME_EMPTY));

    QStringList tokens = strTrimmed.split(QLatin1String("::"));
    for (const QString& strToken : tokens) {
        if (strToken.isEmpty())
            Invalid(strName, LoadVisaString(IDS_VISA_NAME_FIELD_EMPTY));
    }

    // Interface type and board
    const QString strFirst = tokens.takeFirst();
    QString strBoard;
    bool bFound = false;
    for (const INTERFACEPREFIX& p : s_Prefixes) {
        const QLatin1String prefix(p.pszPrefix);
        if (strFirst.startsWith(prefix, Qt::CaseInsensitive)) {
            name.m_eInterface = p.eInterface;
            strBoard = strFirst.mid(prefix.size());
            bFound = true;
            break;
        }
    }
    if (!bFound)
        Invalid(strName, LoadVisaString(IDS_VISA_NAME_NO_INTERFACE).arg(strFirst));
    if (strBoard.isEmpty()) {
        name.m_nBoard = 0;
    } else if (IsDecimal(strBoard)) {
        name.m_nBoard = strBoard.toInt();
    } else if (name.m_eInterface == INTF_ASRL && strBoard.startsWith(QLatin1Char('/'))) {
        name.m_nBoard = -1;
        name.m_strDevicePath = strBoard;
    } else {
        Invalid(strName, LoadVisaString(IDS_VISA_NAME_BAD_BOARD).arg(strBoard));
    }

    // Resource class: the last field when it is one of VISA's, INSTR otherwise
    name.m_strClass = QStringLiteral("INSTR");
    if (!tokens.isEmpty()) {
        for (const char* pszClass : s_Classes) {
            if (tokens.last().compare(QLatin1String(pszClass), Qt::CaseInsensitive) == 0) {
                name.m_strClass = QLatin1String(pszClass);
                tokens.removeLast();
                break;
            }
        }
    }

    const auto badClass = [&] {
        Invalid(strName, LoadVisaString(IDS_VISA_NAME_NO_CLASS).arg(name.m_strClass, name.InterfaceName()));
    };
    const auto fieldCount = [&](int nMin, int nMax) {
        if (tokens.size() < nMin)
            Invalid(strName, LoadVisaString(IDS_VISA_NAME_ADDRESS_MISSING));
        if (tokens.size() > nMax)
            Invalid(strName, LoadVisaString(IDS_VISA_NAME_UNEXPECTED_FIELD).arg(tokens.at(nMax)));
    };

    switch (name.m_eInterface) {
    case INTF_ASRL:
        if (!name.IsInstr())
            badClass();
        fieldCount(0, 0);
        break;
    case INTF_GPIB:
        if (name.m_strClass == QLatin1String("INTFC")) {
            fieldCount(0, 0);
            break;
        }
        if (!name.IsInstr())
            badClass();
        fieldCount(1, 2);
        for (int i = 0; i < tokens.size(); ++i) {
            if (!IsDecimal(tokens.at(i)) || tokens.at(i).toInt() > 30)
                Invalid(strName, LoadVisaString(IDS_VISA_NAME_BAD_GPIB_ADDRESS).arg(tokens.at(i)));
        }
        name.m_nPrimary = tokens.at(0).toInt();
        if (tokens.size() > 1)
            name.m_nSecondary = tokens.at(1).toInt();
        break;
    case INTF_USB:
        if (!name.IsInstr() && name.m_strClass != QLatin1String("RAW"))
            badClass();
        fieldCount(3, 4);
        if (!ParseUsbId(tokens.at(0), name.m_nVendor))
            Invalid(strName, LoadVisaString(IDS_VISA_NAME_BAD_USB_ID).arg(tokens.at(0)));
        if (!ParseUsbId(tokens.at(1), name.m_nProduct))
            Invalid(strName, LoadVisaString(IDS_VISA_NAME_BAD_USB_ID).arg(tokens.at(1)));
        name.m_strSerial = tokens.at(2);
        if (tokens.size() > 3) {
            if (!IsDecimal(tokens.at(3)) || tokens.at(3).toInt() > 255)
                Invalid(strName, LoadVisaString(IDS_VISA_NAME_BAD_USB_INTERFACE).arg(tokens.at(3)));
            name.m_nUsbInterface = tokens.at(3).toInt();
        }
        break;
    case INTF_TCPIP:
        if (name.m_strClass == QLatin1String("SOCKET")) {
            fieldCount(2, 2);
            if (!IsDecimal(tokens.at(1)) || tokens.at(1).toInt() < 1 || tokens.at(1).toInt() > 65535)
                Invalid(strName, LoadVisaString(IDS_VISA_NAME_BAD_TCP_PORT).arg(tokens.at(1)));
            name.m_nPort = tokens.at(1).toInt();
        } else if (name.IsInstr()) {
            fieldCount(1, 2);
            name.m_strLanDevice = tokens.size() > 1 ? tokens.at(1) : QStringLiteral("inst0");
        } else {
            badClass();
        }
        name.m_strHost = tokens.at(0);
        break;
    case INTF_VXI:
    case INTF_GPIB_VXI:
    case INTF_PXI:
        // Only the system's VISA library reaches these; it checks the rest.
        name.m_listOther = tokens;
        break;
    }
    return name;
}

QString CResourceName::InterfaceName() const
{
    for (const INTERFACEPREFIX& p : s_Prefixes) {
        if (p.eInterface == m_eInterface)
            return QLatin1String(p.pszPrefix);
    }
    return QString();
}

QString CResourceName::Canonical() const
{
    QStringList fields;
    fields << InterfaceName() + (m_nBoard < 0 ? m_strDevicePath : QString::number(m_nBoard));
    const auto hex4 = [](unsigned n) {
        return QLatin1String("0x") + QStringLiteral("%1").arg(n, 4, 16, QLatin1Char('0')).toUpper();
    };
    switch (m_eInterface) {
    case INTF_ASRL:
        break;
    case INTF_GPIB:
        if (m_nPrimary >= 0)
            fields << QString::number(m_nPrimary);
        if (m_nSecondary >= 0)
            fields << QString::number(m_nSecondary);
        break;
    case INTF_USB:
        fields << hex4(m_nVendor) << hex4(m_nProduct) << m_strSerial;
        if (m_nUsbInterface >= 0)
            fields << QString::number(m_nUsbInterface);
        break;
    case INTF_TCPIP:
        fields << m_strHost;
        if (m_strClass == QLatin1String("SOCKET"))
            fields << QString::number(m_nPort);
        else
            fields << m_strLanDevice;
        break;
    case INTF_VXI:
    case INTF_GPIB_VXI:
    case INTF_PXI:
        fields << m_listOther;
        break;
    }
    fields << m_strClass;
    return fields.join(QLatin1String("::"));
}
