#include "platform/visa/ResourceName.h"
#include "unit/visa/VisaTestSupport.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

TEST(ResourceNameTest, ValidNamesParseToTheCanonicalSpelling)
{
    using N = CResourceName;
    const std::tuple<const char*, CResourceName::EInterface, const char*> cases[] = {
        {"gpib::22", N::INTF_GPIB, "GPIB0::22::INSTR"},
        {"GPIB1::3::30::INSTR", N::INTF_GPIB, "GPIB1::3::30::INSTR"},
        {"asrl/dev/ttyUSB0::instr", N::INTF_ASRL, "ASRL/dev/ttyUSB0::INSTR"},
        {"  ASRL/dev/pts/4  ", N::INTF_ASRL, "ASRL/dev/pts/4::INSTR"},
        {"USB0::0x1ab1::0x0588::DS1ZA1234::INSTR", N::INTF_USB, "USB0::0x1AB1::0x0588::DS1ZA1234::INSTR"},
        {"USB::2391::5889::MY123::1", N::INTF_USB, "USB0::0x0957::0x1701::MY123::1::INSTR"},
        {"tcpip::localhost::5025::socket", N::INTF_TCPIP, "TCPIP0::localhost::5025::SOCKET"},
        {"TCPIP::dxr.lab", N::INTF_TCPIP, "TCPIP0::dxr.lab::inst0::INSTR"},
        {"GPIB-VXI0::8::INSTR", N::INTF_GPIB_VXI, "GPIB-VXI0::8::INSTR"},
    };
    for (const auto& [pszName, eInterface, pszCanonical] : cases) {
        const CResourceName name = CResourceName::Parse(QString::fromUtf8(pszName));
        EXPECT_EQ(name.Interface(), eInterface) << pszName;
        EXPECT_EQ(name.Canonical(), QString::fromUtf8(pszCanonical)) << pszName;
    }
}

TEST(ResourceNameTest, MalformedNamesAreRefusedWithVisaParsingErrorAndTheName)
{
    const char* const names[][4] = {
        {"", "::INSTR", "FOO0::INSTR", "COM1"},
        {"ASRLx::INSTR", "ASRLdev/ttyS0::INSTR", "ASRL1::SOCKET", "ASRL1::2::INSTR"},
        {"GPIB0::::INSTR", "GPIB0::31::INSTR", "GPIB0::-1::INSTR", "GPIB99999999999::1"},
        {"USB0::0x1234::INSTR", "USB0::0xZZZZ::0x1::S::INSTR", "USB0::0x12345::0x1::S::INSTR",
         "ASRL/dev/pts/4::INSTR::x"},
        {"TCPIP0::host::SOCKET", "TCPIP0::host::70000::SOCKET", "TCPIP0::host::http::SOCKET",
         "TCPIP0::::5025::SOCKET"},
    };
    for (const auto& row : names) {
        for (const char* pszName : row) {
            QString strText;
            EXPECT_EQ(StatusOf([&] { CResourceName::Parse(QString::fromUtf8(pszName)); }, &strText),
                      Visa::VI_ERROR_INV_RSRC_NAME)
                << pszName;
            EXPECT_TRUE(
                strText.startsWith(QLatin1String("Invalid resource reference specified. Parsing error.")) &&
                strText.contains(QLatin1Char('"') + QString::fromUtf8(pszName) + QLatin1Char('"')))
                << qPrintable(strText);
        }
    }
}

} // namespace
