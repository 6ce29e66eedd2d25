#pragma once

#include <QObject>
#include <QPoint>

#include <functional>

class QWidget;

// Lets the user drag a frameless window by holding the left button anywhere
// on it. The move is handed to the window system with the first motion while
// the button is held, not at the press: once the window system has taken the
// pointer for a move, the second click of a double-click never reaches the
// window, and a window that closes on a double-click could not be closed.
//
// Where the window system cannot move the window (no window manager, or one
// that does not offer the move) or does not take the pointer for it (the
// motions keep coming to the window and the window stays where it was), the
// window follows the pointer by its own moves until the button is released.
//
// Filters the window's own events and is owned by it. Presses, motions and
// releases are taken here (the window's handlers do not see them);
// double-clicks pass on to the window.
class WindowDrag : public QObject
{
    Q_OBJECT
public:
    // Starts the move of window; true when the window system took it.
    using MoveStarter = std::function<bool(QWidget *window)>;

    explicit WindowDrag(QWidget *window);

    // Replaces the hand-over to the window system; tests observe drags with it.
    void setMoveStarter(MoveStarter starter);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    enum class State { Idle, Pressed, SystemMove, OwnMove };

    void moveWithPointer(const QPoint &pointer);

    QWidget *m_window;
    MoveStarter m_startMove;
    State m_state = State::Idle;
    // Where the press was, and where the window was then (global).
    QPoint m_pressPointer;
    QPoint m_pressWindow;
    // Where the pointer was when the window system was asked to move.
    QPoint m_askedPointer;
};
