#include "frm_pelwickSys.h"

#include "clsDriveOperation.h"
#include "clsMemoryInfomation.h"
#include "clsSystemFolder.h"
#include "clsSystemInfomation.h"
#include "guiscreenfacts.h"
#include "sysinfotext.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTabWidget>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

using namespace SysInfoText;

// A list view in report mode: flat rows, whole-row selection, fixed headers.
QTreeWidget *makeList(const QString &name, const QStringList &headers, QWidget *parent)
{
    auto *list = new QTreeWidget(parent);
    list->setObjectName(name);
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setAllColumnsShowFocus(true);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setHeaderLabels(headers);
    list->header()->setSectionsMovable(false);
    return list;
}

// Replaces the rows of list, hidden while it is filled.
// Widens each column but the last to its longest text, so no label is cut
// in either language; the widths the window sets are the least.
void fitColumns(QTreeWidget *list)
{
    const QFontMetrics metrics(list->font());
    const int margin = 2 * (list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1) + 4;
    for (int c = 0; c + 1 < list->columnCount(); ++c) {
        int wanted = 0;
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            wanted = qMax(wanted, metrics.horizontalAdvance(list->topLevelItem(i)->text(c)));
        wanted += margin + (c == 0 && list->rootIsDecorated() ? list->indentation() : 0);
        if (wanted > list->columnWidth(c))
            list->setColumnWidth(c, wanted);
    }
}

void fillList(QTreeWidget *list, const QList<QStringList> &rows)
{
    list->hide();
    list->clear();
    QList<QTreeWidgetItem *> items;
    items.reserve(rows.size());
    for (const QStringList &row : rows)
        items.append(new QTreeWidgetItem(row));
    list->addTopLevelItems(items);
    fitColumns(list);
    list->show();
}

QString number(qint64 value)
{
    return QString::number(value);
}

// The drive-name column: wide enough for its roots, but never so wide that
// the item and value columns leave the window.
constexpr int DriveColumnMinimum = 110;
constexpr int ItemColumnWidth = 220;
constexpr int ValueColumnMinimum = 120;

} // namespace

frm_pelwickSys::frm_pelwickSys(QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_ownScreen(std::make_unique<GuiScreenFacts>())
    , m_screen(m_ownScreen.get())
{
    buildControls();
    Form_Load();
}

frm_pelwickSys::frm_pelwickSys(const SysInfoSources &sources, const ScreenFacts *screen, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_sources(sources)
    , m_screen(screen)
{
    buildControls();
    Form_Load();
}

frm_pelwickSys::~frm_pelwickSys() = default;

void frm_pelwickSys::buildControls()
{
    setObjectName(QStringLiteral("frm_pelwickSys"));
    setWindowTitle(tr("PC情報"));
    SSTab = new QTabWidget(this);
    SSTab->setObjectName(QStringLiteral("SSTab"));
    const QStringList twoColumns { tr("項  目"), tr("値") };
    ListView_System = makeList(QStringLiteral("ListView_System"), twoColumns, SSTab);
    ListView_Drive = makeList(QStringLiteral("ListView_Drive"),
        { tr("ﾄﾞﾗｲﾌﾞ名"), tr("項目"), tr("値") }, SSTab);
    ListView_Memory = makeList(QStringLiteral("ListView_Memory"), twoColumns, SSTab);
    ListView_Folder = makeList(QStringLiteral("ListView_Folder"), twoColumns, SSTab);
    SSTab->addTab(ListView_System, tr("System情報"));
    SSTab->addTab(ListView_Drive, tr("Drive情報"));
    SSTab->addTab(ListView_Memory, tr("Memory情報"));
    SSTab->addTab(ListView_Folder, tr("Folder情報"));
    // A screen reader names each list by its tab.
    SSTab->setAccessibleName(windowTitle());
    for (int i = 0; i < SSTab->count(); ++i)
        SSTab->widget(i)->setAccessibleName(SSTab->tabText(i));
    ListView_System->setColumnWidth(0, 220);
    ListView_Drive->setColumnWidth(0, DriveColumnMinimum);
    ListView_Drive->setColumnWidth(1, ItemColumnWidth);
    ListView_Drive->viewport()->installEventFilter(this);
    ListView_Memory->setColumnWidth(0, 280);
    ListView_Folder->setColumnWidth(0, 230);

    Cmd_New = new QPushButton(tr("最新"), this);
    Cmd_New->setObjectName(QStringLiteral("Cmd_New"));
    Cmd_Close = new QPushButton(tr("閉じる"), this);
    Cmd_Close->setObjectName(QStringLiteral("Cmd_Close"));
    connect(Cmd_New, &QPushButton::clicked, this, &frm_pelwickSys::Cmd_New_Click);
    connect(Cmd_Close, &QPushButton::clicked, this, &frm_pelwickSys::Cmd_Close_Click);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Cmd_New);
    buttons->addWidget(Cmd_Close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(SSTab);
    layout->addLayout(buttons);
    resize(600, 480);
}

void frm_pelwickSys::Form_Load()
{
    SetSystem();
    SetDrive();
    SetMemory();
    SetFolder();
}

void frm_pelwickSys::SetSystem()
{
    clsSystemInfomation info(m_sources, m_screen);
    fillList(ListView_System,
        {
            { tr("ｺﾝﾋﾟｭｰﾀ名"), info.ComputerName() },
            { tr("OEMﾒｰｶｰ名"), info.Manufacturer() },
            { tr("ﾊｰﾄﾞｳｪｱの機種名"), info.Model() },
            { tr("OSの起動ﾓｰﾄﾞ"), number(info.OSBootMode()) },
            { tr("Windowsのﾋﾞﾙﾄﾞﾅﾝﾊﾞｰ"), variant(info.OSBuild()) },
            { tr("OSがﾃﾞﾊﾞｯｸﾞﾊﾞｰｼﾞｮﾝ"), boolean(info.OSDebugVersion()) },
            { tr("OSが2ﾊﾞｲﾄ文字をｻﾎﾟｰﾄ"), boolean(info.OSDoubleByte()) },
            { tr("Windowsのﾀｲﾌﾟ"), number(info.OSPlatform()) },
            { tr("Windowsのﾊﾞｰｼﾞｮﾝ"), info.OSVersion() },
            { tr("CPUの個数"), number(info.ProcessorNum()) },
            { tr("CPUのﾀｲﾌﾟ"), number(info.ProcessorType()) },
            { tr("Windowsの製品ID"), info.ProductId() },
            { tr("Windowsの製品名"), info.ProductName() },
            { tr("Windowsの登録団体名"), info.RegOrganization() },
            { tr("Windowsの登録ﾕｰｻﾞｰ名"), info.RegOwner() },
            { tr("ｸﾗｽで使用される単位"), number(info.ScaleMode()) },
            { tr("ﾊｰﾄﾞｳｪｱのｼﾘｱﾙﾅﾝﾊﾞｰ"), info.SerialNo() },
            { tr("PCのｻﾌﾞﾓﾃﾞﾙ"), info.SubModel() },
            { tr("ﾕｰｻﾞｰ名"), info.UserName() },
            { tr("ﾜｰｸｴﾘｱの高さ"), number(info.WorkAreaHeight()) },
            { tr("ﾜｰｸｴﾘｱのx座標"), number(info.WorkAreaLeft()) },
            { tr("ﾜｰｸｴﾘｱのy座標"), number(info.WorkAreaTop()) },
            { tr("ﾜｰｸｴﾘｱの幅"), number(info.WorkAreaWidth()) },
        });
}

void frm_pelwickSys::SetDrive()
{
    clsDriveOperation drive(m_sources);
    QList<QStringList> rows;
    const QStringList roots = drive.DriveRoots();
    for (const QString &root : roots) {
        drive.setDrive(root);
        const bool enabled = drive.Enabled();
        const bool mediaCondition = drive.MediaCondition();
        if (!enabled || !mediaCondition)
            continue;
        // The volume label is read first: that read is the volume query the
        // flag rows report on.
        const QString label = drive.Volume();
        rows += {
            { drive.Drive(), tr("ﾎﾞﾘｭｰﾑﾗﾍﾞﾙ"), label },
            { QString(), tr("全容量の取得"), kilobytes(drive.AllSpace()) },
            { QString(), tr("ﾌｧｲﾙｼｽﾃﾑがACLsをｻﾎﾟｰﾄ"), boolean(drive.ACLs()) },
            { QString(), tr("全容量(ﾊﾞｲﾄ数)"), kilobytes(drive.AllSpace()) },
            { QString(), tr("ﾌｧｲﾙ名をﾌｧｲﾙｼｽﾃﾑに記録"), variant(drive.CasePreserved()) },
            { QString(), tr("ﾌｧｲﾙ名の大・小文字を区別"), boolean(drive.CaseSensitive()) },
            { QString(), tr("1ｸﾗｽﾀあたりのｾｸﾀ数"), number(drive.ClusterSector()) },
            { QString(), tr("ﾌｧｲﾙ単位の圧縮をｻﾎﾟｰﾄ"), boolean(drive.FileCompress()) },
            { QString(), tr("ﾌｧｲﾙｼｽﾃﾑ"), drive.FileSystem() },
            { QString(), tr("空き容量"), kilobytes(drive.FreeSpace()) },
            { QString(), tr("ﾌｧｲﾙ名の最大長"), number(drive.MaxFileName()) },
            { QString(), tr("ﾒﾃﾞｨｱが有効"), boolean(drive.MediaCondition()) },
            { QString(), tr("ﾒﾃﾞｨｱのﾀｲﾌﾟ"), number(drive.MediaType()) },
            { QString(), tr("1ｾｸﾀあたりのﾊﾟｲﾄ数"), number(drive.SectorByte()) },
            { QString(), tr("ﾌｧｲﾙ名をUnicodeで格納"), boolean(drive.Unicode()) },
            { QString(), tr("ﾎﾞﾘｭｰﾑ全体を圧縮"), boolean(drive.VolCompress()) },
            { QString(), tr("ｼﾘｱﾙﾅﾝﾊﾞｰ"), number(drive.VolSerial()) },
        };
    }
    fillList(ListView_Drive, rows);
    fitDriveColumn();
}

void frm_pelwickSys::fitDriveColumn()
{
    // QTreeView keeps the column's size hint protected; the view's own is public.
    const QAbstractItemView *view = ListView_Drive;
    const int wanted = qMax(view->sizeHintForColumn(0), ListView_Drive->header()->sectionSizeHint(0));
    const int room = ListView_Drive->viewport()->width() - ListView_Drive->columnWidth(1) - ValueColumnMinimum;
    ListView_Drive->setColumnWidth(0, qBound(DriveColumnMinimum, wanted, qMax(DriveColumnMinimum, room)));
}

bool frm_pelwickSys::eventFilter(QObject *watched, QEvent *event)
{
    // The room for the column changes with the list's visible width.
    if (watched == ListView_Drive->viewport() && event->type() == QEvent::Resize)
        fitDriveColumn();
    return QWidget::eventFilter(watched, event);
}

void frm_pelwickSys::SetMemory()
{
    clsMemoryInfomation memory(m_sources);
    fillList(ListView_Memory,
        {
            { tr("全ﾍﾟｰｼﾞﾝｸﾞﾌｧｲﾙのﾊﾞｲﾄ数"), kilobytes(memory.AllPageFile()) },
            { tr("全ﾒﾓﾘｰのﾊﾞｲﾄ数"), kilobytes(memory.AllSpace()) },
            { tr("使用可能な仮想ﾒﾓﾘのﾊﾞｲﾄ数"), kilobytes(memory.AllVirtual()) },
            { tr("空きﾍﾟｰｼﾞﾝｸﾞﾌｧｲﾙのﾊﾞｲﾄ数"), kilobytes(memory.FreePageFile()) },
            { tr("空きﾒﾓﾘｰのﾊﾞｲﾄ数"), kilobytes(memory.FreeSpace()) },
            { tr("予約されていない仮想ﾒﾓﾘのﾊﾞｲﾄ数"), kilobytes(memory.FreeVirtual()) },
            { tr("使用中のﾒﾓﾘｰの比率(100分率)"), number(memory.UseRatio()) },
        });
}

void frm_pelwickSys::SetFolder()
{
    const clsSystemFolder folder(m_sources);
    fillList(ListView_Folder,
        {
            { tr("Windowsﾌｫﾙﾀﾞ"), folder.Windows() },
            { tr("ｼｽﾃﾑﾌｫﾙﾀﾞ"), folder.System() },
            { tr("ﾃﾝﾎﾟﾗﾘﾌｫﾙﾀﾞ"), folder.Temp() },
            { tr("ｽﾀｰﾄｱｯﾌﾟﾌｫﾙﾀﾞ"), folder.Startup() },
            { tr("Program Filesﾌｫﾙﾀﾞ"), folder.ProgramFiles() },
            { tr("[ｽﾀｰﾄ]ﾒﾆｭｰ"), folder.StartMenu() },
            { tr("[送る]ﾌｫﾙﾀﾞ"), folder.SendTo() },
            { tr("[ｽﾀｰﾄ]ﾒﾆｭｰの[ﾌﾟﾛｸﾞﾗﾑ]"), folder.Programs() },
            { tr("[最近使ったﾌｧｲﾙ]ﾌｫﾙﾀﾞ"), folder.Recent() },
            { tr("ﾊﾟｰｿﾅﾙﾌｫﾙﾀﾞ"), folder.Personal() },
            { tr("ﾒﾃﾞｨｱﾌｫﾙﾀﾞ"), folder.Media() },
            { tr("ﾌｫﾝﾄﾌｫﾙﾀﾞ"), folder.Fonts() },
            { tr("ﾌﾞｯｸﾏｰｸﾌｫﾙﾀﾞ"), folder.Favorites() },
            { tr("ﾃﾞﾊﾞｲｽﾌｫﾙﾀﾞ"), folder.Device() },
            { tr("ﾃﾞｽｸﾄｯﾌﾟﾌｫﾙﾀﾞ"), folder.Desktop() },
            { tr("ｺﾝﾌｨｸﾞﾌｫﾙﾀﾞ"), folder.Config() },
            { tr("ｺﾓﾝﾌｧｲﾙﾌｫﾙﾀﾞ"), folder.CommonFiles() },
            { tr("旧ﾊﾞｰｼﾞｮﾝのWindowsﾌｫﾙﾀﾞ"), folder.OldWindows() },
            { tr("Qt開発ﾂｰﾙのﾌｫﾙﾀﾞ"), folder.ToolInstall() },
        });
}

void frm_pelwickSys::Cmd_New_Click()
{
    Form_Load();
}

void frm_pelwickSys::Cmd_Close_Click()
{
    close();
}
