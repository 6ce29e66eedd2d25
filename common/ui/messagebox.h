#pragma once

#include <QMessageBox>

#include <functional>

// Every message box of the suite goes through ShowMessageBox, so tests can
// answer boxes without a person. The hook, when set, replaces the dialog and
// returns the button pressed.
//
// The box is modal to parent, and wide enough for its whole title. A parent destroyed while its box is open takes
// the box with it; ShowMessageBox then returns NoButton, and the caller must
// not touch the parent again.
struct MessageBoxRequest
{
    QWidget *parent = nullptr;
    QString text;
    QString title;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    // A second paragraph under the text (what to do about it), if any.
    QString detail {};
};

using MessageBoxHook = std::function<QMessageBox::StandardButton(const MessageBoxRequest &)>;

QMessageBox::StandardButton ShowMessageBox(const MessageBoxRequest &request);
void SetMessageBoxHook(MessageBoxHook hook);

// Closes every modal box and dialog of this program, whatever a dialog says
// to being closed, so that a program told to end is held by none of them.
// Each one's exec() returns as if cancelled.
void closeModalWindows();
