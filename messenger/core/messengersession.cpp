#include "messengersession.h"

#include "cp932.h"
#include "datagramchannel.h"
#include "gameprograms.h"
#include "gamerelay.h"
#include "logcategories.h"
#include "peerpresence.h"
#include "sessionstorage.h"
#include "textutil.h"
#include "userdirectory.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QStandardPaths>
#include <QTime>

namespace {

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

SessionEnvironment withDefaultFolders(SessionEnvironment env)
{
    if (env.runtimeDirectory.isEmpty())
        env.runtimeDirectory = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (env.programDirectory.isEmpty())
        env.programDirectory = QCoreApplication::applicationDirPath();
    if (env.dataDirectory.isEmpty())
        env.dataDirectory
            = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QLatin1Char('/') + env.appName;
    return env;
}

} // namespace

MessengerSession::MessengerSession(const SessionEnvironment &environment, GamePrograms *games, QObject *parent)
    : QObject(parent)
    , m_env(withDefaultFolders(environment))
    , m_directory(new UserDirectory(this))
    , m_channel(new DatagramChannel(m_env, this))
    , m_presence(new PeerPresence(
          m_channel, m_directory, m_settings, [this] { return m_game->currentGame().GameId; }, this))
    , m_storage(new SessionStorage(m_env, m_directory, this))
{
    m_kindBoxClock.start();
    if (!games) {
        m_ownGames = std::make_unique<SystemGamePrograms>(m_env.programDirectory, m_env.runtimeDirectory);
        games = m_ownGames.get();
    }
    m_game = new GameRelay(m_channel, m_presence, m_directory, m_settings, games, m_env.appName, this);

    connect(m_channel, &DatagramChannel::statusChanged, this, &MessengerSession::statusChanged);
    connect(m_presence, &PeerPresence::statusChanged, this, &MessengerSession::statusChanged);
    connect(m_game, &GameRelay::statusChanged, this, &MessengerSession::statusChanged);
    connect(m_storage, &SessionStorage::statusChanged, this, &MessengerSession::statusChanged);
    connect(m_channel, &DatagramChannel::received, this,
        [this](const ParsedDatagram &d, const QHostAddress &from, bool byBroadcast) {
            PerformKind(d, { from, byBroadcast });
            emit datagramHandled(d.Kind);
        });
    connect(m_game, &GameRelay::boxRequested, this, &MessengerSession::requestBox);
    connect(m_game, &GameRelay::stateChanged, this, &MessengerSession::gameStateChanged);
}

MessengerSession::~MessengerSession()
{
    // The game relay reads the game programs as it goes; they go last.
    delete m_game;
}

SettingsNotices MessengerSession::loadSettings()
{
    const SettingsNotices notices = m_storage->loadSettings(m_settings);
    m_channel->setPinnedAddress(m_settings.IpAddr);
    return notices;
}

bool MessengerSession::saveSettings(const std::optional<WindowPlace> &place)
{
    return m_storage->saveSettings(m_settings, place);
}

QString MessengerSession::keptConversation() const
{
    return m_settings.KeepLog ? m_storage->keptConversation() : QString();
}

bool MessengerSession::openSocket()
{
    return m_channel->open(m_settings.Port);
}

void MessengerSession::closeSocket()
{
    // Nothing more is handled: what the socket queued goes unread and a
    // game start under way is given up.
    m_channel->close();
    m_game->close();
}

bool MessengerSession::openLink()
{
    return m_game->openLink(m_env.runtimeDirectory);
}

void MessengerSession::appendLog(const QString &block)
{
    emit logAppended(block);
    m_storage->keepConversation(block, m_settings.KeepLog);
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
        if (!m_channel->send(address, m_presence->ownDatagram(MessageKind::Text, address, QString(), text))) {
            emit statusChanged(tr("送信に失敗しました。"));
            return SendResult::Failed;
        }
    }
    if (addressees.isEmpty()) {
        emit statusChanged(tr("通信状態が") + presenceGlyph(PresenceMark::HeardFrom)
            + tr("の対象者を設定して下さい。"));
        return SendResult::NoAddressee;
    }
    appendLog(header + addressees + text + QLatin1String("\r\n\r\n"));
    return SendResult::Sent;
}

void MessengerSession::PerformKind(const ParsedDatagram &datagram, const Arrival &arrival)
{
    const std::optional<MessageKind> kind = datagram.messageKind();
    if (!kind) {
        unknownKind(datagram, arrival.source);
        return;
    }
    // Every kind has its handler: a kind without one does not compile.
    switch (*kind) {
    case MessageKind::Announce:
        m_presence->receiveAnnounce(datagram, arrival.source, arrival.byBroadcast);
        return;
    case MessageKind::AnnounceAnswer:
        m_presence->receiveAnnounceAnswer(datagram, arrival.source);
        return;
    case MessageKind::Text:
        receiveText(datagram, arrival.source);
        return;
    case MessageKind::Goodbye:
        receiveGoodbye(datagram, arrival.source);
        return;
    case MessageKind::GameRequest:
        m_game->receiveGameRequest(datagram, arrival.source);
        return;
    case MessageKind::GameAccept:
        m_game->receiveGameAccept(datagram, arrival.source);
        return;
    case MessageKind::GameRelay:
        m_game->receiveGameRelay(datagram, arrival.source);
        return;
    case MessageKind::GameEnd:
        m_game->receiveGameEnd(datagram, arrival.source);
        return;
    case MessageKind::RemovalRequest:
        m_presence->receiveRemovalRequest(datagram, arrival.source);
        return;
    }
}

void MessengerSession::unknownKind(const ParsedDatagram &datagram, const QHostAddress &source)
{
    const QString text = tr("電文種別エラー");
    // A box per sender and minute at most; the rest only in the status bar.
    // Where it came from is unknown only for what this program hands in
    // itself.
    if (!source.isNull()) {
        const qint64 now = m_kindBoxClock.elapsed();
        const auto shown = m_kindBoxShown.constFind(source);
        if (m_boxOpen || (shown != m_kindBoxShown.constEnd() && now - *shown < KindBoxIntervalMs)) {
            qCDebug(lcNetwork).noquote() << "unknown kind" << loggedText(datagram.Kind) << "from" << source.toString()
                                         << (m_boxOpen ? "- no box: one is open" : "- no box: one this minute");
            emit statusChanged(text);
            return;
        }
        if (m_kindBoxShown.size() >= MaxKindBoxSenders)
            m_kindBoxShown.removeIf([now](const auto &s) { return now - s.value() >= KindBoxIntervalMs; });
        m_kindBoxShown.insert(source, now);
    }
    requestBox(text);
}

void MessengerSession::requestBox(const QString &text)
{
    if (m_boxOpen) {
        qCDebug(lcNetwork).noquote() << "box" << loggedText(text) << "said in the status only: one is open";
        emit statusChanged(text);
        return;
    }
    m_boxOpen = true;
    m_channel->setWaitingInNestedLoop(true);
    // Reported from the event loop, not from inside the socket's read
    // handler, so the socket keeps draining (and dropping) while the box is
    // open.
    QMetaObject::invokeMethod(
        this, [this, text] { emit boxRequested(text); }, Qt::QueuedConnection);
}

void MessengerSession::boxClosed()
{
    m_boxOpen = false;
    m_channel->setWaitingInNestedLoop(false);
}

QString MessengerSession::clockText()
{
    // The local time asks the system for its time zone each time; within
    // one second the text stays the same, so a flood of texts asks once a
    // second.
    const qint64 second = QDateTime::currentSecsSinceEpoch();
    if (second != m_clockSecond || m_clockText.isEmpty()) {
        m_clockSecond = second;
        m_clockText = QTime::currentTime().toString(QStringLiteral("HH:mm:ss"));
    }
    return m_clockText;
}

void MessengerSession::receiveText(const ParsedDatagram &datagram, const QHostAddress &source)
{
    m_presence->markSender(datagram, source, PresenceMark::HeardFrom);
    appendLog(QLatin1String("[Recv] Time:") + clockText() + QStringLiteral(",相手:") + datagram.UserName
        + QLatin1Char('(') + datagram.IpAddr + QLatin1String(")\r\n") + datagram.Data + QLatin1String("\r\n\r\n"));
    emit statusChanged(tr("メッセージを受け付けました。"));
    emit messageArrived(datagram);
}

void MessengerSession::receiveGoodbye(const ParsedDatagram &datagram, const QHostAddress &source)
{
    m_presence->receiveGoodbye(datagram, source);
    m_game->receivePartnerGoodbye(datagram, source);
}
