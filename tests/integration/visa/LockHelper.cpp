// A second process for the lock and permission tests: opens a resource
// (as "nobody" when asked and run as root), takes its exclusive lock and
// reports "locked"; a line on standard input makes it unlock and report
// "unlocked"; end of input ends it (and its session with it). A failure is
// reported as "error", the status in hexadecimal and its text.
#include "platform/visa/BuiltinResourceManager.h"

#include <cstdio>
#include <grp.h>
#include <iostream>
#include <string>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3)
        return 2;
    if (argc == 3 && ::geteuid() == 0 &&
        (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
        return 3;
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
        std::printf("error %08x %s\n", static_cast<unsigned>(e.Error()),
                    e.Description().toLocal8Bit().constData());
        return 1;
    }
    return 0;
}
