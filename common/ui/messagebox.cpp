#include "messagebox.h"

#include <QCoreApplication>
#include <QPointer>

namespace {

MessageBoxHook &hook()
{
    static MessageBoxHook instance;
    return instance;
}

} // namespace

QMessageBox::StandardButton ShowMessageBox(const MessageBoxRequest &request)
{
    if (hook())
        return hook()(request);
    // On the heap: a parent destroyed while the box is open takes the box
    // with it, and the box must not be destroyed a second time here.
    const QPointer<QMessageBox> box
        = new QMessageBox(request.icon, request.title.isEmpty() ? QCoreApplication::applicationName() : request.title,
            request.text, request.buttons, request.parent);
    if (request.defaultButton != QMessageBox::NoButton)
        box->setDefaultButton(request.defaultButton);
    const int answer = box->exec();
    delete box.data();
    return QMessageBox::StandardButton(answer);
}

void SetMessageBoxHook(MessageBoxHook newHook)
{
    hook() = std::move(newHook);
}
