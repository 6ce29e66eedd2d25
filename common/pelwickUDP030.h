#pragma once

#include <QObject>
#include <QString>

// The link between programs of the suite: one program's window is a link
// source for a topic under its application name; another program pokes one
// text into one of its items.
//
// LinkMessage grammar (the texts the messenger and its games exchange):
//   "<GAMEFUNC>" code "<GAMEDATA>" data      no terminator, data may be empty

constexpr const char *LinkTopic = "linksystem";
constexpr const char *LinkInputItem = "txtDDEInput";

// A window's link source: listens for conversations addressed to
// application|topic and reports each poked text. linkClosed() fires once per
// conversation that delivered a poke, when it ends, in the order they ended.
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

signals:
    void poked(const QString &item, const QString &text);
    void linkClosed();

private:
    struct Private;
    Private *d;
};

// Pokes text into item txtDDEInput of application|linksystem. Waits at most a
// few seconds for the answer while the event loop runs; true when accepted.
// runtimeDir empty: the user's runtime directory.
bool SendLinkText(const QString &text, const QString &application, const QString &runtimeDir = {});
