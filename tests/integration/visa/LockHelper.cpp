// A second process for the lock tests: opens a resource, takes its exclusive
// lock and reports "locked"; a line on standard input makes it unlock and
// report "unlocked"; end of input ends it (and its session with it).
#include "platform/visa/BuiltinResourceManager.h"

#include <cstdio>
#include <iostream>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    try {
        CBuiltinResourceManager rm;
        const std::shared_ptr<IVisaSession> pSession =
            rm.Open(QString::fromLocal8Bit(argv[1]), Visa::NO_LOCK, 2000, QString());
        pSession->LockRsrc(Visa::EXCLUSIVE_LOCK, 2000, QString());
        std::printf("locked\n");
        std::fflush(stdout);
        std::string strLine;
        if (std::getline(std::cin, strLine)) {
            pSession->UnlockRsrc();
            std::printf("unlocked\n");
            std::fflush(stdout);
            while (std::getline(std::cin, strLine)) {
            }
        }
    } catch (const _com_error& e) {
        std::printf("error %s\n", e.Description().toLocal8Bit().constData());
        return 1;
    }
    return 0;
}
