#pragma once

#include <QList>
#include <QTreeView>

class UserDirectory;

// ListUser: the view of the user directory (name, mark, address). Several
// rows may be selected; a right press reports itself for the pop-up menu; a
// click on a column header sorts on that column with the order toggled.
class UserListView : public QTreeView
{
    Q_OBJECT
public:
    explicit UserListView(UserDirectory *directory, QWidget *parent = nullptr);

    UserDirectory *directory() const { return m_directory; }

    // The selected rows, in list order.
    QList<int> selectedRows() const;
    void setRowSelected(int row, bool selected);
    // The current row when it is selected, else -1.
    int currentSelectedRow() const;

    // Column click: the sort order toggles, the clicked column becomes the key.
    void ListUser_ColumnClick(int column);

signals:
    void rightButtonPressed();

protected:
    void mousePressEvent(QMouseEvent *event) override;

private:
    UserDirectory *m_directory;
};
