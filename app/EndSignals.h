#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

// Turns SIGTERM, SIGINT and SIGHUP (a logout, Ctrl+C in the starting
// terminal, a closed terminal) into a call on the event loop, where the
// program can end as File > Exit does. A signal handler may do next to
// nothing, so it only writes the signal's number into a socket that the
// event loop watches. The third signal ends the process at once, for a user
// whose program is stuck.
class CEndSignals : public QObject
{
    Q_OBJECT

public:
    // fnOnSignal runs on the event loop with the signal's number; at most one
    // object may exist at a time.
    explicit CEndSignals(std::function<void(int)> fnOnSignal, QObject* pParent = nullptr);
    ~CEndSignals() override;

    CEndSignals(const CEndSignals&) = delete;
    CEndSignals& operator=(const CEndSignals&) = delete;

private:
    void OnReadable();

    std::function<void(int)> m_fnOnSignal;
    int m_fdRead = -1;
    int m_fdWrite = -1;
    QSocketNotifier* m_pNotifier = nullptr;
};
