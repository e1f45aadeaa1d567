#pragma once

#include <QString>

// What the tree asks of the main window: show the form that belongs to a tree
// item's text in the right-hand pane. The main frame implements it; the tree
// finds it through the application's main window.
class IFormExchange
{
public:
    virtual ~IFormExchange() = default;

    // Nonzero when the right pane now shows the form for strText; 0 when
    // nothing changed (the current form refused to let go).
    virtual int SelectForm(const QString& strText) = 0;
};
