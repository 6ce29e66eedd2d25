// The programs' two languages: which one a start chooses, and every window
// and dialog of the four programs under English, with no Japanese left in
// what they show and no text cut off.
#include "Frm_pelwickClk.h"
#include "frm_pelwickSpl.h"
#include "frm_GOMOKU.h"
#include "frm_pelwickAbt.h"
#include "frm_pelwickOpt.h"
#include "frm_pelwickPrc.h"
#include "frm_pelwickSys.h"
#include "messageboxrecorder.h"
#include "messengerfixture.h"
#include "processlist.h"
#include "uilanguage.h"
#include "uitranslation.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QTabBar>
#include <QTest>
#include <QTreeView>

#include <functional>
#include <memory>

using UiLanguage::Choice;
using UiLanguage::Language;

namespace {

const QRegularExpression JapaneseText(
    QStringLiteral("[\\x{3040}-\\x{30FF}\\x{4E00}-\\x{9FFF}\\x{FF01}-\\x{FF9F}\\x{3000}-\\x{303F}]"));

class FakeTable : public ProcessTable
{
public:
    std::optional<QList<ProcessEntry>> snapshot() const override
    {
        return QList<ProcessEntry> { { 1, QStringLiteral("/sbin/init") }, { 28, QStringLiteral("/usr/bin/GOMOKU") } };
    }
};

// Collects what a window shows (caption, controls, tabs, menus, headers,
// list cells, tips, names for screen readers) and what of it does not fit.
class Inspection
{
public:
    QStringList japanese;
    QStringList clipped;

    void window(QWidget *w)
    {
        text(w, QStringLiteral("title"), w->windowTitle());
        const QList<QWidget *> all = w->findChildren<QWidget *>();
        for (QWidget *child : all) {
            if (!child->isVisibleTo(w))
                continue;
            widget(child);
        }
        if (auto *bar = w->findChild<QMenuBar *>())
            for (QAction *action : bar->actions())
                menuAction(action);
        for (QMenu *menu : w->findChildren<QMenu *>())
            for (QAction *action : menu->actions())
                menuAction(action);
    }

private:
    void text(const QObject *where, const QString &what, const QString &shown)
    {
        if (shown.contains(JapaneseText))
            japanese << where->objectName() + u' ' + what + QStringLiteral(": ") + shown;
    }

    void cut(const QObject *where, const QString &shown, int needed, int has)
    {
        if (needed > has)
            clipped << QStringLiteral("%1 \"%2\": needs %3 px, has %4").arg(where->objectName(), shown).arg(needed).arg(has);
    }

    void menuAction(QAction *action)
    {
        text(action, QStringLiteral("menu entry"), action->text());
        if (action->menu())
            text(action, QStringLiteral("menu"), action->menu()->title());
    }

    void widget(QWidget *w)
    {
        text(w, QStringLiteral("tool tip"), w->toolTip());
        text(w, QStringLiteral("accessible name"), w->accessibleName());
        if (auto *label = qobject_cast<QLabel *>(w)) {
            text(w, QStringLiteral("label"), label->text());
            if (label->wordWrap())
                cut(w, label->text(), label->heightForWidth(label->width()), label->height());
            else if (label->pixmap().isNull())
                cut(w, label->text(), label->minimumSizeHint().width(), label->width());
        } else if (auto *button = qobject_cast<QAbstractButton *>(w)) {
            text(w, QStringLiteral("button"), button->text());
            if (!button->text().isEmpty())
                cut(w, button->text(), button->sizeHint().width(), button->width());
        } else if (auto *group = qobject_cast<QGroupBox *>(w)) {
            text(w, QStringLiteral("group"), group->title());
            cut(w, group->title(), group->minimumSizeHint().width(), group->width());
        } else if (auto *tabs = qobject_cast<QTabBar *>(w)) {
            for (int i = 0; i < tabs->count(); ++i) {
                text(w, QStringLiteral("tab"), tabs->tabText(i));
                cut(w, tabs->tabText(i), tabs->fontMetrics().horizontalAdvance(tabs->tabText(i)),
                    tabs->tabRect(i).width());
            }
        } else if (auto *combo = qobject_cast<QComboBox *>(w)) {
            // The list may name each language in its own; the choice shown
            // is in the program's.
            text(w, QStringLiteral("choice"), combo->currentText());
        } else if (auto *header = qobject_cast<QHeaderView *>(w)) {
            const Qt::Orientation o = header->orientation();
            for (int i = 0; i < header->count(); ++i) {
                const QString shown = header->model()->headerData(i, o).toString();
                text(w, QStringLiteral("header"), shown);
                // The last section stretches; the others keep their text whole.
                if (o == Qt::Horizontal && !header->isSectionHidden(i) && i + 1 < header->count())
                    cut(w, shown, header->fontMetrics().horizontalAdvance(shown) + 8, header->sectionSize(i));
            }
        } else if (auto *view = qobject_cast<QAbstractItemView *>(w)) {
            const QAbstractItemModel *model = view->model();
            for (int r = 0; model && r < qMin(model->rowCount(), 200); ++r) {
                for (int c = 0; c < model->columnCount(); ++c) {
                    const QModelIndex index = model->index(r, c);
                    const QString shown = index.data().toString();
                    text(w, QStringLiteral("cell"), shown);
                    // The last column may run on under its scroll bar; the
                    // drive list's first column holds the machine's mount
                    // points in the room the window gives it.
                    const bool machineData = c == 0 && w->objectName() == QLatin1String("ListView_Drive");
                    if (c + 1 < model->columnCount() && !shown.isEmpty() && !machineData)
                        cut(w, shown, view->fontMetrics().horizontalAdvance(shown) + 6, view->visualRect(index).width());
                }
            }
        }
    }
};

} // namespace

class tst_Language : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void languageOfAStart_data();
    void languageOfAStart();
    void storedOptionAndTheCLocale_data();
    void storedOptionAndTheCLocale();
    void everyWindowInEnglish_data();
    void everyWindowInEnglish();

private:
    using Opener = std::function<QWidget *()>;
    std::unique_ptr<MessengerFixture> m_messenger;
    std::unique_ptr<QTemporaryDir> m_dir;
    FakeTable m_processes;
    LocalSettings m_settings;
    std::vector<std::unique_ptr<QWidget>> m_windows;
};

void tst_Language::initTestCase()
{
    QVERIFY(UiTranslation::install(Language::English));
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void tst_Language::languageOfAStart_data()
{
    QTest::addColumn<QString>("lcAll");
    QTest::addColumn<QString>("lcMessages");
    QTest::addColumn<QString>("lang");
    QTest::addColumn<QString>("setting");
    QTest::addColumn<Language>("expected");

    const Language ja = Language::Japanese;
    const Language en = Language::English;
    QTest::newRow("nothing set") << "" << "" << "" << "" << ja;
    QTest::newRow("C") << "" << "" << "C" << "" << ja;
    QTest::newRow("C.UTF-8") << "C.UTF-8" << "" << "" << "auto" << ja;
    QTest::newRow("POSIX") << "" << "POSIX" << "" << "" << ja;
    QTest::newRow("Japanese") << "" << "" << "ja_JP.UTF-8" << "" << ja;
    QTest::newRow("Japanese with modifier") << "" << "" << "ja@x" << "" << ja;
    QTest::newRow("German") << "" << "" << "de_DE.UTF-8" << "" << en;
    QTest::newRow("English") << "" << "" << "en_US.UTF-8" << "auto" << en;
    QTest::newRow("LC_ALL before LC_MESSAGES") << "fr_FR" << "ja_JP" << "ja_JP" << "" << en;
    QTest::newRow("LC_MESSAGES before LANG") << "" << "ja_JP.eucJP" << "en_GB" << "" << ja;
    QTest::newRow("an empty LC_ALL does not count") << "" << "en_GB" << "ja_JP" << "" << en;
    QTest::newRow("jam is not ja") << "" << "" << "jam_JM" << "" << en;
    QTest::newRow("Language=en over C") << "" << "" << "C" << "en" << en;
    QTest::newRow("Language=ja over German") << "" << "" << "de_DE" << "ja" << ja;
    QTest::newRow("an unknown value follows the session") << "" << "" << "de_DE" << "EN" << en;
}

void tst_Language::languageOfAStart()
{
    QFETCH(QString, lcAll);
    QFETCH(QString, lcMessages);
    QFETCH(QString, lang);
    QFETCH(QString, setting);
    QFETCH(Language, expected);
    const Language session = UiLanguage::fromMessagesLocale(lcAll, lcMessages, lang);
    QCOMPARE(UiLanguage::resolve(UiLanguage::choiceFromSetting(setting).value_or(Choice::Auto), session), expected);
    // What is stored reads back as the same choice.
    for (const Choice choice : { Choice::Auto, Choice::Japanese, Choice::English })
        QCOMPARE(UiLanguage::choiceFromSetting(UiLanguage::settingValue(choice)), std::optional(choice));
}

void tst_Language::storedOptionAndTheCLocale_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<Language>("expected");
    QTest::newRow("no option") << QByteArray("[Local]\nUserName=a\n") << "" << Language::Japanese;
    QTest::newRow("Language=en") << QByteArray("[WindowPos]\nTop=1\n[Local]\nLanguage=en\n[User]\nCount=0\n") << "en"
                                 << Language::English;
    QTest::newRow("Language=ja") << QByteArray("[Local]\r\nLanguage=ja\r\n") << "ja" << Language::Japanese;
    QTest::newRow("Language=auto") << QByteArray("[Local]\nLanguage=auto\n") << "auto" << Language::Japanese;
    QTest::newRow("in another section") << QByteArray("[Other]\nLanguage=en\n") << "" << Language::Japanese;
    QTest::newRow("no file") << QByteArray() << "" << Language::Japanese;
}

// The tests run under LC_ALL=C.UTF-8: the session asks for Japanese.
void tst_Language::storedOptionAndTheCLocale()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, stored);
    QFETCH(Language, expected);
    QCOMPARE(UiLanguage::fromEnvironment(), Language::Japanese);
    const QString path = m_dir->filePath(QStringLiteral("Pelwick.ini"));
    QFile::remove(path);
    if (!file.isEmpty()) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(file);
    }
    QCOMPARE(UiTranslation::storedLanguage(path), stored);
    QCOMPARE(UiTranslation::chosen(stored), expected);
}

void tst_Language::everyWindowInEnglish_data()
{
    QTest::addColumn<Opener>("open");
    QTest::newRow("messenger") << Opener([this]() -> QWidget * {
        const QString address = QStringLiteral("127.0.0.4");
        m_messenger = std::make_unique<MessengerFixture>(address, freeUdpPort({ address }));
        return m_messenger->start();
    });
    QTest::newRow("options") << Opener([this]() -> QWidget * {
        m_settings = LocalSettings();
        m_settings.UserName = QStringLiteral("Taro");
        auto *dialog = new frm_pelwickOpt(m_settings, { { QStringLiteral("Hanako"), QStringLiteral("192.168.0.10") } },
            [](const QList<DirectoryEntry> &) {}, nullptr);
        m_windows.emplace_back(dialog);
        return dialog;
    });
    QTest::newRow("options, users") << Opener([this]() -> QWidget * {
        auto *dialog = new frm_pelwickOpt(m_settings, {}, [](const QList<DirectoryEntry> &) {}, nullptr);
        m_windows.emplace_back(dialog);
        dialog->findChild<QTabWidget *>()->setCurrentIndex(1);
        return dialog;
    });
    QTest::newRow("processes") << Opener([this]() -> QWidget * {
        m_windows.emplace_back(new frm_pelwickPrc(&m_processes));
        return m_windows.back().get();
    });
    QTest::newRow("about") << Opener([this]() -> QWidget * {
        m_windows.emplace_back(new frm_pelwickAbt);
        return m_windows.back().get();
    });
    for (int tab = 0; tab < 4; ++tab)
        QTest::addRow("system information, tab %d", tab) << Opener([this, tab]() -> QWidget * {
            auto *w = new frm_pelwickSys;
            m_windows.emplace_back(w);
            w->findChild<QTabWidget *>()->setCurrentIndex(tab);
            return w;
        });
    QTest::newRow("splitter") << Opener([this]() -> QWidget * {
        m_windows.emplace_back(new Frm_pelwickSpl(SplitterCaption::Standalone));
        return m_windows.back().get();
    });
    QTest::newRow("splitter in the messenger") << Opener([this]() -> QWidget * {
        m_windows.emplace_back(new Frm_pelwickSpl(SplitterCaption::InPelwick));
        return m_windows.back().get();
    });
    QTest::newRow("GOMOKU") << Opener([this]() -> QWidget * {
        m_windows.emplace_back(new frm_GOMOKU(m_dir->path()));
        return m_windows.back().get();
    });
    QTest::newRow("clock") << Opener([this]() -> QWidget * {
        m_windows.emplace_back(new Frm_pelwickClk);
        return m_windows.back().get();
    });
}

void tst_Language::everyWindowInEnglish()
{
    QFETCH(Opener, open);
    QWidget *window = open();
    QVERIFY(window);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    Inspection seen;
    seen.window(window);
    // Hidden, not closed: closing asks some windows what to do.
    window->hide();
    QVERIFY2(seen.japanese.isEmpty(), qPrintable(seen.japanese.join(u'\n')));
    QVERIFY2(seen.clipped.isEmpty(), qPrintable(seen.clipped.join(u'\n')));
}

QTEST_MAIN(tst_Language)
#include "tst_language.moc"
