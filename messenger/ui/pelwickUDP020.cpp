// The action routine of every datagram kind, the receive dispatch and the
// send paths of the main window.
#include "frm_pelwickUDP.h"

#include "cp932.h"
#include "messagebox.h"
#include "userlist.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QTime>
#include <QUdpSocket>

namespace {

QString clockText()
{
    return QTime::currentTime().toString(QStringLiteral("HH:mm:ss"));
}

bool isKind(const QString &kind, const char *code)
{
    return kind == QLatin1String(code);
}

} // namespace

namespace {

// The message as it travels and is logged: every line break CR LF, the line
// end of the messages peers send and expect. The edit control here ends
// lines in LF (it reports paragraph and line separators as LF too); a pasted
// CR LF or lone CR counts as one line break.
QString crLfLineBreaks(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return text;
}

} // namespace

bool frm_pelwickUDP::sendTo(const QString &address, const QByteArray &datagram)
{
    m_remoteHost = address;
    const QHostAddress host(address);
    if (!m_socket || host.isNull() || host.protocol() != QAbstractSocket::IPv4Protocol)
        return false;
    if (datagram.size() > MaxDatagramSize)
        return false;
    return m_socket->writeDatagram(datagram, host, quint16(m_settings.Port)) == datagram.size();
}

QByteArray frm_pelwickUDP::ownDatagram(const char *kind, const QString &gameId, const QString &data) const
{
    return BuildDatagram(QLatin1String(kind), m_settings.UserName, m_ownAddress, gameId, data);
}

void frm_pelwickUDP::sendToEveryRow(const char *kind)
{
    // Rows may change while we send (nothing here yields, but keep the
    // addresses first so the walk is over a stable list).
    const QList<DirectoryEntry> rows = directoryEntries();
    const QByteArray datagram = ownDatagram(kind, m_game.GameId);
    for (const DirectoryEntry &row : rows)
        sendTo(row.UserIpAddr, datagram);
}

void frm_pelwickUDP::handleDatagram(QByteArrayView bytes)
{
    if (IsBlankDatagram(bytes))
        return;
    m_parsed = ParseDatagram(bytes);
    const ParsedDatagram p = m_parsed;
    const QString &kind = p.Kind;

    if (isKind(kind, MessageKind::Announce)) {
        m_listUser->SetUserMark(p.UserName, p.IpAddr, p.GameId.isEmpty() ? PresenceMark::HeardFrom : PresenceMark::InGame);
        PerformKind(QLatin1String(MessageKind::AnnounceAnswer));
    } else if (isKind(kind, MessageKind::AnnounceAnswer)) {
        m_listUser->SetUserMark(p.UserName, p.IpAddr, p.GameId.isEmpty() ? PresenceMark::HeardFrom : PresenceMark::InGame);
    } else if (isKind(kind, MessageKind::Text)) {
        m_listUser->SetUserMark(p.UserName, p.IpAddr, PresenceMark::HeardFrom);
        PerformKind(kind);
    } else if (isKind(kind, MessageKind::Goodbye)) {
        m_listUser->SetUserMark(p.UserName, p.IpAddr, PresenceMark::NotHeard);
        if (!m_game.PartnerAddress.isEmpty() && p.IpAddr == m_game.PartnerAddress) {
            m_awaitingAccept = false;
            if (endGameProgram())
                m_game.GameName.clear();
        }
    } else if (isKind(kind, MessageKind::GameRequest)) {
        const QString program = GameProgramName(p.GameId);
        if (program.isEmpty() || !gameProgramExists(program))
            return emit datagramHandled(kind);
        m_listUser->SetUserMark(p.UserName, p.IpAddr, PresenceMark::InGame);
        PerformKind(kind);
    } else if (isKind(kind, MessageKind::GameAccept)) {
        // Only the user we asked may start our game, and only once: an
        // acceptance nobody asked for would start a game program against
        // whoever sent it.
        if (m_awaitingAccept && !m_game.PartnerAddress.isEmpty() && p.IpAddr == m_game.PartnerAddress)
            PerformKind(kind);
    } else if (isKind(kind, MessageKind::GameRelay)) {
        PerformKind(kind);
    } else if (isKind(kind, MessageKind::GameEnd)) {
        m_listUser->SetUserMark(p.UserName, p.IpAddr, PresenceMark::HeardFrom);
        menuGame->setChecked(false);
        menuGame->setVisible(true);
        PerformKind(kind);
    } else if (isKind(kind, MessageKind::RemovalRequest)) {
        m_listUser->RemoveUserByAddress(p.IpAddr);
    } else {
        showKindError();
    }
    emit datagramHandled(kind);
}

void frm_pelwickUDP::PerformKind(const QString &kind)
{
    if (isKind(kind, MessageKind::Announce)) {
        // The empty datagram first, to the current remote host; nobody reads it.
        sendTo(m_remoteHost, QByteArray());
        sendToEveryRow(MessageKind::Announce);
    } else if (isKind(kind, MessageKind::AnnounceAnswer)) {
        sendTo(m_parsed.IpAddr, ownDatagram(MessageKind::AnnounceAnswer, m_game.GameId));
    } else if (isKind(kind, MessageKind::Goodbye)) {
        sendToEveryRow(MessageKind::Goodbye);
    } else if (isKind(kind, MessageKind::Text)) {
        showReceivedMessage();
    } else if (isKind(kind, MessageKind::SendRequest)) {
        sendMessage();
    } else if (isKind(kind, MessageKind::RemovalRequest)) {
        sendRemovalRequest();
    } else if (isKind(kind, MessageKind::GameRequest) || isKind(kind, MessageKind::GameAccept)) {
        startGame(kind);
    } else if (isKind(kind, MessageKind::GameRelay)) {
        relayToGame(m_parsed);
    } else if (isKind(kind, MessageKind::GameEnd)) {
        partnerGameEnded();
    }
}

void frm_pelwickUDP::showReceivedMessage()
{
    const ParsedDatagram p = m_parsed;
    appendLog(QLatin1String("[Recv] Time:") + clockText() + QStringLiteral(",相手:") + p.UserName + QLatin1Char('(')
              + p.IpAddr + QLatin1String(")\r\n") + p.Data + QLatin1String("\r\n\r\n"));
    ShowStatus(QStringLiteral("メッセージを受け付けました。"));
    QApplication::beep();
    if (m_settings.PopUp)
        restoreToFront();
    arrivalSound(m_settings.SoundFilePath);
    if (p.GameId == QLatin1String("99"))
        showLampPopup();
}

void frm_pelwickUDP::CmdSend_Click()
{
    ShowStatus(QString());
    if (trimSpaces(m_txtS->toPlainText()).isEmpty()) {
        ShowStatus(QStringLiteral("送信メッセージを入力して下さい。"));
        m_txtS->setFocus();
        return;
    }
    if (m_listUser->selectedItems().isEmpty()) {
        ShowStatus(QStringLiteral("送信先の相手を選択して下さい。"));
        m_listUser->setFocus();
        return;
    }
    PerformKind(QLatin1String(MessageKind::SendRequest));
}

void frm_pelwickUDP::sendMessage()
{
    const QString header = QLatin1String("[Send] Time:") + clockText();
    const QString indent(int(Cp932::byteLength(header)), QLatin1Char(' '));
    const QString text = trimSpaces(crLfLineBreaks(m_txtS->toPlainText()));
    const QByteArray datagram = ownDatagram(MessageKind::Text, QString(), text);

    QString addressees;
    const int rows = m_listUser->rowCount();
    for (int i = 0; i < rows && i < m_listUser->rowCount(); ++i) {
        const QTreeWidgetItem *row = m_listUser->row(i);
        if (!row->isSelected() || row->text(UserListView::MarkColumn) == PresenceMark::NotHeard)
            continue;
        addressees += (addressees.isEmpty() ? QString() : indent) + QStringLiteral(",相手:")
            + trimSpaces(row->text(UserListView::NameColumn)) + QLatin1String("\r\n");
        if (!sendTo(row->text(UserListView::AddressColumn), datagram)) {
            ShowStatus(QStringLiteral("送信に失敗しました。"));
            return;
        }
    }
    if (addressees.isEmpty()) {
        ShowStatus(QStringLiteral("通信状態が") + PresenceMark::HeardFrom + QStringLiteral("の対象者を設定して下さい。"));
        return;
    }
    appendLog(header + addressees + text + QLatin1String("\r\n\r\n"));
    m_txtS->clear();
    m_txtS->setFocus();
}
