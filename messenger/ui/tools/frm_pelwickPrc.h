#pragma once

#include <QWidget>

class ProcessTable;
class QPushButton;
class QTreeWidget;

// Replaces the rows of list (two columns) by the current process list.
void FillProcessList(QTreeWidget *list, const ProcessTable &table);

// The process list: one row per running process, identifier and executable
// path. Read-only; the opener keeps one instance and raises it again.
class frm_pelwickPrc : public QWidget
{
    Q_OBJECT
public:
    // table: the process listing to show (not owned; it must outlive the
    // window); nullptr: this machine's.
    explicit frm_pelwickPrc(const ProcessTable *table = nullptr, QWidget *parent = nullptr);
    ~frm_pelwickPrc() override;

private slots:
    void Form_Load();
    void CmdNEW_Click();
    void CmdCLS_Click();
    void CmdDEL_Click();

private:
    const ProcessTable *m_table;
    QTreeWidget *ListViewProcess;
    QPushButton *CmdNEW;
    QPushButton *CmdCLS;
    QPushButton *CmdDEL;
};
