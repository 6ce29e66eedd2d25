#include "windowdrag.h"

#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

namespace {

bool startSystemMove(QWidget *window)
{
    QWindow *handle = window->windowHandle();
    return handle && handle->startSystemMove();
}

} // namespace

WindowDrag::WindowDrag(QWidget *window)
    : QObject(window)
    , m_window(window)
    , m_startMove(startSystemMove)
{
    window->installEventFilter(this);
}

void WindowDrag::setMoveStarter(MoveStarter starter)
{
    m_startMove = starter ? std::move(starter) : MoveStarter(startSystemMove);
}

bool WindowDrag::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_window)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
        // What is still held after the change: a release of another button
        // while the left one stays down keeps the drag armed.
        m_leftPressed = static_cast<QMouseEvent *>(event)->buttons() & Qt::LeftButton;
        event->accept();
        return true;
    case QEvent::MouseMove:
        // One move per press: the window system keeps the pointer until the
        // button is released.
        if (m_leftPressed && (static_cast<QMouseEvent *>(event)->buttons() & Qt::LeftButton)) {
            m_leftPressed = false;
            m_startMove(m_window);
        }
        event->accept();
        return true;
    case QEvent::Hide:
        // A window hidden with the button down starts afresh when shown again.
        m_leftPressed = false;
        return false;
    default:
        return false;
    }
}
