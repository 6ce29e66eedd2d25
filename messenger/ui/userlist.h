#pragma once

#include <QList>
#include <QTreeView>

class UserDirectory;

// ListUser: the view of the user directory (name, mark, address). Several
// rows may be selected; a right press, the Menu key and Shift+F10 ask for
// the pop-up menu (the keys at the current row); a click on a column header
// sorts on that column with the order toggled.
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
    // globalPos: where the pop-up opens.
    void rightButtonPressed(const QPoint &globalPos);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    void menuKeyPressed();

private:
    UserDirectory *m_directory;
};
