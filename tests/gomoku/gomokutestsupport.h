#pragma once

#include "frm_GOMOKU.h"
#include "gomokulink.h"
#include "pelwickUDP030.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

// Answers every message box as soon as it shows and remembers its text.
class BoxCatcher : public QObject
{
public:
    BoxCatcher()
    {
        connect(&m_timer, &QTimer::timeout, this, &BoxCatcher::poll);
        m_timer.start(5);
    }

    QStringList texts;
    QStringList titles;

private:
    void poll()
    {
        const QList<QWidget *> windows = QApplication::topLevelWidgets();
        for (QWidget *w : windows) {
            auto *box = qobject_cast<QMessageBox *>(w);
            if (!box || !box->isVisible())
                continue;
            texts.append(box->text());
            titles.append(box->windowTitle());
            box->done(QMessageBox::Ok);
        }
    }

    QTimer m_timer;
};

namespace GomokuTest {

inline QString text(const char *code, const QString &data = {})
{
    return GomokuLink::linkMessage(QLatin1String(code), data);
}

// Delivers a text the way the link does: the poke, then the link-close.
inline void feed(frm_GOMOKU &window, const QString &linkText)
{
    auto *link = window.findChild<LinkSource *>();
    QVERIFY(link);
    emit link->poked(QLatin1String(LinkInputItem), linkText);
    emit link->conversationClosed(QLatin1String(LinkInputItem), linkText);
    emit link->linkClosed();
}

constexpr const char *OwnAddress = "192.168.0.5";
constexpr const char *PartnerAddress = "192.168.0.7";

// The messenger's introduction in its order, then the start.
inline void introduce(frm_GOMOKU &window, const QString &messenger, bool ownBlack)
{
    feed(window, text("#1", messenger));
    feed(window, text("#2", QStringLiteral("相手")));
    feed(window, text("#3", QLatin1String(PartnerAddress)));
    feed(window, text("#4", QStringLiteral("自分")));
    feed(window, text("#5", QLatin1String(OwnAddress)));
    feed(window, text(ownBlack ? "20" : "21"));
    feed(window, text("01"));
}

inline QString partnerMove(int x, int y)
{
    return text("10", GomokuLink::moveData(QLatin1String(PartnerAddress), x, y));
}

inline QWidget *boardView(frm_GOMOKU &window)
{
    return window.findChild<QWidget *>(QStringLiteral("BoardView"));
}

// Clicks the pixel of intersection (x, y), shifted by offset pixels.
inline void clickPoint(frm_GOMOKU &window, int x, int y, Qt::MouseButton button = Qt::LeftButton,
                       QPoint offset = {})
{
    QTest::mouseClick(boardView(window), button, {},
                      QPoint(window.CellWidth() * x, window.CellHeight() * y) + offset);
}

inline void showAndWait(frm_GOMOKU &window)
{
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTRY_VERIFY(window.CellWidth() > 0);
}

} // namespace GomokuTest
