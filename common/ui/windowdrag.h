#pragma once

#include <QObject>

#include <functional>

class QWidget;

// Lets the user drag a frameless window by holding the left button anywhere
// on it. The move is handed to the window system with the first motion while
// the button is held, not at the press: once the window system has taken the
// pointer for a move, the second click of a double-click never reaches the
// window, and a window that closes on a double-click could not be closed.
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
    QWidget *m_window;
    MoveStarter m_startMove;
    bool m_leftPressed = false;
};
