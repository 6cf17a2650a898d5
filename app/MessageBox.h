// SPDX-License-Identifier: MIT
#pragma once
// Messages the user has to acknowledge, behind an interface: the window shows
// them through it, and tests pass a fake that records them instead of
// waiting for a modal box to appear.

#include <QString>

class QWidget;

class IMessageBox {
public:
    virtual ~IMessageBox() = default;
    // Each returns when the user has acknowledged the message.
    virtual void Error(QWidget* parent, const QString& title, const QString& text) = 0;
    virtual void Warning(QWidget* parent, const QString& title, const QString& text) = 0;
    virtual void Information(QWidget* parent, const QString& title, const QString& text) = 0;
    // Asks the user to go on (Yes) or not (No, the default); true for Yes.
    virtual bool Question(QWidget* parent, const QString& title, const QString& text) = 0;
};

// The real thing: a modal message box.
IMessageBox& DesktopMessageBox();
