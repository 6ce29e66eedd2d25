#include "frm_pelwickPrc.h"

#include "messagebox.h"
#include "processlist.h"
#include "pelwickversion.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

void FillProcessList(QTreeWidget *list, const ProcessTable &table)
{
    list->clear();
    const QList<ProcessListRow> rows = processListRows(table);
    QList<QTreeWidgetItem *> items;
    items.reserve(rows.size());
    for (const ProcessListRow &row : rows)
        items.append(new QTreeWidgetItem(QStringList { row.id, row.path }));
    list->addTopLevelItems(items);
}

frm_pelwickPrc::frm_pelwickPrc(const ProcessTable *table, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_table(table)
{
    static const ProcProcessTable systemTable;
    if (!m_table)
        m_table = &systemTable;

    setObjectName(QStringLiteral("frm_pelwickPrc"));
    setWindowTitle(tr("プロセス一覧"));

    ListViewProcess = new QTreeWidget(this);
    ListViewProcess->setObjectName(QStringLiteral("ListViewProcess"));
    ListViewProcess->setAccessibleName(windowTitle());
    ListViewProcess->setColumnCount(2);
    ListViewProcess->setHeaderLabels({ tr("ﾌﾟﾛｾｽNo."), tr("EXEファイル格納パス名") });
    ListViewProcess->setRootIsDecorated(false);
    ListViewProcess->setUniformRowHeights(true);
    ListViewProcess->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListViewProcess->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListViewProcess->header()->resizeSection(0, 90);

    CmdNEW = new QPushButton(tr("最新"), this);
    CmdNEW->setObjectName(QStringLiteral("CmdNEW"));
    CmdDEL = new QPushButton(tr("タスク削除"), this);
    CmdDEL->setObjectName(QStringLiteral("CmdDEL"));
    CmdCLS = new QPushButton(tr("閉じる"), this);
    CmdCLS->setObjectName(QStringLiteral("CmdCLS"));

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(CmdNEW);
    buttons->addWidget(CmdDEL);
    buttons->addStretch();
    buttons->addWidget(CmdCLS);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(ListViewProcess);
    layout->addLayout(buttons);
    resize(560, 420);

    connect(CmdNEW, &QPushButton::clicked, this, &frm_pelwickPrc::CmdNEW_Click);
    connect(CmdCLS, &QPushButton::clicked, this, &frm_pelwickPrc::CmdCLS_Click);
    connect(CmdDEL, &QPushButton::clicked, this, &frm_pelwickPrc::CmdDEL_Click);
    Form_Load();
}

frm_pelwickPrc::~frm_pelwickPrc() = default;

void frm_pelwickPrc::Form_Load()
{
    FillProcessList(ListViewProcess, *m_table);
}

void frm_pelwickPrc::CmdNEW_Click()
{
    FillProcessList(ListViewProcess, *m_table);
}

void frm_pelwickPrc::CmdCLS_Click()
{
    close();
}

void frm_pelwickPrc::CmdDEL_Click()
{
    // Ending processes is not offered.
    ShowMessageBox({ this, tr("作成中"), QString::fromLatin1(PelwickVersion::Title) });
}
