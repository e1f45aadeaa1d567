// Prints what one query costs on the serial path itself: a peer thread on a
// pseudo-terminal answers every line at once, so the figure is this layer's
// own time (write, poll, read, line search) plus the kernel's pty hop.
#include "platform/visa/BuiltinResourceManager.h"

#include <QElapsedTimer>

#include <atomic>
#include <cstdio>
#include <poll.h>
#include <pty.h>
#include <thread>
#include <time.h>
#include <unistd.h>

int main()
{
    int fdMaster = -1;
    int fdSlave = -1;
    char szName[256] = {};
    if (::openpty(&fdMaster, &fdSlave, szName, nullptr, nullptr) != 0)
        return 1;
    // Held open until the end: a master without any slave reports a hang-up.

    const QByteArray reply = "1.2345,0.0000,12.0000,3.5000\n";
    std::atomic<bool> bStop{false};
    std::thread peer([&] {
        QByteArray pending;
        char buf[512];
        while (!bStop) {
            pollfd pfd{fdMaster, POLLIN, 0};
            if (::poll(&pfd, 1, 100) <= 0)
                continue;
            const ssize_t n = ::read(fdMaster, buf, sizeof buf);
            if (n <= 0)
                break;
            pending.append(buf, static_cast<int>(n));
            int nLine = 0;
            while ((nLine = pending.indexOf('\n')) >= 0) {
                pending.remove(0, nLine + 1);
                (void)!::write(fdMaster, reply.constData(), static_cast<size_t>(reply.size()));
            }
        }
    });

    int nResult = 0;
    try {
        CBuiltinResourceManager rm;
        const QString strName = QStringLiteral("ASRL%1::INSTR").arg(QString::fromLocal8Bit(szName));
        auto pSession = std::dynamic_pointer_cast<IMessage>(rm.Open(strName, Visa::NO_LOCK, 2000, QString()));
        pSession->SetTimeout(3000);
        if (auto pSerial = std::dynamic_pointer_cast<ISerial>(pSession)) {
            pSerial->SetBaudRate(19200);
            pSerial->SetDataBits(8);
            pSerial->SetStopBits(Visa::ASRL_STOP_TWO);
            pSerial->SetParity(Visa::ASRL_PAR_NONE);
            pSerial->SetFlowControl(Visa::ASRL_FLOW_XON_XOFF);
        }

        const int nQueries = 5000;
        QElapsedTimer timer;
        timer.start();
        timespec cpuStart{};
        ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpuStart);
        for (int i = 0; i < nQueries; ++i) {
            pSession->LockRsrc(Visa::EXCLUSIVE_LOCK, 2000, QString());
            pSession->WriteString(QStringLiteral("BACK:SMEM:CURR?\n"));
            pSession->ReadString(256);
            pSession->UnlockRsrc();
        }
        const double dMicros = static_cast<double>(timer.nsecsElapsed()) / 1000.0 / nQueries;
        timespec cpuEnd{};
        ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpuEnd);
        const double dCpuMicros = (static_cast<double>(cpuEnd.tv_sec - cpuStart.tv_sec) * 1e9 +
                                   static_cast<double>(cpuEnd.tv_nsec - cpuStart.tv_nsec)) /
                                  1000.0 / nQueries;
        std::printf("serial path over a pseudo-terminal: %d locked queries, %.1f us per query "
                    "(lock, write, read to the line feed, unlock)\n",
                    nQueries, dMicros);
        std::printf("processor time of the calling thread: %.1f us per query (system calls included)\n",
                    dCpuMicros);
        // At 19200 baud with 8 data and 2 stop bits the line itself takes 11 bits
        // a character: the same query and reply need this much on a real cable.
        const double dLineMicros = (16.0 + static_cast<double>(reply.size())) * 11.0 / 19200.0 * 1e6;
        std::printf("the same exchange on a 19200-baud 8N2 line: %.0f us; the layer adds %.2f%% to it\n",
                    dLineMicros, 100.0 * dMicros / dLineMicros);
    } catch (const _com_error& e) {
        std::fprintf(stderr, "%s\n", e.ErrorMessage().toLocal8Bit().constData());
        nResult = 1;
    }
    bStop = true;
    peer.join();
    ::close(fdSlave);
    ::close(fdMaster);
    return nResult;
}
