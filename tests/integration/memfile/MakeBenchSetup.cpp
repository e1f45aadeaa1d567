// Writes examples/bench-setup.xMem: the store memories of an electronic load
// on a typical test bench, a dozen set up for real tasks and the rest left as
// the instrument starts. Memos keep to the 15 characters and the one line an
// instrument holds, so an upload and a download give the file back. Regenerate with
//   build/tests/integration/memfile/make-bench-setup examples/bench-setup.xMem
#include "model/XmlDocData.h"

#include <QCoreApplication>
#include <cstdio>

namespace {

// Memory number, then the record's fields in their declaration order.
struct SETUP
{
    int nMemory;
    STOREMEM m;
};

// clang-format off
const SETUP s_Setups[] = {
    {0, {"Batt dischg 1C", "CC", "HIGH", "MED", 2.6000f, 3.0000f, "TRIP", 40.0000f, 50.0000f, "TRIP", 0, 16.0000f, 0, 0.1000f, 1, 0, 0.2500f, 0, 0, 0, {}}},
    {1, {"Batt dischg .2C", "CC", "MED", "MED", 0.5200f, 0.7500f, "TRIP", 10.0000f, 12.0000f, "TRIP", 0, 16.0000f, 0, 0.1000f, 1, 0, 0.0500f, 0, 0, 0, {}}},
    {2, {"PSU 5V line reg", "CR", "HIGH", "LOW", 0, 6.0000f, "LIMIT", 30.0000f, 35.0000f, "LIMIT", 0, 6.0000f, 0.4000f, 0.0500f, 0, 1, 1.0000f, 0, 0, 0, {}}},
    {3, {"PSU 12V step", "CC", "HIGH", "MED", 4.0000f, 6.0000f, "LIMIT", 60.0000f, 80.0000f, "TRIP", 0, 14.0000f, 0, 0, 0, 2, 2.5000f, 1000.0000f, 50.0000f, 0, {}}},
    {4, {"Solar MPPT", "CV", "HIGH", "HIGH", 0, 8.0000f, "TRIP", 0, 150.0000f, "TRIP", 18.5000f, 45.0000f, 0, 0.5000f, 0, 0, 0.1000f, 0, 0, 0, {}}},
    {5, {"Fuel cell 100W", "CP", "HIGH", "HIGH", 0, 12.0000f, "TRIP", 100.0000f, 120.0000f, "LIMIT", 0, 60.0000f, 0, 1.0000f, 1, 0, 0.5000f, 0, 0, 2.5000f, {}}},
    {6, {"LED drv 350mA", "CC", "LOW", "MED", 0.3500f, 0.4000f, "LIMIT", 5.0000f, 6.0000f, "TRIP", 0, 40.0000f, 0, 0, 0, 0, 0.0100f, 0, 0, 0, {}}},
    {7, {"Cond fixture B", "CR", "MED", "LOW", 0, 2.0000f, "TRIP", 15.0000f, 18.0000f, "TRIP", 0, 9.0000f, 0.125000f, 0, 0, 1, 0.2000f, 0, 0, 0, {}}},
    {8, {"USB PD 20V/3A", "CC", "HIGH", "HIGH", 3.0000f, 3.2500f, "TRIP", 60.0000f, 65.0000f, "TRIP", 0, 21.0000f, 0, 0.0200f, 0, 0, 1.5000f, 0, 0, 0, {}}},
    {9, {"Pulse 1kHz 25%", "CC", "HIGH", "MED", 1.5000f, 2.0000f, "TRIP", 20.0000f, 25.0000f, "TRIP", 0, 15.0000f, 0, 0, 0, 1, 5.0000f, 1000.0000f, 25.0000f, 0, {}}},
    {10, {"Supercap CV", "CV", "HIGH", "LOW", 0, 10.0000f, "LIMIT", 0, 30.0000f, "TRIP", 2.7000f, 3.0000f, 0, 0, 1, 0, 0.5000f, 0, 0, 10.0000f, {}}},
    {42, {"Burn-in 48V", "CP", "HIGH", "HIGH", 0, 5.0000f, "TRIP", 200.0000f, 220.0000f, "TRIP", 0, 54.0000f, 0, 2.0000f, 1, 0, 0.2000f, 0, 0, 3600.0000f, {}}},
};
// clang-format on

void Apply(const SETUP& s, STOREMEM& m)
{
    m = s.m;
    // A, B and C presets stepping through the load's ranges: current and
    // power a tenth of the range apart, conductance and voltage alike.
    const float fScale = s.nMemory % 2 ? 0.5f : 1.0f;
    for (int i = 0; i < 3; ++i) {
        ABCMEM& abc = m.Abc[i];
        const float f = fScale * static_cast<float>(i + 1);
        abc.Curr_L = 0.1f * f;
        abc.Curr_M = 1.0f * f;
        abc.Curr_H = 10.0f * f;
        abc.Pow_L = 2.0f * f;
        abc.Pow_M = 20.0f * f;
        abc.Pow_H = 200.0f * f;
        abc.Cond_L = 0.001f * f;
        abc.Cond_M = 0.01f * f;
        abc.Cond_H = 0.1f * f;
        abc.Volt_L = 1.5f * f;
        abc.Volt_M = 15.0f * f;
        abc.Volt_H = 60.0f * f;
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-bench-setup OUTFILE\n");
        return 2;
    }
    CXmlDocData data;
    data.Reset();
    for (const SETUP& s : s_Setups)
        Apply(s, *data.GetContainer().GetAt(s.nMemory));
    const QString strPath = QString::fromLocal8Bit(argv[1]);
    if (!data.Save(strPath)) {
        std::fprintf(stderr, "%s: %s\n", argv[1], qPrintable(data.GetLastError()));
        return 3;
    }
    return 0;
}
