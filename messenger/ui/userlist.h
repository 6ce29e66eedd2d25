#pragma once

#include <QHash>
#include <QTreeWidget>

// PresenceMark: the state column of a user row.
namespace PresenceMark {
inline const QString HeardFrom = QStringLiteral("○");
inline const QString InGame = QStringLiteral("★");
inline const QString NotHeard = QStringLiteral("×");
} // namespace PresenceMark

// ListUser: the live user directory, one row per known user (name, mark,
// IPv4 address text). Rows are identified by their address, compared
// exactly; where two rows share an address the first in list order counts.
//
// Lookups by address go through an index, so a directory of thousands of
// rows stays linear to load and cheap per datagram.
class UserListView : public QTreeWidget
{
    Q_OBJECT
public:
    enum Column { NameColumn = 0, MarkColumn = 1, AddressColumn = 2 };

    explicit UserListView(QWidget *parent = nullptr);

    // The first row with this address, or nullptr.
    QTreeWidgetItem *rowByAddress(const QString &address) const;

    // Updates the first row with address (name when it differs, mark), or
    // appends a row when there is none.
    void SetUserMark(const QString &name, const QString &address, const QString &mark);
    // Removes the first row with address; nothing when there is none.
    void RemoveUserByAddress(const QString &address);
    void SetAllMarks(const QString &mark);

    // Appends a row without looking for its address first.
    QTreeWidgetItem *appendRow(const QString &name, const QString &mark, const QString &address);
    void removeRow(QTreeWidgetItem *row);
    void clearRows();

    // Column click: the sort order toggles, the clicked column becomes the key.
    void ListUser_ColumnClick(int column);
    Qt::SortOrder sortOrder() const { return m_sortOrder; }

    int rowCount() const { return topLevelItemCount(); }
    QTreeWidgetItem *row(int i) const { return topLevelItem(i); }

signals:
    void rightButtonPressed();

protected:
    void mousePressEvent(QMouseEvent *event) override;

private:
    void indexRow(QTreeWidgetItem *row);
    void unindexRow(QTreeWidgetItem *row);

    // One row per address, valid while that address has a single row.
    mutable QHash<QString, QTreeWidgetItem *> m_byAddress;
    QHash<QString, int> m_rowsPerAddress;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
};
