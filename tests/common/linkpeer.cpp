// A second program for the link tests.
//   linkpeer listen <runtimeDir> <application>   serves application|linksystem,
//                                                prints "listening" and runs until killed
//   linkpeer send <runtimeDir> <application> <text>
//                                                exit 0 delivered, 3 not delivered
//   linkpeer raw <socketPath> <text>             writes a poke to txtDDEInput by hand,
//                                                trusting whoever listens; exit codes as send
#include "link.h"

#include <QCoreApplication>
#include <QLocalSocket>
#include <QTextStream>

static int rawPoke(const QString &path, const QByteArray &text)
{
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(2000))
        return 3;
    QByteArray r("PLNK\x0btxtDDEInput");
    const auto n = quint32(text.size());
    r.append(char(n >> 24)).append(char(n >> 16)).append(char(n >> 8)).append(char(n)).append(text);
    socket.write(r);
    if (!socket.waitForBytesWritten(2000) || !socket.waitForReadyRead(2000))
        return 3;
    return socket.read(1) == "A" ? 0 : 3;
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() >= 4 && args.at(1) == QLatin1String("listen")) {
        LinkSource source(args.at(3), args.at(2));
        source.addItem(QString::fromLatin1(LinkInputItem));
        if (!source.listen())
            return 2;
        QTextStream(stdout) << "listening" << Qt::endl;
        return app.exec();
    }
    if (args.size() >= 5 && args.at(1) == QLatin1String("send"))
        return SendLinkText(args.at(4), args.at(3), args.at(2)) ? 0 : 3;
    if (args.size() >= 4 && args.at(1) == QLatin1String("raw"))
        return rawPoke(args.at(2), args.at(3).toUtf8());
    return 64;
}
