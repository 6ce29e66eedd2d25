#pragma once

#include "sysinfosources.h"

#include <QWidget>

#include <memory>

class QPushButton;
class QTabWidget;
class QTreeWidget;

// "PC情報": facts about the machine in four lists on four tabs, read through
// the four information classes. Opened modeless; it changes nothing on the
// machine. Closing hides it; a caller that wants it gone on close sets
// Qt::WA_DeleteOnClose.
class frm_pelwickSys : public QWidget
{
    Q_OBJECT
public:
    // Reads this machine and the primary screen.
    explicit frm_pelwickSys(QWidget *parent = nullptr);
    // Reads the given sources; screen may be null (work area 0) and must
    // outlive the window.
    frm_pelwickSys(const SysInfoSources &sources, const ScreenFacts *screen, QWidget *parent = nullptr);
    ~frm_pelwickSys() override;

    // Fills all four lists: SetSystem, SetDrive, SetMemory, SetFolder.
    void Form_Load();
    void SetSystem();
    void SetDrive();
    void SetMemory();
    void SetFolder();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private slots:
    void Cmd_New_Click();
    void Cmd_Close_Click();

private:
    void buildControls();
    // Sizes the drive-name column to its longest root within the list.
    void fitDriveColumn();

    SysInfoSources m_sources;
    std::unique_ptr<ScreenFacts> m_ownScreen;
    const ScreenFacts *m_screen = nullptr;

    QTabWidget *SSTab = nullptr;
    QTreeWidget *ListView_System = nullptr;
    QTreeWidget *ListView_Drive = nullptr;
    QTreeWidget *ListView_Memory = nullptr;
    QTreeWidget *ListView_Folder = nullptr;
    QPushButton *Cmd_New = nullptr;
    QPushButton *Cmd_Close = nullptr;
};
