#include "messagebox.h"

#include "windowhelpers.h"

#include <QApplication>
#include <QDialog>
#include <QGridLayout>
#include <QStyle>
#include <QPointer>
#include <QSet>

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
            request.text, request.buttons, request.parent, dialogWindowFlags());
    if (request.defaultButton != QMessageBox::NoButton)
        box->setDefaultButton(request.defaultButton);
    // Modal to its window only: a tray icon (a window of its own) still
    // takes the click that brings the window and the box back.
    if (request.parent)
        box->setWindowModality(Qt::WindowModal);
    if (!request.detail.isEmpty())
        box->setInformativeText(request.detail);
    // A box sized for a short text would cut its title ("Pelwic") where the
    // window manager draws the title in the box's width.
    if (auto *grid = qobject_cast<QGridLayout *>(box->layout())) {
        const int titleWidth = titleBarWidth(box, box->windowTitle());
        grid->addItem(new QSpacerItem(titleWidth, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
            grid->columnCount());
    }
    const int answer = box->exec();
    delete box.data();
    return QMessageBox::StandardButton(answer);
}

void closeModalWindows()
{
    QSet<QWidget *> closed;
    while (QWidget *modal = QApplication::activeModalWidget()) {
        if (closed.contains(modal))
            break;
        closed.insert(modal);
        // A dialog may refuse to close (the options without a user name):
        // QDialog's own done() ends its exec() all the same.
        if (auto *dialog = qobject_cast<QDialog *>(modal))
            dialog->QDialog::done(QDialog::Rejected);
        else
            modal->close();
    }
}

void SetMessageBoxHook(MessageBoxHook newHook)
{
    hook() = std::move(newHook);
}
