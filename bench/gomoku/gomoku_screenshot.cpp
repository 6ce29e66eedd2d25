// Plays the opening of a game into a real GOMOKU window over the link and
// grabs the window from the X server with ImageMagick's import.
// Usage: xvfb-run -a -s "-screen 0 1280x1024x24" gomoku_screenshot out.png
#include "frm_GOMOKU.h"
#include "gomokulink.h"
#include "link.h"

#include <QApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        QTextStream(stderr) << "usage: gomoku_screenshot out.png\n";
        return 2;
    }
    QTemporaryDir dir;
    frm_GOMOKU window(dir.path());
    window.resize(460, 500);
    window.move(40, 40);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;

    const auto send = [&](const char *code, const QString &data = {}) {
        SendLinkText(GomokuLink::linkMessage(QLatin1String(code), data), QStringLiteral("GOMOKU"), dir.path());
    };
    const QString own = QStringLiteral("192.168.0.5");
    const QString partner = QStringLiteral("192.168.0.7");
    send("#1", QStringLiteral("Pelwick"));
    send("#2", QStringLiteral("さくら"));
    send("#3", partner);
    send("#4", QStringLiteral("たろう"));
    send("#5", own);
    send("20");
    send("01");
    const QList<QPoint> moves { { 10, 10 }, { 11, 9 }, { 11, 11 }, { 9, 9 }, { 12, 12 }, { 13, 13 }, { 10, 12 },
        { 9, 13 }, { 10, 11 }, { 10, 9 }, { 12, 10 }, { 8, 11 }, { 9, 12 } };
    for (qsizetype i = 0; i < moves.size(); ++i) {
        send("10", GomokuLink::moveData(i % 2 ? partner : own, moves[i].x(), moves[i].y()));
        QTest::qWait(20);
    }
    QTest::qWait(300);
    const QRect frame = window.frameGeometry();
    const QString crop
        = QStringLiteral("%1x%2+%3+%4").arg(frame.width()).arg(frame.height()).arg(frame.x()).arg(frame.y());
    const int rc = QProcess::execute(QStringLiteral("import"),
        { QStringLiteral("-window"), QStringLiteral("root"), QStringLiteral("-crop"), crop,
            QString::fromLocal8Bit(argv[1]) });
    return rc;
}
