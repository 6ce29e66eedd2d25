#include "userlist.h"

#include <QHeaderView>
#include <QMouseEvent>

UserListView::UserListView(QWidget *parent)
    : QTreeWidget(parent)
{
    setObjectName(QStringLiteral("ListUser"));
    setColumnCount(3);
    setHeaderLabels({ QStringLiteral("User"), QStringLiteral("状態"), QStringLiteral("IPｱﾄﾞﾚｽ") });
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setAllColumnsShowFocus(true);
    header()->setSectionsClickable(true);
    header()->setStretchLastSection(true);
    connect(header(), &QHeaderView::sectionClicked, this, &UserListView::ListUser_ColumnClick);
}

QTreeWidgetItem *UserListView::rowByAddress(const QString &address) const
{
    const int rows = m_rowsPerAddress.value(address);
    if (rows == 0)
        return nullptr;
    if (rows == 1) {
        if (QTreeWidgetItem *row = m_byAddress.value(address))
            return row;
    }
    for (int i = 0; i < topLevelItemCount(); ++i) {
        QTreeWidgetItem *row = topLevelItem(i);
        if (row->text(AddressColumn) == address) {
            if (rows == 1)
                m_byAddress.insert(address, row);
            return row;
        }
    }
    return nullptr;
}

void UserListView::SetUserMark(const QString &name, const QString &address, const QString &mark)
{
    if (QTreeWidgetItem *row = rowByAddress(address)) {
        if (row->text(NameColumn) != name)
            row->setText(NameColumn, name);
        row->setText(MarkColumn, mark);
        return;
    }
    appendRow(name, mark, address);
}

void UserListView::RemoveUserByAddress(const QString &address)
{
    if (QTreeWidgetItem *row = rowByAddress(address))
        removeRow(row);
}

void UserListView::SetAllMarks(const QString &mark)
{
    for (int i = 0; i < topLevelItemCount(); ++i)
        topLevelItem(i)->setText(MarkColumn, mark);
}

QTreeWidgetItem *UserListView::appendRow(const QString &name, const QString &mark, const QString &address)
{
    auto *row = new QTreeWidgetItem({ name, mark, address });
    addTopLevelItem(row);
    indexRow(row);
    return row;
}

void UserListView::removeRow(QTreeWidgetItem *row)
{
    unindexRow(row);
    delete takeTopLevelItem(indexOfTopLevelItem(row));
}

void UserListView::clearRows()
{
    clear();
    m_byAddress.clear();
    m_rowsPerAddress.clear();
}

void UserListView::ListUser_ColumnClick(int column)
{
    setSortingEnabled(false);
    m_sortOrder = m_sortOrder == Qt::DescendingOrder ? Qt::AscendingOrder : Qt::DescendingOrder;
    setSortingEnabled(true);
    // Sorting stays on so later rows take their place; the header does not
    // flip the order by itself, the click handler does.
    header()->setSortIndicatorShown(true);
    sortByColumn(column, m_sortOrder);
}

void UserListView::mousePressEvent(QMouseEvent *event)
{
    QTreeWidget::mousePressEvent(event);
    if (event->button() == Qt::RightButton)
        emit rightButtonPressed();
}

void UserListView::indexRow(QTreeWidgetItem *row)
{
    const QString address = row->text(AddressColumn);
    m_byAddress.insert(address, row);
    ++m_rowsPerAddress[address];
}

void UserListView::unindexRow(QTreeWidgetItem *row)
{
    const QString address = row->text(AddressColumn);
    auto it = m_rowsPerAddress.find(address);
    if (it == m_rowsPerAddress.end())
        return;
    if (--*it == 0) {
        m_rowsPerAddress.erase(it);
        m_byAddress.remove(address);
    } else if (m_byAddress.value(address) == row) {
        // Another row still has the address; the linear walk finds it.
        m_byAddress.remove(address);
    }
}
