#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>

class QWidget;

// The point where clsCommonDlg and clsFolderGetPath show a real dialog.
// standard() runs Qt's dialogs; tests hand the classes their own runner, so
// every property and outcome can be checked without a person.
//
// error carries a common-dialog extended error code (0x3003 for a file name
// that does not fit, 0x1008 for no default printer ...), 0 for a plain cancel.

struct FileDialogRequest
{
    QWidget *owner = nullptr;
    bool save = false;
    QString title;
    QStringList nameFilters; // Qt's form: "Description (*.a *.b)"
    int selectedFilter = 0; // index into nameFilters
    QString initialDir;
    QString fileName; // preset name, already cut to the buffer
    quint32 flags = 0; // OFN_* bits
    QString defaultSuffix;
};

struct FileDialogAnswer
{
    bool accepted = false;
    QStringList files; // absolute paths
    quint32 error = 0;
};

struct ColorDialogAnswer
{
    bool accepted = false;
    QColor color;
    quint32 error = 0;
};

struct FontDialogAnswer
{
    bool accepted = false;
    QFont font;
    quint32 error = 0;
};

struct PrintPages
{
    int fromPage = 0;
    int toPage = 0;
    int minPage = 0;
    int maxPage = 0;
    int copies = 0;
};

struct PrintDialogAnswer
{
    bool accepted = false;
    PrintPages pages;
    quint32 error = 0;
};

class CommonDialogRunner
{
public:
    virtual ~CommonDialogRunner();

    virtual FileDialogAnswer runFileDialog(const FileDialogRequest &request) = 0;
    virtual ColorDialogAnswer runColorDialog(QWidget *owner, const QColor &initial, quint32 flags) = 0;
    virtual FontDialogAnswer runFontDialog(QWidget *owner, const QFont &initial, quint32 flags) = 0;
    virtual PrintDialogAnswer runPrintDialog(QWidget *owner, const PrintPages &pages, quint32 flags) = 0;
    virtual void openHelp(QWidget *owner, const QString &helpFile, qint32 command) = 0;
    // The chosen folder, or "" after a cancel.
    virtual QString runFolderDialog(QWidget *owner, const QString &title, const QString &startFolder, quint32 flags)
        = 0;

    // Qt's own dialogs.
    static CommonDialogRunner &standard();
};

// Extended error codes the Qt dialogs can produce.
namespace CommonDialogError {
inline constexpr quint32 DialogFailure = 0xFFFF;
inline constexpr quint32 NoDefaultPrinter = 0x1008;
inline constexpr quint32 BufferTooSmall = 0x3003;
inline constexpr quint32 InvalidFileName = 0x3002;
} // namespace CommonDialogError

// Bits of the file dialog flags that mean something here.
namespace OpenFileFlags {
inline constexpr quint32 OverwritePrompt = 0x2;
inline constexpr quint32 AllowMultiSelect = 0x200;
inline constexpr quint32 PathMustExist = 0x800;
inline constexpr quint32 FileMustExist = 0x1000;
} // namespace OpenFileFlags
