#pragma once

#include <poll.h>
#include <vector>

// A protocol that the simulator serves beside its own line, in the same
// single-threaded loop, so that the instrument still handles one message at
// a time whichever way it came.
class ISimService
{
public:
    virtual ~ISimService() = default;

    // Appends the descriptors the service waits on.
    virtual void AddPollFds(std::vector<pollfd>& fds) = 0;
    // Handles what poll reported on its descriptors (it ignores the others)
    // and whatever wait of its own has ended.
    virtual void OnPolled(const std::vector<pollfd>& fds) = 0;
    // Milliseconds until a wait of the service ends; -1 when it has none.
    virtual int NextTimeoutMs() const = 0;
};
