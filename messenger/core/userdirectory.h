#pragma once

#include "presencemark.h"
#include "settingsmapping.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QList>

// UserDirectory: the known users, one row per user (name, mark, IPv4
// address text), in the order the list shows them. Rows are identified by
// their address, compared exactly; where two rows share an address the first
// in row order counts.
//
// A name is kept to at most MaxNameLength characters (cut at a character
// boundary), so a peer cannot grow the list and the stored directory
// without bound.
//
// Once sorted on a column, the order stays in force: a row added or changed
// later takes its place, as in a sorted list view. Lookups by address go
// through an index, so a directory of thousands of rows stays linear to load
// and cheap per datagram.
class UserDirectory : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { NameColumn = 0, MarkColumn = 1, AddressColumn = 2 };
    // Longer than any name the options let a user type.
    static constexpr qsizetype MaxNameLength = 64;

    struct Row
    {
        QString name;
        PresenceMark mark = PresenceMark::NotHeard;
        QString address;
    };

    explicit UserDirectory(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    // Sorts by column; the order stays in force for later rows.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    const Row &row(int i) const { return m_rows.at(i); }
    QString name(int i) const { return m_rows.at(i).name; }
    PresenceMark mark(int i) const { return m_rows.at(i).mark; }
    QString address(int i) const { return m_rows.at(i).address; }

    // The first row with this address, or -1.
    int rowOf(const QString &address) const;

    // Updates the first row with address (name when it differs, mark), or
    // adds a row when there is none.
    void markUser(const QString &name, const QString &address, PresenceMark mark);
    // Updates the first row with address as markUser does; false, and
    // nothing added, when there is none. One lookup for a caller that adds
    // unknown users only under a rule of its own.
    bool markListedUser(const QString &name, const QString &address, PresenceMark mark);
    // Marks the first row with address and keeps its name; false when
    // there is none.
    bool markListedAddress(const QString &address, PresenceMark mark);
    // Removes the first row with address; nothing when there is none.
    void removeUser(const QString &address);
    void markAll(PresenceMark mark);

    // Adds a row without looking for its address first.
    void appendRow(const QString &name, PresenceMark mark, const QString &address);
    void removeRow(int i);
    void clearRows();

    // Name and address of every row, in row order.
    QList<DirectoryEntry> entries() const;
    // Replaces every row with entries, all marked NotHeard.
    void setEntries(const QList<DirectoryEntry> &entries);

    // The column and order in force; column -1 when never sorted.
    int sortColumn() const { return m_sortColumn; }
    Qt::SortOrder sortOrder() const { return m_sortOrder; }

signals:
    // A row was added, removed or renamed: what is stored has changed.
    void entriesChanged();

private:
    void markRow(int i, const QString &name, PresenceMark mark);
    bool lessThan(const Row &a, const Row &b) const;
    // Where a row belongs under the order in force (the end when unsorted).
    int sortedPosition(const Row &row) const;
    // Moves row i to its place under the order in force.
    void resettle(int i);
    void rebuildIndex();

    // Indexes address as row i unless an earlier row holds it.
    void indexFirst(const QString &address, int i);

    QList<Row> m_rows;
    // First row per address; rebuilt when rows move. An address in dotted
    // decimal, as nearly every one is, is kept by its value, which is
    // cheaper to look up than its text; a dotted quad's text and its value
    // determine each other, so the lookup stays an exact comparison.
    QHash<quint32, int> m_byValue;
    QHash<QString, int> m_byAddress;
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
};

// name cut to UserDirectory::MaxNameLength characters, never inside a
// surrogate pair.
QString storedUserName(const QString &name);
