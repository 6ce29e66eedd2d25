#include "gameprograms.h"
#include "gameprocess.h"
#include "processgone.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <csignal>

namespace {

bool alive(quintptr pid)
{
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class tst_GameProgram : public QObject
{
    Q_OBJECT
private slots:
    void cleanup();
    void endWithoutGameSucceeds();
    void unstartableProgramYieldsNoHandle_data();
    void unstartableProgramYieldsNoHandle();
    void startRunsProgramInItsFolderAndEndKillsItHard();
    void programThatEndedByItselfCannotBeEnded();
    void secondStartEndsTheFirstGame();
    void programIsReadyOnlyAsAnExecutableFile_data();
    void programIsReadyOnlyAsAnExecutableFile();

private:
    // A copy of the stub game under name in a folder of its own.
    QString installStub(QTemporaryDir &dir, const QString &name);

    GameProgramControl m_control;
};

QString tst_GameProgram::installStub(QTemporaryDir &dir, const QString &name)
{
    const QString path = dir.filePath(name);
    if (!QFile::copy(QStringLiteral(PELWICK_BIN_DIR "/pelwick_gamestub"), path))
        return {};
    return path;
}

void tst_GameProgram::cleanup()
{
    m_control.EndGameProgram();
}

void tst_GameProgram::endWithoutGameSucceeds()
{
    QCOMPARE(m_control.GameProcessHandle(), quintptr(0));
    QCOMPARE(m_control.EndGameProgram(), quintptr(0));
}

void tst_GameProgram::unstartableProgramYieldsNoHandle_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("executable");
    QTest::newRow("no path") << QString() << false;
    QTest::newRow("missing file") << QStringLiteral("GOMOKU") << false;
    QTest::newRow("not executable") << QStringLiteral("OTHELLO") << true;
}

void tst_GameProgram::unstartableProgramYieldsNoHandle()
{
    QFETCH(QString, name);
    QFETCH(bool, executable);
    QTemporaryDir dir;
    const QString path = name.isEmpty() ? QString() : dir.filePath(name);
    if (executable) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("not a program");
    }
    QCOMPARE(m_control.StartGameProgram(path), quintptr(0));
    QCOMPARE(m_control.GameProcessHandle(), quintptr(0));
    QCOMPARE(m_control.EndGameProgram(), quintptr(0));
}

void tst_GameProgram::startRunsProgramInItsFolderAndEndKillsItHard()
{
    QTemporaryDir dir;
    const QString path = installStub(dir, QStringLiteral("GOMOKU"));
    QVERIFY(!path.isEmpty());

    const quintptr handle = m_control.StartGameProgram(path);
    QVERIFY(handle != 0);
    QCOMPARE(m_control.GameProcessHandle(), handle);
    QTRY_COMPARE(readAll(dir.filePath("started")), QByteArray::number(qulonglong(handle)));
    QVERIFY(alive(handle));

    QCOMPARE(m_control.EndGameProgram(), quintptr(0));
    QCOMPARE(m_control.GameProcessHandle(), quintptr(0));
    QVERIFY(!alive(handle));
    // Ended like a killed process: it had no chance to react.
    QVERIFY(!QFile::exists(dir.filePath("terminated")));
    QCOMPARE(m_control.EndGameProgram(), quintptr(0));
}

void tst_GameProgram::programThatEndedByItselfCannotBeEnded()
{
    QTemporaryDir dir;
    const QString path = installStub(dir, QStringLiteral("quitter"));
    const quintptr handle = m_control.StartGameProgram(path);
    QVERIFY(handle != 0);
    QTRY_VERIFY(processGone(qint64(handle)));

    QCOMPARE(m_control.EndGameProgram(), handle);
    QCOMPARE(m_control.GameProcessHandle(), handle); // kept until the next start

    QTemporaryDir other;
    const quintptr next = m_control.StartGameProgram(installStub(other, QStringLiteral("GOMOKU")));
    QVERIFY(next != 0 && next != handle);
    QCOMPARE(m_control.EndGameProgram(), quintptr(0));
}

void tst_GameProgram::secondStartEndsTheFirstGame()
{
    QTemporaryDir first;
    QTemporaryDir second;
    const quintptr a = m_control.StartGameProgram(installStub(first, QStringLiteral("GOMOKU")));
    QVERIFY(a != 0);
    QTRY_VERIFY(QFile::exists(first.filePath("started")));

    const quintptr b = m_control.StartGameProgram(installStub(second, QStringLiteral("OTHELLO")));
    QVERIFY(b != 0 && b != a);
    QVERIFY(!alive(a));
    QCOMPARE(m_control.GameProcessHandle(), b);
    QTRY_VERIFY(QFile::exists(second.filePath("started")));
    QCOMPARE(m_control.EndGameProgram(), quintptr(0));
    QVERIFY(!alive(b));
}

// What the messenger offers in the list's game menu.
void tst_GameProgram::programIsReadyOnlyAsAnExecutableFile_data()
{
    QTest::addColumn<QString>("lying");
    QTest::addColumn<bool>("ready");
    QTest::newRow("executable file") << "executable" << true;
    QTest::newRow("nothing") << "" << false;
    QTest::newRow("file not executable") << "file" << false;
    QTest::newRow("folder") << "folder" << false;
}

void tst_GameProgram::programIsReadyOnlyAsAnExecutableFile()
{
    QFETCH(QString, lying);
    QFETCH(bool, ready);
    QTemporaryDir programs;
    QTemporaryDir runtime;
    const QString path = programs.filePath(SystemGamePrograms::fileName(QStringLiteral("GOMOKU")));
    if (lying == QLatin1String("folder")) {
        QVERIFY(QDir().mkpath(path));
    } else if (!lying.isEmpty()) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\n");
        f.close();
        if (lying == QLatin1String("executable"))
            QVERIFY(f.setPermissions(f.permissions() | QFileDevice::ExeOwner));
    }
    const SystemGamePrograms games(programs.path(), runtime.path());
    QCOMPARE(games.exists(QStringLiteral("GOMOKU")), ready);
    QVERIFY(!games.exists(QStringLiteral("OTHELLO")));
}

QTEST_GUILESS_MAIN(tst_GameProgram)
#include "tst_gameprogram.moc"
