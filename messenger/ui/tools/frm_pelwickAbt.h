#pragma once

#include <QDialog>
#include <QStringList>

#include <functional>

class QLabel;
class QPushButton;

// The about box: the suite's identity from the build's version information,
// and a button that starts the desktop's system-information program.
class frm_pelwickAbt : public QDialog
{
    Q_OBJECT
public:
    // sysInfoSearchPath: folders searched for the system-information program;
    // empty: the PATH.
    explicit frm_pelwickAbt(const QStringList &sysInfoSearchPath = {}, QWidget *parent = nullptr);

    // The system-information programs, the first found is started.
    static const QStringList SysInfoPrograms;

    // Looks up program in searchPath (empty: the PATH); value = its full
    // path, or empty. True when found.
    static bool GetKeyValue(const QString &program, QString &value, const QStringList &searchPath = {});

    // Shows the suite's own system-information window; StartSysInfo falls
    // back to it.
    void setOwnSystemInformation(std::function<void()> show) { m_ownSystemInformation = std::move(show); }

public slots:
    // Starts the first system-information program found, detached; without
    // one (or when it cannot start) shows the suite's own window, and where
    // there is none of that either "現時点ではｼｽﾃﾑ情報を使用できません".
    void StartSysInfo();

private slots:
    void Form_Load();
    void cmdOK_Click();
    void cmdSysInfo_Click();

private:
    QStringList m_searchPath;
    std::function<void()> m_ownSystemInformation;
    QLabel *picIcon;
    QLabel *lblTitle;
    QLabel *lblVersion;
    QLabel *lblDescription;
    QLabel *lblDisclaimer;
    QLabel *lblLegalCopyright;
    QPushButton *cmdOK;
    QPushButton *cmdSysInfo;
};
