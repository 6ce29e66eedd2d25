#pragma once

#include "gomokurules.h"

#include <QImage>
#include <QList>
#include <QMainWindow>
#include <QPoint>

#include <array>
#include <memory>

class LinkSource;
class QAction;
class QLabel;
class QLineEdit;
class QLockFile;

namespace GomokuUi {
class BoardView;
}

// The gomoku window: the 19 x 19 board, the own user's clicks, whose turn it
// is, and the link to the messenger. The messenger introduces the game and
// relays the partner's moves as link texts poked into txtDDEInput; the own
// moves are sent to the messenger and then run through the same handler.
class frm_GOMOKU : public QMainWindow
{
    Q_OBJECT
public:
    // runtimeDir holds the single-instance lock and the link's socket; empty:
    // the user's runtime directory.
    explicit frm_GOMOKU(const QString &runtimeDir = {}, QWidget *parent = nullptr);
    ~frm_GOMOKU() override;

    // Another copy of the program holds the lock: this window must not be
    // shown and the program ends at once. No link source was opened.
    bool alreadyRunning() const { return m_alreadyRunning; }
    // Whether the window is reachable as link application "GOMOKU".
    bool linkListening() const { return m_linkListening; }
    QString runtimeDir() const { return m_runtimeDir; }

    const GomokuRules &rules() const { return m_rules; }
    int CellWidth() const { return m_cellWidth; }
    int CellHeight() const { return m_cellHeight; }
    QColor boardColor() const { return m_boardColor; }
    // Panel 1, 2 or 3 of the status bar.
    QString panelText(int panel) const;

    QString LinkApplication() const { return m_linkApplication; }
    QString PartnerName() const { return m_partnerName; }
    QString PartnerAddress() const { return m_partnerAddress; }
    QString OwnName() const { return m_ownName; }
    QString OwnAddress() const { return m_ownAddress; }

    // The handler of the link-close event: acts on the text of txtDDEInput.
    void ReceiveLinkText();

    // A mouse button pressed at client point (X, Y) of the board.
    void Form_MouseDown(Qt::MouseButton button, int X, int Y);

    // Closes like a close by the user (end report sent), but shows no box:
    // nobody may be there to answer it when the session ends.
    void closeOnSignal();

    // Paints the board: grid, plain stones, then the stones still marked.
    void paintBoard(QPainter &painter, const QSize &clientSize);

signals:
    // The system beep sounded.
    void beeped();
    // The program must end now (unloaded, or code "99" received).
    void programEnded();

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void createMenu();
    void createStatusBar();
    void openLink();

    void manuS01_Click();
    void menuTopForm_Click();
    void menuKibanColor_Click();
    void menuM02_Click();

    void Initialize();
    bool DropAStone(qint16 x, qint16 y);
    void StartGomoku();
    void WaitGame(const QString &pColor);
    void receiveMove(const QString &data);
    void endOfGame();

    void DrawLines(QPainter &painter, const QSize &clientSize);
    void DrawStones(QPainter &painter);
    void DispBitmap(QPainter &painter, int x, int y, int picture);
    // Redraws the whole board now: grid and plain stones, marks removed.
    void repaintBoard();
    void makeStoneImages();

    bool sendToMessenger(const QString &text);
    void Beep();
    void ShowStatus(const QString &text) { setPanelText(1, text); }
    void setPanelText(int panel, const QString &text);
    void showBox(const QString &text, const QString &title = {}, bool information = false);

    void linkPoked(const QString &item, const QString &text);
    void Form_LinkClose(const QString &item, const QString &text);

    GomokuRules m_rules;
    QString m_runtimeDir;
    std::unique_ptr<QLockFile> m_lock;
    bool m_alreadyRunning = false;
    LinkSource *m_link = nullptr;
    bool m_linkListening = false;

    QString m_linkApplication;
    QString m_partnerName;
    QString m_partnerAddress;
    QString m_ownName;
    QString m_ownAddress;

    GomokuUi::BoardView *m_boardView = nullptr;
    QLineEdit *m_txtDDEInput = nullptr;
    QLineEdit *m_txtDDEOutput = nullptr;
    std::array<QLabel *, 3> m_panels {};
    QAction *m_menuTopForm = nullptr;
    QAction *m_menuKibanColor = nullptr;

    QColor m_boardColor;
    std::array<QImage, 4> m_picGo;
    int m_cellWidth = 0;
    int m_cellHeight = 0;
    // Stones drawn with the marked image since the last full repaint.
    QList<QPoint> m_marked;

    bool m_gameWon = false;
    bool m_unloaded = false;
    bool m_skipEndReport = false;
    bool m_quietEndReport = false;
};
