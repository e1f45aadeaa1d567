#pragma once

#include <functional>
#include <unordered_map>

// An object that can handle commands: the application, the frame, the
// document, the views. Each keeps a table of command handlers and of update
// handlers keyed by command identifier; the frame offers a command to the
// targets in turn (active view, its document, frame, application) and the
// first one with a handler runs it. A command for which no target has a
// handler is disabled in menus and toolbar, as is one whose update handler
// says no.
//
// Plain C++ and header-only, so that a target can be written without linking
// any widget code.
class CCmdTarget
{
public:
    virtual ~CCmdTarget() = default;

    using Handler = std::function<void()>;
    using UpdateHandler = std::function<bool()>; // returns "enabled"

    // Runs the handler of nId; false when this target has none.
    virtual bool OnCommand(unsigned nId);
    // True when OnCommand would run something for nId.
    virtual bool HasCommand(unsigned nId) const;
    // Asks the update handler of nId; false when this target has none, and
    // bEnable is then left alone.
    virtual bool OnUpdateCommand(unsigned nId, bool& bEnable);

protected:
    // Table entries, normally made in the constructor of the derived class.
    void AddCommand(unsigned nId, Handler fnHandler);
    void AddUpdate(unsigned nId, UpdateHandler fnUpdate);

private:
    std::unordered_map<unsigned, Handler> m_Commands;
    std::unordered_map<unsigned, UpdateHandler> m_Updates;
};

inline bool CCmdTarget::OnCommand(unsigned nId)
{
    const auto it = m_Commands.find(nId);
    if (it == m_Commands.end())
        return false;
    // Copy first: a handler may replace table entries or delete its target.
    const Handler fn = it->second;
    fn();
    return true;
}

inline bool CCmdTarget::HasCommand(unsigned nId) const
{
    return m_Commands.count(nId) != 0;
}

inline bool CCmdTarget::OnUpdateCommand(unsigned nId, bool& bEnable)
{
    const auto it = m_Updates.find(nId);
    if (it == m_Updates.end())
        return false;
    bEnable = it->second();
    return true;
}

inline void CCmdTarget::AddCommand(unsigned nId, Handler fnHandler)
{
    m_Commands[nId] = std::move(fnHandler);
}

inline void CCmdTarget::AddUpdate(unsigned nId, UpdateHandler fnUpdate)
{
    m_Updates[nId] = std::move(fnUpdate);
}
