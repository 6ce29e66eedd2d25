// Draws the windows that have no picture in docs/ yet and saves each as a
// PNG: the main window with a few users and a received message, the process
// list, the about box and the lamp pop-up. With "en", every window of the
// four programs in English instead, each file named "<window>-en.png".
// Usage: xvfb-run -a -s "-screen 0 1280x1024x24" pelwick_screenshots <folder> [en]
#include "Frm_pelwickClk.h"
#include "Frm_pelwickPlp.h"
#include "datagramchannel.h"
#include "datagram.h"
#include "frm_GOMOKU.h"
#include "frm_pelwickAbt.h"
#include "frm_pelwickOpt.h"
#include "frm_pelwickPrc.h"
#include "frm_pelwickSpl.h"
#include "frm_pelwickSys.h"
#include "frm_pelwickUDP.h"
#include "processlist.h"
#include "settingsstore.h"
#include "uitranslation.h"
#include "userdirectory.h"
#include "userlist.h"

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>
#include <QUdpSocket>

namespace {

// The processes of a typical desktop, so the picture shows no machine's own.
class DesktopProcessTable : public ProcessTable
{
public:
    std::optional<QList<ProcessEntry>> snapshot() const override
    {
        return QList<ProcessEntry> {
            { 1, QStringLiteral("/usr/lib/systemd/systemd") },
            { 412, QStringLiteral("/usr/lib/systemd/systemd-journald") },
            { 655, QStringLiteral("/usr/sbin/NetworkManager") },
            { 702, QStringLiteral("/usr/sbin/cupsd") },
            { 988, QStringLiteral("/usr/lib/xorg/Xorg") },
            { 1204, QStringLiteral("/usr/bin/pipewire") },
            { 1210, QStringLiteral("/usr/bin/wireplumber") },
            { 1377, QStringLiteral("/usr/bin/xfce4-session") },
            { 1402, QStringLiteral("/usr/bin/xfce4-panel") },
            { 1688, QStringLiteral("/usr/lib/firefox-esr/firefox-esr") },
            { 2741, QStringLiteral("/usr/lib/pelwick/Pelwick") },
            { 2790, QStringLiteral("/usr/lib/pelwick/GOMOKU") },
            { 3015, QStringLiteral("/usr/lib/pelwick/clock") },
            { 3322, QStringLiteral("/usr/bin/mousepad") },
        };
    }
};

bool save(QWidget *window, const QString &file)
{
    window->show();
    if (!QTest::qWaitForWindowExposed(window))
        return false;
    QTest::qWait(300);
    return window->grab().save(file);
}

// A shaped window drawn over a plain background, outside its shape left out.
bool saveShaped(QWidget *window, const QString &file)
{
    window->show();
    if (!QTest::qWaitForWindowExposed(window))
        return false;
    QTest::qWait(350);
    const QPixmap shot = window->grab();
    QImage picture(shot.size(), QImage::Format_ARGB32);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    if (!window->mask().isEmpty())
        painter.setClipRegion(window->mask());
    painter.drawPixmap(0, 0, shot);
    painter.end();
    return picture.save(file);
}

bool messengerWindow(const QString &file, bool english = false)
{
    QTemporaryDir settings;
    QTemporaryDir runtime;
    QTemporaryDir programs;
    quint16 port = 0;
    {
        QUdpSocket probe;
        if (probe.bind(QHostAddress::LocalHost, 0))
            port = probe.localPort();
    }
    SettingsStore store(QStringLiteral("Pelwick"), settings.path());
    store.setValue(QStringLiteral("Local"), QStringLiteral("UserName"), QStringLiteral("たろう"));
    store.setValue(QStringLiteral("Local"), QStringLiteral("Port"), QString::number(port));
    store.setValue(QStringLiteral("Local"), QStringLiteral("Sound"), QStringLiteral("False"));
    store.setValue(QStringLiteral("Local"), QStringLiteral("PopUp"), QStringLiteral("False"));
    store.setValue(QStringLiteral("User"), QStringLiteral("Count"), QStringLiteral("0"));
    store.sync();

    MessengerEnvironment env;
    env.bindAddress = QHostAddress(QHostAddress::LocalHost);
    // Everything this window sends stays on loopback; the rows below are
    // added after the start-up announcement and the window is never
    // unloaded, so no goodbye goes to their made-up addresses.
    env.settingsDirectory = settings.path();
    env.runtimeDirectory = runtime.path();
    env.dataDirectory = runtime.path() + QStringLiteral("/data");
    env.programDirectory = programs.path();
    frm_pelwickUDP window(env);
    if (!window.Form_Load())
        return false;
    window.resize(380, 560);
    window.move(40, 40);

    UserDirectory *users = window.session()->directory();
    const QString first = english ? QStringLiteral("Sarah") : QStringLiteral("さくら");
    users->appendRow(first, PresenceMark::HeardFrom, QStringLiteral("192.168.10.22"));
    users->appendRow(english ? QStringLiteral("James") : QStringLiteral("じろう"), PresenceMark::InGame,
        QStringLiteral("192.168.10.30"));
    users->appendRow(english ? QStringLiteral("Hannah") : QStringLiteral("はなこ"), PresenceMark::NotHeard,
        QStringLiteral("192.168.10.35"));
    users->appendRow(QStringLiteral("suzuki"), PresenceMark::HeardFrom, QStringLiteral("192.168.10.41"));
    window.session()->channel()->receive(buildDatagram(QStringLiteral("11"), first, QStringLiteral("192.168.10.22"),
        {},
        english ? QStringLiteral("The 3 o'clock meeting moved to room 2.")
                : QStringLiteral("15時からの打ち合わせは第2会議室に変わりました。")));
    window.ListUser()->setCurrentIndex(users->index(0, 0));
    if (auto *txtS = window.findChild<QPlainTextEdit *>(QStringLiteral("txtS")))
        txtS->setPlainText(english ? QStringLiteral("Thanks, I will bring the papers.")
                                   : QStringLiteral("了解です。資料を持って行きます。"));

    return save(&window, file);
}

// Every window of the four programs in English.
bool englishWindows(const QDir &out)
{
    if (!UiTranslation::install(UiLanguage::Language::English))
        return false;
    const auto file = [&out](const char *name) { return out.filePath(QLatin1String(name) + QLatin1String("-en.png")); };
    bool ok = messengerWindow(file("messenger"), true);

    DesktopProcessTable table;
    frm_pelwickPrc processes(&table);
    ok = save(&processes, file("processes")) && ok;
    frm_pelwickAbt about;
    ok = save(&about, file("about")) && ok;

    QTemporaryDir settingsDir;
    LocalSettings settings;
    settings.UserName = QStringLiteral("Sarah");
    frm_pelwickOpt options(settings, { { QStringLiteral("James"), QStringLiteral("192.168.10.30") } },
        [](const QList<DirectoryEntry> &) {}, nullptr);
    ok = save(&options, file("options-terminal")) && ok;
    options.findChild<QTabWidget *>()->setCurrentIndex(1);
    ok = save(&options, file("options-users")) && ok;
    options.hide();

    frm_pelwickSys sysinfo;
    const char *tabs[] = { "sysinfo-system", "sysinfo-drive", "sysinfo-memory", "sysinfo-folder" };
    for (int i = 0; i < 4; ++i) {
        sysinfo.findChild<QTabWidget *>()->setCurrentIndex(i);
        ok = save(&sysinfo, file(tabs[i])) && ok;
    }
    Frm_pelwickSpl splitter(SplitterCaption::Standalone);
    ok = save(&splitter, file("splitter")) && ok;
    frm_GOMOKU gomoku(settingsDir.path());
    ok = save(&gomoku, file("gomoku")) && ok;
    Frm_pelwickClk clock;
    ok = save(&clock, file("clock")) && ok;
    return ok;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("pelwick_screenshots"));
    if (argc < 2) {
        QTextStream(stderr) << "usage: pelwick_screenshots <folder> [en]\n";
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (argc > 2 && QByteArray(argv[2]) == "en")
        return englishWindows(out) ? 0 : 1;
    bool ok = messengerWindow(out.filePath(QStringLiteral("messenger.png")));

    DesktopProcessTable table;
    frm_pelwickPrc processes(&table);
    ok = save(&processes, out.filePath(QStringLiteral("processes.png"))) && ok;

    frm_pelwickAbt about;
    ok = save(&about, out.filePath(QStringLiteral("about.png"))) && ok;

    Frm_pelwickPlp lamp;
    ok = saveShaped(&lamp, out.filePath(QStringLiteral("lamp.png"))) && ok;
    return ok ? 0 : 1;
}
