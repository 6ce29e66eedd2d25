// GOMOKU's link input: Control_Data on any text the messenger could poke,
// and the game window's ReceiveLinkText acting on it. Boxes the game shows
// are answered at once and caption flashing is cut short.
#include "frm_GOMOKU.h"
#include "fuzzsupport.h"
#include "gomokulink.h"
#include "pelwickUDP050.h"

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdint>

using FuzzSupport::check;
using namespace GomokuLink;

namespace {

QTemporaryDir *runtime = nullptr;
frm_GOMOKU *game = nullptr;
bool gameEnded = false;

void newGame()
{
    delete game;
    gameEnded = false;
    game = new frm_GOMOKU(runtime->path());
    QObject::connect(game, &frm_GOMOKU::programEnded, [] { gameEnded = true; });
    game->show();
}

// Runs inside every modal box and flash wait the game opens.
void answerBoxes()
{
    StopFlashing();
    const QList<QWidget *> windows = QApplication::topLevelWidgets();
    for (QWidget *w : windows) {
        if (auto *box = qobject_cast<QMessageBox *>(w); box && box->isVisible())
            box->done(QMessageBox::Ok);
    }
}

void checkControlData(const QString &text)
{
    const LinkText split = Control_Data(text);
    if (FuzzSupport::cp932Stable(split.GameFunc) && FuzzSupport::cp932Stable(split.GameData)
        && !split.GameFunc.contains(QLatin1String(DataTag))) {
        const LinkText again = Control_Data(linkMessage(split.GameFunc, split.GameData));
        check(again.GameFunc == split.GameFunc && again.GameData == split.GameData,
              "rebuilt link text splits differently");
    }
    if (const auto move = parseMoveData(split.GameData)) {
        const auto again = parseMoveData(moveData(move->address, move->x, move->y));
        check(again && again->address == move->address && again->x == move->x && again->y == move->y,
              "move data does not survive a rebuild");
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int qargc = 1;
    static char *qargv[] = { (*argv)[0], nullptr };
    new QApplication(qargc, qargv);
    runtime = new QTemporaryDir;
    auto *answerer = new QTimer;
    QObject::connect(answerer, &QTimer::timeout, answerBoxes);
    answerer->start(0);
    newGame();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // What arrives over the link is code page 932 text.
    const QString text = Cp932::decode(QByteArrayView(data, qsizetype(size)));
    checkControlData(text);
    checkControlData(text.trimmed());

    if (gameEnded)
        newGame();
    auto *input = game->findChild<QLineEdit *>(QStringLiteral("txtDDEInput"));
    check(input, "no txtDDEInput");
    input->setText(text);
    game->ReceiveLinkText();
    QCoreApplication::processEvents();
    return 0;
}
