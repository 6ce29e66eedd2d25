#pragma once

#include "gomokugame.h"

#include <QImage>
#include <QList>
#include <QMainWindow>
#include <QPoint>

#include <array>
#include <memory>

class LinkSource;
class QAction;
class QLabel;
class QTimer;
class SingleInstanceLock;

namespace GomokuUi {
class BoardView;
}

// The gomoku window: draws the 19 x 19 board and what the game reports, and
// hands the own user's clicks and the messenger's link texts to the game
// (GomokuGame), which decides everything else.
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

    const GomokuRules &rules() const { return m_game->rules(); }
    int CellWidth() const { return m_cellWidth; }
    int CellHeight() const { return m_cellHeight; }
    QColor boardColor() const { return m_boardColor; }
    // Panel 1, 2 or 3 of the status bar, as shown.
    QString panelText(int panel) const;

    QString LinkApplication() const { return m_game->LinkApplication(); }
    QString PartnerName() const { return m_game->PartnerName(); }
    QString PartnerAddress() const { return m_game->PartnerAddress(); }
    QString OwnName() const { return m_game->OwnName(); }
    QString OwnAddress() const { return m_game->OwnAddress(); }

    // Hands a text received over the link to the game.
    void ReceiveLinkText(const QString &text);

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
    void connectGame();
    void openLink();

    void manuS01_Click();
    void menuTopForm_Click();
    void menuKibanColor_Click();
    void menuM02_Click();

    void DrawLines(QPainter &painter, const QSize &clientSize);
    void DrawStones(QPainter &painter);
    void DispBitmap(QPainter &painter, int x, int y, int picture);
    // Redraws the whole board: grid and plain stones, marks removed.
    void repaintBoard();
    void markStone(int x, int y);
    void makeStoneImages();

    void Beep();
    void showCaption(const QString &caption);
    void showBox(const QString &text, const QString &title, GomokuGame::BoxIcon icon);

    void Form_LinkClose(const QString &item, const QString &text);

    QString m_runtimeDir;
    std::unique_ptr<SingleInstanceLock> m_lock;
    bool m_alreadyRunning = false;
    LinkSource *m_link = nullptr;
    bool m_linkListening = false;
    GomokuGame *m_game = nullptr;

    GomokuUi::BoardView *m_boardView = nullptr;
    std::array<QLabel *, 3> m_panels {};
    QAction *m_menuTopForm = nullptr;
    // Starts a nudge's flash from the event loop.
    QTimer *m_flashStart = nullptr;
    QAction *m_menuKibanColor = nullptr;

    QColor m_boardColor;
    std::array<QImage, 4> m_picGo;
    int m_cellWidth = 0;
    int m_cellHeight = 0;
    // Stones drawn with the marked image since the last full repaint.
    QList<QPoint> m_marked;
};
