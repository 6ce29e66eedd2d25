#include "messagebox.h"

#include <QCoreApplication>

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
    QMessageBox box(request.icon,
                    request.title.isEmpty() ? QCoreApplication::applicationName() : request.title,
                    request.text, request.buttons, request.parent);
    if (request.defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(request.defaultButton);
    return QMessageBox::StandardButton(box.exec());
}

void SetMessageBoxHook(MessageBoxHook newHook)
{
    hook() = std::move(newHook);
}
