#include "userdirectory.h"

#include "datagram.h"

#include <algorithm>
#include <numeric>

QString storedUserName(const QString &name)
{
    if (name.size() <= UserDirectory::MaxNameLength)
        return name;
    qsizetype length = UserDirectory::MaxNameLength;
    if (name.at(length - 1).isHighSurrogate())
        --length;
    return name.left(length);
}

UserDirectory::UserDirectory(QObject *parent)
    : QAbstractTableModel(parent)
{
}

int UserDirectory::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int UserDirectory::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 3;
}

QVariant UserDirectory::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    const Row &r = m_rows.at(index.row());
    switch (index.column()) {
    case NameColumn:
        return r.name;
    case MarkColumn:
        return presenceGlyph(r.mark);
    case AddressColumn:
        return r.address;
    }
    return {};
}

QVariant UserDirectory::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case NameColumn:
        return QStringLiteral("User");
    case MarkColumn:
        return tr("状態");
    case AddressColumn:
        return tr("IPｱﾄﾞﾚｽ");
    }
    return {};
}

bool UserDirectory::lessThan(const Row &a, const Row &b) const
{
    const Row &first = m_sortOrder == Qt::AscendingOrder ? a : b;
    const Row &second = m_sortOrder == Qt::AscendingOrder ? b : a;
    switch (m_sortColumn) {
    case MarkColumn:
        return first.mark < second.mark;
    case AddressColumn:
        return first.address < second.address;
    }
    return first.name < second.name;
}

void UserDirectory::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column > AddressColumn)
        return;
    m_sortColumn = column;
    m_sortOrder = order;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    // Views keep their selection and current row as persistent indexes:
    // move them with their rows, so a sort never changes who is selected.
    QList<int> byOrder(m_rows.size());
    std::iota(byOrder.begin(), byOrder.end(), 0);
    std::stable_sort(
        byOrder.begin(), byOrder.end(), [this](int a, int b) { return lessThan(m_rows[a], m_rows[b]); });
    QList<Row> sorted;
    sorted.reserve(m_rows.size());
    QList<int> newRow(m_rows.size());
    for (int i = 0; i < byOrder.size(); ++i) {
        sorted.append(std::move(m_rows[byOrder[i]]));
        newRow[byOrder[i]] = i;
    }
    m_rows = std::move(sorted);
    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex &i : from)
        to.append(index(newRow[i.row()], i.column()));
    changePersistentIndexList(from, to);
    rebuildIndex();
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

int UserDirectory::sortedPosition(const Row &row) const
{
    if (m_sortColumn < 0)
        return int(m_rows.size());
    const auto at = std::upper_bound(
        m_rows.begin(), m_rows.end(), row, [this](const Row &a, const Row &b) { return lessThan(a, b); });
    return int(at - m_rows.begin());
}

void UserDirectory::resettle(int i)
{
    if (m_sortColumn < 0)
        return;
    const bool afterPrevious = i == 0 || !lessThan(m_rows[i], m_rows[i - 1]);
    const bool beforeNext = i + 1 >= m_rows.size() || !lessThan(m_rows[i + 1], m_rows[i]);
    if (afterPrevious && beforeNext)
        return;
    Row moving = m_rows.takeAt(i);
    const int to = sortedPosition(moving);
    m_rows.insert(i, std::move(moving));
    if (to == i)
        return;
    // beginMoveRows counts the destination before the row is taken out.
    beginMoveRows({}, i, i, {}, to > i ? to + 1 : to);
    m_rows.move(i, to);
    endMoveRows();
    rebuildIndex();
}

void UserDirectory::rebuildIndex()
{
    m_byValue.clear();
    m_byAddress.clear();
    m_byValue.reserve(m_rows.size());
    for (int i = 0; i < m_rows.size(); ++i)
        indexFirst(m_rows[i].address, i);
}

void UserDirectory::indexFirst(const QString &address, int i)
{
    if (const std::optional<quint32> value = dottedQuadValue(address)) {
        if (!m_byValue.contains(*value))
            m_byValue.insert(*value, i);
    } else if (!m_byAddress.contains(address)) {
        m_byAddress.insert(address, i);
    }
}

int UserDirectory::rowOf(const QString &address) const
{
    if (const std::optional<quint32> value = dottedQuadValue(address))
        return m_byValue.value(*value, -1);
    return m_byAddress.value(address, -1);
}

void UserDirectory::markUser(const QString &name, const QString &address, PresenceMark mark)
{
    if (!markListedUser(name, address, mark))
        appendRow(name, mark, address);
}

bool UserDirectory::markListedUser(const QString &name, const QString &address, PresenceMark mark)
{
    const int i = rowOf(address);
    if (i < 0)
        return false;
    markRow(i, name, mark);
    return true;
}

bool UserDirectory::markListedAddress(const QString &address, PresenceMark mark)
{
    const int i = rowOf(address);
    if (i < 0)
        return false;
    markRow(i, m_rows[i].name, mark);
    return true;
}

void UserDirectory::markRow(int i, const QString &name, PresenceMark mark)
{
    Row &r = m_rows[i];
    const QString stored = storedUserName(name);
    const bool renamed = r.name != stored;
    if (!renamed && r.mark == mark)
        return;
    r.name = stored;
    r.mark = mark;
    emit dataChanged(index(i, NameColumn), index(i, MarkColumn));
    resettle(i);
    if (renamed)
        emit entriesChanged();
}

void UserDirectory::removeUser(const QString &address)
{
    const int i = rowOf(address);
    if (i >= 0)
        removeRow(i);
}

void UserDirectory::markAll(PresenceMark mark)
{
    if (m_rows.isEmpty())
        return;
    for (Row &r : m_rows)
        r.mark = mark;
    emit dataChanged(index(0, MarkColumn), index(int(m_rows.size()) - 1, MarkColumn));
    if (m_sortColumn == MarkColumn)
        sort(m_sortColumn, m_sortOrder);
}

void UserDirectory::appendRow(const QString &name, PresenceMark mark, const QString &address)
{
    Row r { storedUserName(name), mark, address };
    const int at = sortedPosition(r);
    beginInsertRows({}, at, at);
    m_rows.insert(at, std::move(r));
    endInsertRows();
    if (at == m_rows.size() - 1)
        indexFirst(address, at);
    else
        rebuildIndex();
    emit entriesChanged();
}

void UserDirectory::removeRow(int i)
{
    if (i < 0 || i >= m_rows.size())
        return;
    beginRemoveRows({}, i, i);
    m_rows.removeAt(i);
    endRemoveRows();
    rebuildIndex();
    emit entriesChanged();
}

void UserDirectory::clearRows()
{
    beginResetModel();
    m_rows.clear();
    m_byValue.clear();
    m_byAddress.clear();
    endResetModel();
    emit entriesChanged();
}

QList<DirectoryEntry> UserDirectory::entries() const
{
    QList<DirectoryEntry> list;
    list.reserve(m_rows.size());
    for (const Row &r : m_rows)
        list.append({ r.name, r.address });
    return list;
}

void UserDirectory::setEntries(const QList<DirectoryEntry> &entries)
{
    beginResetModel();
    m_rows.clear();
    m_rows.reserve(entries.size());
    m_byValue.clear();
    m_byAddress.clear();
    m_byValue.reserve(entries.size());
    // A later entry with an address already listed renames that row. The
    // index is made on the way, in one look-up per entry.
    for (const DirectoryEntry &e : entries) {
        const std::optional<quint32> value = dottedQuadValue(e.UserIpAddr);
        const qsizetype indexed = value ? m_byValue.size() : m_byAddress.size();
        int &row = value ? m_byValue[*value] : m_byAddress[e.UserIpAddr];
        if ((value ? m_byValue.size() : m_byAddress.size()) == indexed) {
            m_rows[row].name = storedUserName(e.UserName);
            continue;
        }
        row = int(m_rows.size());
        m_rows.append({ storedUserName(e.UserName), PresenceMark::NotHeard, e.UserIpAddr });
    }
    if (m_sortColumn >= 0) {
        std::stable_sort(m_rows.begin(), m_rows.end(), [this](const Row &a, const Row &b) { return lessThan(a, b); });
        rebuildIndex();
    }
    endResetModel();
    emit entriesChanged();
}
