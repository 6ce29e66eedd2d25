// The messenger's protocol. Receive: one table from datagram kind to its
// action. Send: the announcement, the goodbye, messages, the removal request
// and the game request. Game: the start handshake, the introduction of the
// game program over the link, the relay of its texts in both directions and
// the end of the game.
//
// Introduction, in order, each one LinkMessage poked into the game:
//   #1 messenger's application name, #2 partner name, #3 partner address,
//   #4 own name, #5 own address, then 20 (black, accepting side) or
//   21 (white, requesting side), then 01 (start).
#include "messengersession.h"

#include "conversationlog.h"
#include "cp932.h"
#include "gameprograms.h"
#include "linkmessage.h"
#include "pelwickUDP030.h"
#include "pelwickUDP080.h"
#include "settingsstore.h"
#include "singleinstancelock.h"
#include "textutil.h"
#include "userdirectory.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QNetworkDatagram>
#include <QStandardPaths>
#include <QTime>
#include <QTimer>
#include <QUdpSocket>

#include <algorithm>

namespace {

// How long a just-started game program may take to open its link.
constexpr int GameStartPatienceMs = 8000;
constexpr int GameStartRetryMs = 50;

QString clockText()
{
    return QTime::currentTime().toString(QStringLiteral("HH:mm:ss"));
}

// The message as it travels and is logged: every line break CR LF, the line
// end of the messages peers send and expect. Edit controls end lines in LF
// (and may report paragraph and line separators); a pasted CR LF or lone CR
// counts as one line break.
QString crLfLineBreaks(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return text;
}

// The rows a send path walks: in list order and each once, whatever order
// the caller picked them in (a selection reports rows in the order they were
// selected).
QList<int> inListOrder(QList<int> rows)
{
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

const QString TextSendFailed = QStringLiteral("送信に失敗しました。");
const QString TextFailed = QStringLiteral("失敗しました");
const QString TextGameRequested = QStringLiteral("ゲームスタート要求を出しました。");

} // namespace

struct MessengerSession::KindAction
{
    const char *kind;
    void (MessengerSession::*receive)();
};

const MessengerSession::KindAction MessengerSession::ReceiveTable[] = {
    { MessageKind::Announce, &MessengerSession::receiveAnnounce },
    { MessageKind::AnnounceAnswer, &MessengerSession::receiveAnnounceAnswer },
    { MessageKind::Text, &MessengerSession::receiveText },
    { MessageKind::Goodbye, &MessengerSession::receiveGoodbye },
    { MessageKind::GameRequest, &MessengerSession::receiveGameRequest },
    { MessageKind::GameAccept, &MessengerSession::receiveGameAccept },
    { MessageKind::GameRelay, &MessengerSession::receiveGameRelay },
    { MessageKind::GameEnd, &MessengerSession::receiveGameEnd },
    { MessageKind::RemovalRequest, &MessengerSession::receiveRemovalRequest },
};

MessengerSession::MessengerSession(const SessionEnvironment &environment, GamePrograms *games, QObject *parent)
    : QObject(parent)
    , m_env(environment)
    , m_games(games)
    , m_directory(new UserDirectory(this))
{
    if (m_env.runtimeDirectory.isEmpty())
        m_env.runtimeDirectory = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (m_env.programDirectory.isEmpty())
        m_env.programDirectory = QCoreApplication::applicationDirPath();
    if (m_env.dataDirectory.isEmpty())
        m_env.dataDirectory
            = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QLatin1Char('/') + m_env.appName;
    m_conversation
        = std::make_unique<ConversationLog>(QDir(m_env.dataDirectory).filePath(m_env.appName + QLatin1String(".log")));
    m_directorySave = new QTimer(this);
    m_directorySave->setSingleShot(true);
    m_directorySave->setInterval(1000);
    connect(m_directorySave, &QTimer::timeout, this, &MessengerSession::writeDirectory);
    if (!m_games) {
        m_ownGames = std::make_unique<SystemGamePrograms>(m_env.programDirectory, m_env.runtimeDirectory);
        m_games = m_ownGames.get();
    }
    if (m_env.ownAddress.isEmpty()) {
        const bool specific = m_env.bindAddress != QHostAddress(QHostAddress::AnyIPv4)
            && m_env.bindAddress != QHostAddress(QHostAddress::Any);
        m_ownAddress = specific ? m_env.bindAddress.toString() : primaryIpv4Address();
    } else {
        m_ownAddress = m_env.ownAddress;
    }
    // At start the remote host is the own machine.
    m_remoteHost = m_ownAddress;
}

MessengerSession::~MessengerSession() = default;

bool MessengerSession::lockInstance()
{
    m_instanceLock = std::make_unique<SingleInstanceLock>(
        QDir(m_env.runtimeDirectory).filePath(m_env.appName + QLatin1String(".lock")));
    if (m_instanceLock->tryLock() == SingleInstanceLock::Result::Locked)
        return true;
    m_instanceLock.reset();
    return false;
}

void MessengerSession::unlockInstance()
{
    m_instanceLock.reset();
}

SettingsNotices MessengerSession::loadSettings(const SettingsStore &store, const LocalSettings &defaults)
{
    SettingsNotices notices = loadLocalSettings(store, m_settings, defaults);
    m_directory->setEntries(loadDirectory(store, &notices.countDamaged));
    connect(m_directory, &UserDirectory::entriesChanged, m_directorySave, qOverload<>(&QTimer::start),
        Qt::UniqueConnection);
    return notices;
}

void MessengerSession::saveSettings(SettingsStore &store)
{
    m_directorySave->stop();
    saveLocalSettings(store, m_settings);
    saveDirectory(store, m_directory->entries());
}

void MessengerSession::writeDirectory()
{
    // Through the store's own atomic write: the rest of the file stays as
    // it is on disk.
    SettingsStore store(m_env.appName, m_env.settingsDirectory);
    saveDirectory(store, m_directory->entries());
    store.sync();
}

QString MessengerSession::conversationFilePath() const
{
    return m_conversation->filePath();
}

QString MessengerSession::keptConversation() const
{
    return m_settings.KeepLog ? m_conversation->tail() : QString();
}

void MessengerSession::appendLog(const QString &block)
{
    emit logAppended(block);
    if (!m_settings.KeepLog || m_conversation->append(block))
        return;
    // Said once: the conversation goes on without being kept.
    if (!m_conversationFailed)
        ShowStatus(QStringLiteral("送受信履歴を保存できません: ") + m_conversation->errorString());
    m_conversationFailed = true;
}

bool MessengerSession::openSocket()
{
    m_socket = new QUdpSocket(this);
    connect(m_socket, &QUdpSocket::readyRead, this, &MessengerSession::onReadyRead);
    connect(m_socket, &QUdpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError error) {
        ShowStatus(QLatin1Char('[') + QString::number(int(error)) + QLatin1Char(']') + m_socket->errorString());
    });
    if (m_settings.Port < 1 || m_settings.Port > 65535) {
        ShowStatus(QStringLiteral("[%1]Invalid port number").arg(m_settings.Port));
        return false;
    }
    // A failure has shown its reason in the status text through errorOccurred.
    if (!m_socket->bind(m_env.bindAddress, quint16(m_settings.Port)))
        return false;
    m_socket->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 1024 * 1024);
    return true;
}

void MessengerSession::closeSocket()
{
    if (m_socket)
        m_socket->close();
}

bool MessengerSession::openLink()
{
    m_link = new LinkSource(m_env.appName, m_env.runtimeDirectory, QString::fromLatin1(LinkTopic), this);
    m_link->addItem(QString::fromLatin1(LinkInputItem));
    // Each conversation's own text is relayed when it closes, so two game
    // texts poked in quick succession are never mixed up.
    connect(m_link, &LinkSource::conversationClosed, this,
        [this](const QString &, const QString &text) { RelayLinkText(text); });
    if (m_link->listen())
        return true;
    ShowStatus(m_link->errorString());
    return false;
}

// ---- sending ---------------------------------------------------------------

bool MessengerSession::send(const QString &address, const QByteArray &datagram)
{
    m_remoteHost = address;
    return writeDatagram(address, datagram);
}

bool MessengerSession::writeDatagram(const QString &address, const QByteArray &datagram)
{
    const QHostAddress host(address);
    if (host.isNull() || host.protocol() != QAbstractSocket::IPv4Protocol)
        return false;
    if (datagram.size() > MaxDatagramSize)
        return false;
    const quint16 port = quint16(m_settings.Port);
    if (m_sender)
        return m_sender(datagram, host, port) == datagram.size();
    return m_socket && m_socket->writeDatagram(datagram, host, port) == datagram.size();
}

QString MessengerSession::ownAddressFor(const QString &destination)
{
    // A messenger given its address, pinned by the user, or bound to one
    // address always names that one.
    if (!m_env.ownAddress.isEmpty())
        return m_env.ownAddress;
    if (!m_settings.IpAddr.isEmpty())
        return m_settings.IpAddr;
    if (m_env.bindAddress != QHostAddress(QHostAddress::AnyIPv4)
        && m_env.bindAddress != QHostAddress(QHostAddress::Any))
        return m_ownAddress;
    // On a host with several networks, each peer must be told the address it
    // can reach: the one the system sends to it from.
    constexpr qint64 CacheLifetimeMs = 30000;
    if (!m_ownAddressAge.isValid() || m_ownAddressAge.hasExpired(CacheLifetimeMs)) {
        m_ownAddressCache.clear();
        m_ownAddressAge.start();
    }
    auto cached = m_ownAddressCache.constFind(destination);
    if (cached != m_ownAddressCache.constEnd())
        return *cached;
    QString own = localAddressTowards(destination);
    if (own.isEmpty() || QHostAddress(own).isLoopback())
        own = m_ownAddress;
    // Bounded: a directory of invented addresses must not grow the cache
    // beyond the directory itself.
    if (m_ownAddressCache.size() < 2 * MaxAddedRows)
        m_ownAddressCache.insert(destination, own);
    return own;
}

QByteArray MessengerSession::ownDatagram(
    const char *kind, const QString &destination, const QString &gameId, const QString &data)
{
    return buildDatagram(QLatin1String(kind), m_settings.UserName, ownAddressFor(destination), gameId, data);
}

void MessengerSession::sendToEveryRow(const char *kind)
{
    const QList<DirectoryEntry> rows = m_directory->entries();
    // One datagram per own address: most hosts have one.
    QHash<QString, QByteArray> datagrams;
    for (const DirectoryEntry &row : rows) {
        const QString own = ownAddressFor(row.UserIpAddr);
        auto datagram = datagrams.find(own);
        if (datagram == datagrams.end())
            datagram = datagrams.insert(
                own, buildDatagram(QLatin1String(kind), m_settings.UserName, own, m_game.GameId, QString()));
        send(row.UserIpAddr, *datagram);
    }
}

void MessengerSession::announce(bool broadcast)
{
    // The empty datagram first, to the current remote host; nobody reads it.
    send(m_remoteHost, QByteArray());
    sendToEveryRow(MessageKind::Announce);
    // Only a messenger that listens on every network can hear the answers
    // of every subnet; one bound to a single address stays on it.
    const bool listensEverywhere = m_env.bindAddress == QHostAddress(QHostAddress::AnyIPv4)
        || m_env.bindAddress == QHostAddress(QHostAddress::Any);
    if (!broadcast || !m_settings.Broadcast || !listensEverywhere || !m_socket)
        return;
    const QList<BroadcastRoute> routes = broadcastRoutes();
    for (const BroadcastRoute &route : routes) {
        const QString own = m_settings.IpAddr.isEmpty() ? route.ownAddress : m_settings.IpAddr;
        m_broadcastSources.insert(own);
        m_broadcastTargets.insert(QHostAddress(route.broadcastAddress));
        // A broadcast is nobody's conversation: the remote host stays the last peer.
        writeDatagram(route.broadcastAddress,
            buildDatagram(QLatin1String(MessageKind::Announce), m_settings.UserName, own, m_game.GameId));
    }
}

void MessengerSession::sayGoodbye()
{
    sendToEveryRow(MessageKind::Goodbye);
}

void MessengerSession::checkConnections()
{
    m_directory->SetAllMarks(PresenceMark::NotHeard);
    announce(true);
}

MessengerSession::SendResult MessengerSession::sendMessage(const QString &typed, const QList<int> &rows)
{
    const QString header = QLatin1String("[Send] Time:") + clockText();
    const QString indent(int(Cp932::byteLength(header)), QLatin1Char(' '));
    const QString text = trimSpaces(crLfLineBreaks(typed));
    QString addressees;
    for (const int i : inListOrder(rows)) {
        if (i < 0 || i >= m_directory->rowCount() || m_directory->mark(i) == PresenceMark::NotHeard)
            continue;
        addressees += (addressees.isEmpty() ? QString() : indent) + QStringLiteral(",相手:")
            + trimSpaces(m_directory->name(i)) + QLatin1String("\r\n");
        const QString address = m_directory->address(i);
        if (!send(address, ownDatagram(MessageKind::Text, address, QString(), text))) {
            ShowStatus(TextSendFailed);
            return SendResult::Failed;
        }
    }
    if (addressees.isEmpty()) {
        ShowStatus(
            QStringLiteral("通信状態が") + PresenceMark::HeardFrom + QStringLiteral("の対象者を設定して下さい。"));
        return SendResult::NoAddressee;
    }
    appendLog(header + addressees + text + QLatin1String("\r\n\r\n"));
    return SendResult::Sent;
}

bool MessengerSession::sendRemovalRequest(const QList<int> &rows)
{
    for (const int i : inListOrder(rows)) {
        if (i < 0 || i >= m_directory->rowCount() || m_directory->mark(i) != PresenceMark::HeardFrom)
            continue;
        const QString address = m_directory->address(i);
        if (!send(address, ownDatagram(MessageKind::RemovalRequest, address, QString()))) {
            ShowStatus(TextSendFailed);
            return false;
        }
    }
    return true;
}

void MessengerSession::requestGame(const QString &gameId, int row)
{
    m_game = {};
    m_awaitingAccept = false;
    if (row < 0 || row >= m_directory->rowCount())
        return;
    m_game.PartnerName = m_directory->name(row);
    m_game.PartnerAddress = m_directory->address(row);
    m_game.GameId = gameId;
    m_game.GameName = gameProgramName(gameId);
    const QByteArray request = ownDatagram(
        MessageKind::GameRequest, m_game.PartnerAddress, m_game.GameId, LinkMessage::build(QStringLiteral("01")));
    if (!send(m_game.PartnerAddress, request)) {
        ShowStatus(TextSendFailed);
        m_game = {};
        return;
    }
    m_awaitingAccept = true;
    ShowStatus(TextGameRequested);
}

// ---- receiving -------------------------------------------------------------

void MessengerSession::onReadyRead()
{
    // Drain everything pending: one ready-read may stand for many datagrams.
    while (m_socket->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = m_socket->receiveDatagram(MaxDatagramSize);
        if (!datagram.isValid())
            break;
        handleDatagram(datagram.data(), datagram.senderAddress(), datagram.destinationAddress());
    }
}

void MessengerSession::handleDatagram(QByteArrayView bytes, const QHostAddress &source, const QHostAddress &destination)
{
    if (isBlankDatagram(bytes))
        return;
    m_parsed = ParseDatagram(bytes);
    m_source = source;
    // Our own broadcast comes back to us from our own address.
    const bool ownBroadcast = m_parsed.Kind == QLatin1String(MessageKind::Announce) && !source.isNull()
        && m_broadcastSources.contains(m_parsed.IpAddr) && QHostAddress(m_parsed.IpAddr).isEqual(source)
        && (destination.isNull() || m_broadcastTargets.contains(destination));
    if (!ownBroadcast)
        PerformKind();
    emit datagramHandled(m_parsed.Kind);
}

bool MessengerSession::acceptsNewPeer()
{
    // Anyone can write any address into <IPADDR>: a sender is added (and
    // answered) only from the address it names, so nobody can fill the
    // directory with invented peers or have us answer third parties.
    if (!m_source.isNull() && !QHostAddress(m_parsed.IpAddr).isEqual(m_source, QHostAddress::ConvertV4MappedToIPv4))
        return false;
    if (m_addedRows < MaxAddedRows)
        return true;
    if (!m_capReported) {
        m_capReported = true;
        ShowStatus(QStringLiteral("新しい相手が多すぎるため、これ以上は一覧に追加しません。"));
    }
    return false;
}

bool MessengerSession::markSender(const QString &mark)
{
    const ParsedDatagram &p = m_parsed;
    if (m_directory->rowOf(p.IpAddr) < 0) {
        if (!acceptsNewPeer())
            return false;
        ++m_addedRows;
    }
    m_directory->SetUserMark(p.UserName, p.IpAddr, mark);
    return true;
}

void MessengerSession::PerformKind()
{
    for (const KindAction &action : ReceiveTable) {
        if (m_parsed.Kind == QLatin1String(action.kind)) {
            (this->*action.receive)();
            return;
        }
    }
    requestBox(QStringLiteral("電文種別エラー"));
}

void MessengerSession::requestBox(const QString &text)
{
    if (m_boxOpen)
        return;
    m_boxOpen = true;
    // Reported from the event loop, not from inside the socket's read
    // handler, so the socket keeps draining (and dropping) while the box is
    // open.
    QMetaObject::invokeMethod(
        this, [this, text] { emit boxRequested(text); }, Qt::QueuedConnection);
}

void MessengerSession::boxClosed()
{
    m_boxOpen = false;
}

void MessengerSession::receiveAnnounce()
{
    const ParsedDatagram p = m_parsed;
    if (!markSender(p.GameId.isEmpty() ? PresenceMark::HeardFrom : PresenceMark::InGame))
        return;
    send(p.IpAddr, ownDatagram(MessageKind::AnnounceAnswer, p.IpAddr, m_game.GameId));
}

void MessengerSession::receiveAnnounceAnswer()
{
    markSender(m_parsed.GameId.isEmpty() ? PresenceMark::HeardFrom : PresenceMark::InGame);
}

void MessengerSession::receiveText()
{
    const ParsedDatagram p = m_parsed;
    markSender(PresenceMark::HeardFrom);
    appendLog(QLatin1String("[Recv] Time:") + clockText() + QStringLiteral(",相手:") + p.UserName + QLatin1Char('(')
        + p.IpAddr + QLatin1String(")\r\n") + p.Data + QLatin1String("\r\n\r\n"));
    ShowStatus(QStringLiteral("メッセージを受け付けました。"));
    emit messageArrived(p);
}

void MessengerSession::receiveGoodbye()
{
    const ParsedDatagram &p = m_parsed;
    markSender(PresenceMark::NotHeard);
    if (!m_game.PartnerAddress.isEmpty() && p.IpAddr == m_game.PartnerAddress) {
        m_awaitingAccept = false;
        // The game is over with its partner gone: presence no longer
        // carries its id, and a new game may be asked for.
        if (endGameProgram()) {
            m_game.GameName.clear();
            clearPartner();
            setGameState(false, true);
        }
    }
}

void MessengerSession::receiveGameRequest()
{
    const ParsedDatagram &p = m_parsed;
    const QString program = gameProgramName(p.GameId);
    if (program.isEmpty() || !gameProgramExists(program))
        return;
    if (!markSender(PresenceMark::InGame))
        return;
    startGame(true);
}

void MessengerSession::receiveGameAccept()
{
    // Only the user we asked may start our game, and only once: an
    // acceptance nobody asked for would start a game program against
    // whoever sent it.
    if (m_awaitingAccept && !m_game.PartnerAddress.isEmpty() && m_parsed.IpAddr == m_game.PartnerAddress)
        startGame(false);
}

void MessengerSession::receiveGameRelay()
{
    // Only the partner of the running game may move its stones.
    if (m_game.PartnerAddress.isEmpty() || m_parsed.IpAddr != m_game.PartnerAddress)
        return;
    const QString text = m_parsed.Data;
    if (!m_games->poke(text, m_game.GameName))
        ShowStatus(TextFailed);
}

void MessengerSession::receiveGameEnd()
{
    // Only the partner of the running game may end it.
    const ParsedDatagram &p = m_parsed;
    if (m_game.PartnerAddress.isEmpty() || p.IpAddr != m_game.PartnerAddress)
        return;
    m_directory->SetUserMark(p.UserName, p.IpAddr, PresenceMark::HeardFrom);
    setGameState(false, true);
    if (!endGameProgram())
        return;
    clearPartner();
    m_game.GameName.clear();
    setGameState(false, true);
    ShowStatus(QStringLiteral("対戦相手よりゲーム終了報告を受けました。"));
}

void MessengerSession::receiveRemovalRequest()
{
    m_directory->RemoveUserByAddress(m_parsed.IpAddr);
}

// ---- game ------------------------------------------------------------------

bool MessengerSession::gameProgramExists(const QString &programName) const
{
    return m_games->exists(programName);
}

bool MessengerSession::endGameProgram()
{
    return m_games->end();
}

void MessengerSession::setGameState(bool inGame, bool offered)
{
    if (m_inGame == inGame && m_gameOffered == offered)
        return;
    m_inGame = inGame;
    m_gameOffered = offered;
    emit gameStateChanged();
}

void MessengerSession::clearPartner()
{
    m_game.PartnerName.clear();
    m_game.PartnerAddress.clear();
    m_game.GameId.clear();
}

void MessengerSession::startGame(bool accepting)
{
    // The link calls below let the event loop run: keep what the end of
    // this routine needs before the first of them.
    const ParsedDatagram request = m_parsed;
    // Whichever way this game starts, an earlier request is answered now.
    m_awaitingAccept = false;

    m_game.PartnerName = request.UserName;
    m_game.PartnerAddress = request.IpAddr;
    m_game.GameId = request.GameId;
    m_remoteHost = m_game.PartnerAddress;

    const QString gameName = gameProgramName(request.GameId);
    if (gameName.isEmpty()) {
        requestBox(QStringLiteral("ｹﾞｰﾑ種別ｴﾗｰ CD=") + request.GameId);
        return;
    }
    m_game.GameName = gameName;
    if (!m_games->start(gameName))
        return;

    const QString game = m_game.GameName;
    const QStringList introduction = {
        LinkMessage::build(QStringLiteral("#1"), m_env.appName),
        LinkMessage::build(QStringLiteral("#2"), request.UserName),
        LinkMessage::build(QStringLiteral("#3"), request.IpAddr),
        LinkMessage::build(QStringLiteral("#4"), m_settings.UserName),
        LinkMessage::build(QStringLiteral("#5"), ownAddressFor(request.IpAddr)),
    };
    // The program just started: give it a few seconds to open its link.
    bool delivered = false;
    const QDeadlineTimer patience(GameStartPatienceMs);
    while (!(delivered = m_games->poke(introduction.first(), game)) && !patience.hasExpired() && m_games->running()) {
        QEventLoop pause;
        QTimer::singleShot(GameStartRetryMs, &pause, &QEventLoop::quit);
        pause.exec();
    }
    for (qsizetype i = 1; delivered && i < introduction.size(); ++i)
        delivered = m_games->poke(introduction[i], game);
    if (!delivered) {
        ShowStatus(TextFailed);
        return;
    }

    if (!m_games->poke(LinkMessage::build(accepting ? QStringLiteral("20") : QStringLiteral("21")), game)) {
        ShowStatus(TextFailed);
        if (accepting)
            return;
    }
    if (!m_games->poke(LinkMessage::build(QStringLiteral("01")), game)) {
        ShowStatus(TextFailed);
        return;
    }

    if (accepting) {
        const QByteArray accept = ownDatagram(
            MessageKind::GameAccept, request.IpAddr, request.GameId, LinkMessage::build(QStringLiteral("01")));
        if (!send(request.IpAddr, accept)) {
            ShowStatus(TextSendFailed);
            return;
        }
        ShowStatus(TextGameRequested);
    }
    m_directory->SetUserMark(request.UserName, request.IpAddr, PresenceMark::InGame);
    setGameState(true, false);
}

void MessengerSession::RelayLinkText(const QString &poked)
{
    // Without a partner the text has nowhere to go: the game's end report
    // can cross the partner's, whose arrival has already ended the match.
    // Sending to no address would fail, and marking no one would add a
    // blank row to the list.
    if (m_game.PartnerAddress.isEmpty())
        return;
    const QString text = trimSpaces(poked);
    const QString endText = LinkMessage::build(QStringLiteral("99"));
    const QString partner = m_game.PartnerAddress;
    if (text == endText)
        send(partner, ownDatagram(MessageKind::GameEnd, partner, m_game.GameId));
    else
        send(partner, ownDatagram(MessageKind::GameRelay, partner, m_game.GameId, text));

    if (text == LinkMessage::build(QStringLiteral("40")) || text != endText)
        return;
    m_directory->SetUserMark(m_game.PartnerName, m_game.PartnerAddress, PresenceMark::HeardFrom);
    clearPartner();
    setGameState(false, m_gameOffered);
}
