#pragma once

#include <QObject>
#include <QString>

// The link between programs of the suite: one program's window is a link
// source for a topic under its application name; another program pokes one
// text into one of its items.
//
// LinkMessage grammar (the texts the messenger and its games exchange):
//   "<GAMEFUNC>" code "<GAMEDATA>" data      no terminator, data may be empty
//
// Transport: a local socket per user, application and topic, in the runtime
// directory, readable and writable by its owner only (linkServerPath). One
// connection is one conversation:
//   client -> server   "PLNK" | u8 n | item (n bytes, code page 932, 1..255)
//                      | u32 big-endian m | text (m bytes, code page 932, m <= LinkMaxTextBytes)
//   server -> client   'A' accepted or 'R' refused (unknown item, text too long)
//   client closes.
// The server drops a connection without answering when the bytes are not of
// this form, when the peer runs as another user, or when the conversation
// stalls for LinkStallMs. Application, topic and item names compare without
// regard to case, as the names of the original link did.

constexpr const char *LinkTopic = "linksystem";
constexpr const char *LinkInputItem = "txtDDEInput";

// Longest text one poke carries, in code page 932 bytes.
constexpr qsizetype LinkMaxTextBytes = 1024 * 1024;
// How long SendLinkText waits for the answer.
constexpr int LinkAnswerTimeoutMs = 3000;
// How long the server keeps a conversation that neither completes its poke
// nor closes.
constexpr int LinkStallMs = 5000;

// A window's link source: listens for conversations addressed to
// application|topic and reports each poked text. conversationClosed() fires
// once per conversation that delivered a poke, when it ends, in the order
// they ended: it is the window's link-close event.
class LinkConversation;

class LinkSource : public QObject
{
    Q_OBJECT
public:
    // runtimeDir empty: the user's runtime directory.
    explicit LinkSource(const QString &application, const QString &runtimeDir = {},
                        const QString &topic = QString::fromLatin1(LinkTopic), QObject *parent = nullptr);
    ~LinkSource() override;

    // Items that accept pokes; a poke to any other item is refused.
    void addItem(const QString &item);

    // Starts listening; false with errorString() when another live program
    // holds the name.
    bool listen();
    QString errorString() const;

    // Stops listening and removes the socket; conversations under way run
    // to their end.
    void close();

    // The socket this source listens on (or would listen on).
    QString serverPath() const;
    bool isListening() const;

signals:
    // Emitted after the poke was accepted and answered.
    void poked(const QString &item, const QString &text);
    // A conversation that delivered a poke has ended, with the item and text
    // that this very conversation poked: a handler that read "the last
    // poked text" could see a later conversation's text when two senders
    // overlap.
    void conversationClosed(const QString &item, const QString &text);

private:
    void startConversation(LinkConversation *c);
    void readConversation(LinkConversation *c);
    void endConversation(LinkConversation *c);
    void reportEnds();

    struct Private;
    Private *d;
};

// Pokes text into item txtDDEInput of application|linksystem. Waits at most a
// few seconds for the answer while the event loop runs; true when accepted.
// runtimeDir empty: the user's runtime directory.
bool SendLinkText(const QString &text, const QString &application, const QString &runtimeDir = {});

// The outcome of one poke, for callers that need to tell the failures apart.
enum class LinkPokeResult {
    Accepted,
    Refused, // unknown item, text too long, or the name is held by another user
    NoListener, // nobody listens: failed at once
    NoAnswer, // connected, but no answer within the wait
};

// One conversation with application|topic: pokes text into item. Waits at
// most timeoutMs for the answer while the event loop runs (other handlers
// may run meanwhile).
LinkPokeResult pokeLink(const QString &application, const QString &topic, const QString &item, const QString &text,
    const QString &runtimeDir = {}, int timeoutMs = LinkAnswerTimeoutMs);

// The socket path of application|topic under runtimeDir (empty: the user's
// runtime directory). Names are folded to lower case; characters other than
// ASCII letters, digits, '-' and '_' are written as %XX of their UTF-8 bytes.
QString linkServerPath(const QString &application, const QString &topic, const QString &runtimeDir = {});
