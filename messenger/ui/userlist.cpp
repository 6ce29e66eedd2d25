#include "userlist.h"

#include "userdirectory.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

#include <algorithm>

UserListView::UserListView(UserDirectory *directory, QWidget *parent)
    : QTreeView(parent)
    , m_directory(directory)
{
    setObjectName(QStringLiteral("ListUser"));
    setModel(directory);
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setItemsExpandable(false);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setAllColumnsShowFocus(true);
    header()->setSectionsClickable(true);
    header()->setStretchLastSection(true);
    connect(header(), &QHeaderView::sectionClicked, this, &UserListView::ListUser_ColumnClick);
}

QList<int> UserListView::selectedRows() const
{
    QList<int> rows;
    const QModelIndexList selected = selectionModel()->selectedRows();
    rows.reserve(selected.size());
    for (const QModelIndex &index : selected)
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void UserListView::setRowSelected(int row, bool selected)
{
    const QModelIndex index = m_directory->index(row, 0);
    selectionModel()->select(
        index, (selected ? QItemSelectionModel::Select : QItemSelectionModel::Deselect) | QItemSelectionModel::Rows);
}

int UserListView::currentSelectedRow() const
{
    const QModelIndex current = currentIndex();
    if (!current.isValid() || !selectionModel()->isRowSelected(current.row(), {}))
        return -1;
    return current.row();
}

void UserListView::ListUser_ColumnClick(int column)
{
    // The header does not flip the order by itself; the click does, and the
    // order stays in force for rows that come later.
    const Qt::SortOrder order
        = m_directory->sortOrder() == Qt::DescendingOrder ? Qt::AscendingOrder : Qt::DescendingOrder;
    header()->setSortIndicatorShown(true);
    header()->setSortIndicator(column, order);
    m_directory->sort(column, order);
}

void UserListView::mousePressEvent(QMouseEvent *event)
{
    QTreeView::mousePressEvent(event);
    if (event->button() == Qt::RightButton)
        emit rightButtonPressed(event->globalPosition().toPoint());
}

void UserListView::keyPressEvent(QKeyEvent *event)
{
    // The Menu key reaches the list as a context-menu event from the window
    // system; Shift+F10 arrives as the key alone.
    if (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier) {
        event->accept();
        menuKeyPressed();
        return;
    }
    QTreeView::keyPressEvent(event);
}

void UserListView::contextMenuEvent(QContextMenuEvent *event)
{
    // A mouse's request was answered on the right press already.
    if (event->reason() != QContextMenuEvent::Keyboard) {
        QTreeView::contextMenuEvent(event);
        return;
    }
    event->accept();
    menuKeyPressed();
}

void UserListView::menuKeyPressed()
{
    // The menu opens under the current row, where the user's eye is.
    QRect row = visualRect(currentIndex());
    if (!row.isValid() || !viewport()->rect().intersects(row))
        row = QRect(viewport()->rect().topLeft(), QSize(1, 1));
    emit rightButtonPressed(viewport()->mapToGlobal(row.bottomLeft()));
}
