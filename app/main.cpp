// vaultline: the desktop program. "vaultline [FILE.xMem]" opens the memory
// file, or a new document without one; "vaultline --version" prints the
// version that the program file's version block states.

#include "app/ModuleVersion.h"
#include "app/VaultlineApp.h"
#include "transfer/DlgTransfer.h"

#include <QApplication>
#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            CModuleVersion ver;
            ver.GetFileVersionInfo(GetModuleFileNameW());
            std::printf("vaultline %s\n",
                        ver.GetValue(QStringLiteral("FileVersion")).toLocal8Bit().constData());
            return 0;
        }
        if (std::strcmp(argv[i], "--help") == 0) {
            std::printf("Usage: vaultline [FILE.xMem]\n"
                        "Shows, copies and transfers the store memories of DXR9K electronic loads.\n"
                        "Without a file the program starts with a new document.\n");
            return 0;
        }
    }

    QApplication qtApp(argc, argv);
    CVaultlineApp theApp;
    InstallTransferDialog(theApp);
    // A file that cannot be opened ends the program after the document's
    // message.
    if (!theApp.InitInstance(QCoreApplication::arguments().mid(1)))
        return 1;
    const int nResult = QApplication::exec();
    theApp.ExitInstance();
    return nResult;
}
