#pragma once

#include "gomokurules.h"

#include <QObject>
#include <QString>

#include <array>
#include <functional>

// One game of GOMOKU as its messenger and its player drive it.
//
// The messenger introduces the game with link texts (GomokuLink): "#1" its
// own application name, "#2".."#5" the partner's and the own name and
// address, "20"/"21" the own colour, then "01" starts a game with black to
// move. "10" relays the partner's moves (played only in the partner's turn
// and when they name the partner's address), "40" a nudge, "99" ends the program
// at once. The own player's clicks become moves placed on the board and sent
// to the messenger as "10"; closing sends the end report "99".
//
// The game draws nothing and opens nothing itself: it reports what its
// window must show (panels, caption, boxes, beeps, stones) as signals, and
// sends through a LinkSender, so it runs without widgets and without a link.
// A box, a caption flash and a send may run a nested event loop in which the
// window (and with it this object) can be destroyed; the game checks for
// that after each of them.
class GomokuGame : public QObject
{
    Q_OBJECT
public:
    // Pokes text into application's link input; true when it was accepted.
    using LinkSender = std::function<bool(const QString &application, const QString &text)>;

    enum class BoxIcon { None, Information };
    Q_ENUM(BoxIcon)

    // Without a sender every send fails.
    explicit GomokuGame(LinkSender sender = {}, QObject *parent = nullptr);

    const GomokuRules &rules() const { return m_rules; }

    QString LinkApplication() const { return m_linkApplication; }
    QString PartnerName() const { return m_partnerName; }
    QString PartnerAddress() const { return m_partnerAddress; }
    QString OwnName() const { return m_ownName; }
    QString OwnAddress() const { return m_ownAddress; }

    // Panel 1 (status), 2 (name of the side to move) or 3 (its colour).
    QString panelText(int panel) const;
    // "五目並べ", after the colour "五目並べ [黒]<black> 対 [白]<white>".
    QString caption() const { return m_caption; }
    // The caption while the window is active: "五目並べ-<name of the side to move>".
    QString turnCaption() const;

    // Acts on one text received over the link; surrounding white space is
    // ignored. An unknown code shows a box with the code.
    void ReceiveLinkText(const QString &text);

    // The own player clicked intersection (x, y), which may lie off the
    // board. Refusals beep and say why in panel 1; a left click on a free
    // point in the own turn sends the move, then places it.
    void clickPoint(Qt::MouseButton button, int x, int y);

    // Asks the partner to hurry up ("40").
    void sendNudge();

    // The program is closing: sends the end report unless "99" told it to
    // end, once; a failed report shows a box unless the end report is quiet.
    // Then programEnded().
    void unload();
    // When the program is ended by a signal nobody may be there to answer a box.
    void setQuietEndReport(bool quiet) { m_quietEndReport = quiet; }

signals:
    void panelChanged(int panel, const QString &text);
    void captionChanged(const QString &caption);
    void beepRequested();
    void boxRequested(const QString &text, const QString &title, GomokuGame::BoxIcon icon);
    // A nudge: the caption flashes until it is done or flashStopRequested().
    void flashRequested();
    void flashStopRequested();
    // Every stone is drawn plain; nothing is marked.
    void boardCleared();
    // A stone was placed at (x, y); it stays marked until boardCleared().
    void stonePlaced(int x, int y);
    // The stone just placed made five; the win box follows.
    void gameWon();
    // The window must close (after a win, or on "99").
    void closeRequested();
    // The program must end now.
    void programEnded();

private:
    bool sendToMessenger(const QString &text);
    void setPanelText(int panel, const QString &text);
    // Panels 2 and 3: whose turn it is and that player's colour.
    void showTurn();
    void showBox(const QString &text, const QString &title, BoxIcon icon = BoxIcon::None);

    void StartGomoku();
    void WaitGame(qint16 ownColor);
    void receiveMove(const QString &data);
    void placeOwnStone(qint16 x, qint16 y);
    // Places a stone of side at (x, y) unless the game is won or the point
    // is taken, then ends the game or hands the turn over.
    void playMove(qint16 side, qint16 x, qint16 y);
    void endOfGame();

    LinkSender m_send;
    GomokuRules m_rules;

    QString m_linkApplication;
    QString m_partnerName;
    QString m_partnerAddress;
    QString m_ownName;
    QString m_ownAddress;

    std::array<QString, 3> m_panels;
    QString m_caption;

    bool m_gameWon = false;
    bool m_unloaded = false;
    bool m_skipEndReport = false;
    bool m_quietEndReport = false;
};
