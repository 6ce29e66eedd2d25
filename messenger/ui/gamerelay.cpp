// The messenger's side of a network game: the request, the start handshake,
// the introduction of the game program over the link, the relay of its texts
// in both directions and the end of the game.
//
// Introduction, in order, each one LinkMessage poked into the game:
//   #1 messenger's application name, #2 partner name, #3 partner address,
//   #4 own name, #5 own address, then 20 (black, accepting side) or
//   21 (white, requesting side), then 01 (start).
#include "frm_pelwickUDP.h"

#include "pelwickUDP030.h"
#include "pelwickUDP040.h"
#include "userlist.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QLineEdit>
#include <QTimer>

namespace {

// How long a just-started game program may take to open its link.
constexpr int GameStartPatienceMs = 8000;
constexpr int GameStartRetryMs = 50;

QString linkText(const QString &code, const QString &data = {})
{
    return QLatin1String("<GAMEFUNC>") + code + QLatin1String("<GAMEDATA>") + data;
}

QString programFileName(const QString &programName)
{
#ifdef Q_OS_WIN
    return programName + QLatin1String(".exe");
#else
    return programName;
#endif
}

} // namespace

QString GameProgramName(const QString &gameId)
{
    if (gameId == QLatin1String("01"))
        return QStringLiteral("GOMOKU");
    if (gameId == QLatin1String("02"))
        return QStringLiteral("OTHELLO");
    return {};
}

bool frm_pelwickUDP::gameProgramExists(const QString &programName) const
{
    const QFileInfo info(QDir(m_env.programDirectory).filePath(programFileName(programName)));
    return info.isFile() && info.isExecutable();
}

void frm_pelwickUDP::setupLink()
{
    m_link = new LinkSource(m_env.appName, m_env.runtimeDirectory, QString::fromLatin1(LinkTopic), this);
    m_link->addItem(QString::fromLatin1(LinkInputItem));
    // Each conversation's own text is relayed when it closes, so two game
    // texts poked in quick succession are never mixed up.
    connect(m_link, &LinkSource::conversationClosed, this, [this](const QString &, const QString &text) {
        m_txtDDEInput->setText(text);
        RelayLinkText();
    });
    if (!m_link->listen())
        ShowStatus(m_link->errorString());
}

bool frm_pelwickUDP::sendLinkText(const QString &text, const QString &application)
{
    m_txtDDEOutput->setText(text);
    return SendLinkText(text, application, m_env.runtimeDirectory);
}

void frm_pelwickUDP::requestGame(const QString &gameId)
{
    m_game = {};
    m_awaitingAccept = false;
    const QList<QTreeWidgetItem *> selected = m_listUser->selectedItems();
    QTreeWidgetItem *row = m_listUser->currentItem();
    if (!row && !selected.isEmpty())
        row = selected.first();
    if (!row)
        return;
    m_game.PartnerName = row->text(UserListView::NameColumn);
    m_game.PartnerAddress = row->text(UserListView::AddressColumn);
    m_game.GameId = gameId;
    m_game.GameName = GameProgramName(gameId);
    const QByteArray request = ownDatagram(MessageKind::GameRequest, m_game.GameId, linkText(QStringLiteral("01")));
    if (!sendTo(m_game.PartnerAddress, request)) {
        ShowStatus(QStringLiteral("送信に失敗しました。"));
        m_game = {};
        return;
    }
    m_awaitingAccept = true;
    ShowStatus(QStringLiteral("ゲームスタート要求を出しました。"));
}

void frm_pelwickUDP::startGame(const QString &kind)
{
    // The link calls below let the event loop run: keep what the end of
    // this routine needs before the first of them.
    const ParsedDatagram request = m_parsed;
    const bool accepting = kind == QLatin1String(MessageKind::GameRequest);
    // Whichever way this game starts, an earlier request is answered now.
    m_awaitingAccept = false;

    m_game.PartnerName = request.UserName;
    m_game.PartnerAddress = request.IpAddr;
    m_game.GameId = request.GameId;
    m_remoteHost = m_game.PartnerAddress;

    const QString gameName = GameProgramName(request.GameId);
    if (gameName.isEmpty()) {
        showReceiveErrorBox(QStringLiteral("ｹﾞｰﾑ種別ｴﾗｰ CD=") + request.GameId);
        return;
    }
    m_game.GameName = gameName;

    GameProgramPath = QDir(m_env.programDirectory).filePath(programFileName(gameName));
    GameProgramRuntimeDirectory = m_env.runtimeDirectory;
    if (StartGameProgram() == 0)
        return;

    const QString game = m_game.GameName;
    const QStringList introduction = {
        linkText(QStringLiteral("#1"), m_env.appName),
        linkText(QStringLiteral("#2"), request.UserName),
        linkText(QStringLiteral("#3"), request.IpAddr),
        linkText(QStringLiteral("#4"), m_settings.UserName),
        linkText(QStringLiteral("#5"), m_ownAddress),
    };
    // The program just started: give it a few seconds to open its link.
    bool delivered = false;
    const QDeadlineTimer patience(GameStartPatienceMs);
    while (!(delivered = sendLinkText(introduction.first(), game)) && !patience.hasExpired()
           && GameProcessHandle() != 0) {
        QEventLoop pause;
        QTimer::singleShot(GameStartRetryMs, &pause, &QEventLoop::quit);
        pause.exec();
    }
    for (qsizetype i = 1; delivered && i < introduction.size(); ++i)
        delivered = sendLinkText(introduction[i], game);
    if (!delivered) {
        ShowStatus(QStringLiteral("失敗しました"));
        return;
    }

    if (!sendLinkText(linkText(accepting ? QStringLiteral("20") : QStringLiteral("21")), game)) {
        ShowStatus(QStringLiteral("失敗しました"));
        if (accepting)
            return;
    }
    if (!sendLinkText(linkText(QStringLiteral("01")), game)) {
        ShowStatus(QStringLiteral("失敗しました"));
        return;
    }

    if (accepting) {
        const QByteArray accept = BuildDatagram(QLatin1String(MessageKind::GameAccept), m_settings.UserName,
                                                m_ownAddress, request.GameId, linkText(QStringLiteral("01")));
        if (!sendTo(request.IpAddr, accept)) {
            ShowStatus(QStringLiteral("送信に失敗しました。"));
            return;
        }
        ShowStatus(QStringLiteral("ゲームスタート要求を出しました。"));
    }
    m_listUser->SetUserMark(request.UserName, request.IpAddr, PresenceMark::InGame);
    menuGame->setChecked(true);
    menuGame->setVisible(false);
}

void frm_pelwickUDP::RelayLinkText()
{
    // Without a partner the text has nowhere to go: the game's end report
    // can cross the partner's, whose arrival has already ended the match.
    // Sending to no address would fail, and marking no one would add a
    // blank row to the list.
    if (m_game.PartnerAddress.isEmpty())
        return;
    const QString text = trimSpaces(m_txtDDEInput->text());
    const QString endText = linkText(QStringLiteral("99"));
    m_remoteHost = m_game.PartnerAddress;
    if (text == endText)
        sendTo(m_game.PartnerAddress, ownDatagram(MessageKind::GameEnd, m_game.GameId));
    else
        sendTo(m_game.PartnerAddress, ownDatagram(MessageKind::GameRelay, m_game.GameId, text));

    if (text == linkText(QStringLiteral("40")))
        return;
    if (text == endText) {
        m_listUser->SetUserMark(m_game.PartnerName, m_game.PartnerAddress, PresenceMark::HeardFrom);
        menuGame->setChecked(false);
        m_game.PartnerName.clear();
        m_game.PartnerAddress.clear();
        m_game.GameId.clear();
    }
}

void frm_pelwickUDP::relayToGame(const ParsedDatagram &datagram)
{
    // Only the partner of the running game may move its stones.
    if (m_game.PartnerAddress.isEmpty() || datagram.IpAddr != m_game.PartnerAddress)
        return;
    if (!sendLinkText(datagram.Data, m_game.GameName))
        ShowStatus(QStringLiteral("失敗しました"));
}

void frm_pelwickUDP::partnerGameEnded()
{
    if (!endGameProgram())
        return;
    m_game.PartnerName.clear();
    m_game.PartnerAddress.clear();
    m_game.GameId.clear();
    menuGame->setVisible(true);
    menuGame->setChecked(false);
    m_game.GameName.clear();
    ShowStatus(QStringLiteral("対戦相手よりゲーム終了報告を受けました。"));
}

bool frm_pelwickUDP::endGameProgram()
{
    return EndGameProgram() == 0;
}
