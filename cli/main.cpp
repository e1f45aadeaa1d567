#include "cli/CliCommands.h"

#include <QCoreApplication>
#include <csignal>

int main(int argc, char** argv)
{
    std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vaultline-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VAULTLINE_VERSION));
    return CCliCommands::Run(QCoreApplication::arguments().mid(1), QStringLiteral(VAULTLINE_VERSION));
}
