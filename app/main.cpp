// vaultline: the desktop program. "vaultline [FILE.xMem]" opens the memory
// file, or a new document without one; "vaultline --version" prints the
// version that the program file's version block states, in the dotted form
// the other programs use.

#include "app/EndSignals.h"
#include "app/VaultlineApp.h"
#include "platform/args/ArgumentParser.h"
#include "platform/version/ModuleVersion.h"
#include "platform/visa/VisaTrace.h"
#include "resources/Resource.h"
#include "resources/StringTable.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    // Only these two are the program's; anything else on the command line is
    // the file to open, or Qt's, and is left to them.
    CArgumentParser parser;
    parser.AddOption({QStringLiteral("--version")});
    parser.AddOption({QStringLiteral("--help")});
    parser.SetPassThrough(true);
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args.append(QString::fromLocal8Bit(argv[i]));
    parser.Parse(args);
    if (parser.IsSet(QStringLiteral("--version"))) {
        CModuleVersion ver;
        ver.GetFileVersionInfo(GetModuleFileNameW());
        std::printf("%s\n", qPrintable(LoadResString(IDS_APP_VERSION).arg(ver.GetFileVersionNumbers())));
        return 0;
    }
    if (parser.IsSet(QStringLiteral("--help"))) {
        std::printf("%s\n\n%s\n", qPrintable(LoadResString(IDS_APP_USAGE)),
                    qPrintable(LoadResString(IDS_APP_ENVIRONMENT_HELP)));
        return 0;
    }

    // The wire trace is asked for by the environment: the program is often
    // started from a menu, where there is no command line to give it.
    const QString strTrace = qEnvironmentVariable("VAULTLINE_LOG");
    if (!strTrace.isEmpty()) {
        QString strError;
        if (!CVisaTrace::Start(strTrace, strError))
            std::fprintf(stderr, "%s\n",
                         qPrintable(LoadResString(IDS_APP_LOG_NOT_WRITABLE).arg(strTrace, strError)));
    }

    QApplication qtApp(argc, argv);
    // Wayland desktops match the window to the menu entry by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("com.talvero.Vaultline"));
    CVaultlineApp theApp;
    // From here on a signal ends the program as File > Exit does.
    CEndSignals endSignals([&theApp](int nSignal) { theApp.EndBySignal(nSignal); });
    // A file that cannot be opened ends the program after the document's
    // message.
    if (!theApp.InitInstance(QCoreApplication::arguments().mid(1)))
        return 1;
    const int nResult = QApplication::exec();
    theApp.ExitInstance();
    return nResult;
}
