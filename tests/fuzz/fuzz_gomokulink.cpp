// GOMOKU's link input: LinkMessage::parse on any text the messenger could poke,
// and the game (GomokuGame, no window) acting on it. Sends succeed or fail
// by the input's first byte, so both paths run.
#include "fuzzsupport.h"
#include "gomokugame.h"
#include "gomokulink.h"

#include <QCoreApplication>

#include <cstdint>

using FuzzSupport::check;
using namespace GomokuLink;

namespace {

GomokuGame *game = nullptr;
bool gameEnded = false;
bool sendsSucceed = true;

void newGame()
{
    delete game;
    gameEnded = false;
    game = new GomokuGame([](const QString &, const QString &) { return sendsSucceed; });
    QObject::connect(game, &GomokuGame::programEnded, [] { gameEnded = true; });
}

void checkControlData(const QString &text)
{
    const LinkMessage::Parts split = LinkMessage::parse(text);
    if (FuzzSupport::cp932Stable(split.code) && FuzzSupport::cp932Stable(split.data)
        && !split.code.contains(QLatin1String(DataTag))) {
        const LinkMessage::Parts again = LinkMessage::parse(linkMessage(split.code, split.data));
        check(again.code == split.code && again.data == split.data, "rebuilt link text splits differently");
    }
    if (const auto move = parseMoveData(split.data)) {
        const auto again = parseMoveData(moveData(move->address, move->x, move->y));
        check(again && again->address == move->address && again->x == move->x && again->y == move->y,
            "move data does not survive a rebuild");
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static int qargc = 1;
    static char *qargv[] = { (*argv)[0], nullptr };
    new QCoreApplication(qargc, qargv);
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
    sendsSucceed = size == 0 || (data[0] & 1) == 0;
    game->ReceiveLinkText(text);
    // A move of the own player on the point the text names, if any.
    if (const auto move = parseMoveData(LinkMessage::parse(text.trimmed()).data))
        game->clickPoint(Qt::LeftButton, move->x, move->y);
    return 0;
}
