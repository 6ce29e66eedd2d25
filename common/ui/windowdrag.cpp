#include "windowdrag.h"

#include "logcategories.h"

#include <QApplication>
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

void WindowDrag::moveWithPointer(const QPoint &pointer)
{
    m_window->move(m_pressWindow + (pointer - m_pressPointer));
}

bool WindowDrag::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_window)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease: {
        // What is still held after the change: a release of another button
        // while the left one stays down keeps the drag going.
        const auto *mouse = static_cast<QMouseEvent *>(event);
        const bool leftHeld = mouse->buttons() & Qt::LeftButton;
        if (!leftHeld) {
            m_state = State::Idle;
        } else if (m_state == State::Idle) {
            m_state = State::Pressed;
            m_pressPointer = mouse->globalPosition().toPoint();
            m_pressWindow = m_window->pos();
        }
        event->accept();
        return true;
    }
    case QEvent::MouseMove: {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        const QPoint pointer = mouse->globalPosition().toPoint();
        if (!(mouse->buttons() & Qt::LeftButton)) {
            m_state = State::Idle;
        } else if (m_state == State::Pressed) {
            // One request per press: the window system keeps the pointer
            // until the button is released.
            if (m_startMove(m_window)) {
                m_state = State::SystemMove;
                m_askedPointer = pointer;
            } else {
                qCDebug(lcDesktop) << "the window system cannot move the window: it follows the pointer itself";
                m_state = State::OwnMove;
                moveWithPointer(pointer);
            }
        } else if (m_state == State::SystemMove) {
            // A window system that took the pointer sends no more motions; one
            // that let the request go leaves the window where it was.
            if (m_window->pos() == m_pressWindow
                && (pointer - m_askedPointer).manhattanLength() >= QApplication::startDragDistance()) {
                qCDebug(lcDesktop) << "the window system did not take the move: the window follows the pointer itself";
                m_state = State::OwnMove;
                moveWithPointer(pointer);
            }
        } else if (m_state == State::OwnMove) {
            moveWithPointer(pointer);
        }
        event->accept();
        return true;
    }
    case QEvent::Hide:
        // A window hidden with the button down starts afresh when shown again.
        m_state = State::Idle;
        return false;
    default:
        return false;
    }
}
