#pragma once

#include <QString>
#include <QStringList>

// A VISA resource name taken apart: the interface type with its board, the
// address fields of that type and the resource class. Parse() accepts the
// names VISA accepts (interface type and class in any case, the class
// optional for INSTR) plus, for serial lines, a device path as the board
// ("ASRL/dev/ttyUSB0::INSTR"); anything else raises VI_ERROR_INV_RSRC_NAME.
class CResourceName
{
public:
    enum EInterface
    {
        INTF_GPIB,
        INTF_ASRL,
        INTF_USB,
        INTF_TCPIP,
        INTF_VXI,
        INTF_GPIB_VXI,
        INTF_PXI,
    };

    static CResourceName Parse(const QString& strName);

    EInterface Interface() const { return m_eInterface; }
    // The interface type as VISA spells it ("ASRL", "GPIB", ...).
    QString InterfaceName() const;
    // The board number; -1 when a serial line is named by its device path.
    int BoardNumber() const { return m_nBoard; }
    // "INSTR", "SOCKET", "RAW", "INTFC", ... in upper case.
    QString ResourceClass() const { return m_strClass; }
    bool IsInstr() const { return m_strClass == QLatin1String("INSTR"); }

    // Serial lines: the device path given after "ASRL", or empty for a board
    // number.
    QString DevicePath() const { return m_strDevicePath; }

    // GPIB
    int PrimaryAddress() const { return m_nPrimary; }
    int SecondaryAddress() const { return m_nSecondary; } // -1 when absent

    // TCPIP
    QString Host() const { return m_strHost; }
    int Port() const { return m_nPort; }                     // SOCKET
    QString LanDeviceName() const { return m_strLanDevice; } // INSTR, "inst0" by default

    // USB
    unsigned VendorId() const { return m_nVendor; }
    unsigned ProductId() const { return m_nProduct; }
    QString SerialNumber() const { return m_strSerial; }
    int UsbInterfaceNumber() const { return m_nUsbInterface; } // -1 when absent

    // The name as given, and the one spelling of it that VISA itself would
    // print (upper-case type and class, hexadecimal USB identifiers).
    QString Original() const { return m_strOriginal; }
    QString Canonical() const;

private:
    CResourceName() = default;
    [[noreturn]] static void Invalid(const QString& strName, const QString& strWhy);

    QString m_strOriginal;
    EInterface m_eInterface = INTF_GPIB;
    int m_nBoard = 0;
    QString m_strClass;
    QString m_strDevicePath;
    int m_nPrimary = -1;
    int m_nSecondary = -1;
    QString m_strHost;
    int m_nPort = 0;
    QString m_strLanDevice;
    unsigned m_nVendor = 0;
    unsigned m_nProduct = 0;
    QString m_strSerial;
    int m_nUsbInterface = -1;
    QStringList m_listOther; // address fields of the types only named, not opened here
};
