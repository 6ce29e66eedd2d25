#include "commondialogrunner.h"

#include "windowhelpers.h"

#include <QColorDialog>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFontDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QUrl>

CommonDialogRunner::~CommonDialogRunner() = default;

namespace {

// PRINTDLG flags with a counterpart in Qt's print dialog.
constexpr quint32 PrintSelection = 0x1;
constexpr quint32 PrintPageNums = 0x2;
constexpr quint32 PrintNoSelection = 0x4;
constexpr quint32 PrintNoPageNums = 0x8;
constexpr quint32 PrintCollate = 0x10;
constexpr quint32 PrintDisableToFile = 0x80000;
constexpr quint32 PrintHideToFile = 0x100000;

class QtDialogs final : public CommonDialogRunner
{
public:
    FileDialogAnswer runFileDialog(const FileDialogRequest &request) override
    {
        QFileDialog dialog(request.owner, request.title, request.initialDir);
        dialog.setWindowFlags(dialogWindowFlags());
        dialog.setNameFilters(request.nameFilters);
        if (request.selectedFilter >= 0 && request.selectedFilter < request.nameFilters.size())
            dialog.selectNameFilter(request.nameFilters.at(request.selectedFilter));
        if (request.save) {
            dialog.setAcceptMode(QFileDialog::AcceptSave);
            dialog.setFileMode(QFileDialog::AnyFile);
            dialog.setOption(QFileDialog::DontConfirmOverwrite, !(request.flags & OpenFileFlags::OverwritePrompt));
        } else if (request.flags & OpenFileFlags::AllowMultiSelect) {
            dialog.setFileMode(QFileDialog::ExistingFiles);
        } else {
            dialog.setFileMode(
                request.flags & OpenFileFlags::FileMustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
        }
        dialog.setDefaultSuffix(request.defaultSuffix);
        if (!request.fileName.isEmpty())
            dialog.selectFile(request.fileName);
        FileDialogAnswer answer;
        if (dialog.exec() == QDialog::Accepted) {
            answer.accepted = true;
            for (const QString &file : dialog.selectedFiles())
                answer.files << QDir::toNativeSeparators(file);
        }
        return answer;
    }

    ColorDialogAnswer runColorDialog(QWidget *owner, const QColor &initial, quint32) override
    {
        // Every call starts with sixteen white custom colours.
        for (int i = 0; i < QColorDialog::customCount(); ++i)
            QColorDialog::setCustomColor(i, Qt::white);
        QColorDialog dialog(initial, owner);
        dialog.setWindowFlags(dialogWindowFlags());
        const bool accepted = dialog.exec() == QDialog::Accepted;
        return { accepted, accepted ? dialog.selectedColor() : QColor(), 0 };
    }

    FontDialogAnswer runFontDialog(QWidget *owner, const QFont &initial, quint32) override
    {
        QFontDialog dialog(initial, owner);
        dialog.setWindowFlags(dialogWindowFlags());
        const bool accepted = dialog.exec() == QDialog::Accepted;
        return { accepted, accepted ? dialog.selectedFont() : initial, 0 };
    }

    PrintDialogAnswer runPrintDialog(QWidget *owner, const PrintPages &pages, quint32 flags) override
    {
        QPrinter printer;
        QPrintDialog dialog(&printer, owner);
        dialog.setWindowFlags(dialogWindowFlags());
        dialog.setMinMax(pages.minPage, std::max(pages.minPage, pages.maxPage));
        if (pages.fromPage > 0 && pages.fromPage <= pages.toPage)
            dialog.setFromTo(pages.fromPage, pages.toPage);
        if (pages.copies > 0)
            printer.setCopyCount(pages.copies);
        dialog.setOption(QAbstractPrintDialog::PrintPageRange, !(flags & PrintNoPageNums));
        dialog.setOption(QAbstractPrintDialog::PrintSelection, !(flags & PrintNoSelection));
        dialog.setOption(QAbstractPrintDialog::PrintToFile, !(flags & (PrintDisableToFile | PrintHideToFile)));
        dialog.setOption(QAbstractPrintDialog::PrintCollateCopies, true);
        if (flags & PrintCollate)
            printer.setCollateCopies(true);
        if (flags & PrintPageNums)
            dialog.setPrintRange(QAbstractPrintDialog::PageRange);
        else if (flags & PrintSelection)
            dialog.setPrintRange(QAbstractPrintDialog::Selection);
        PrintDialogAnswer answer;
        if (dialog.exec() == QDialog::Accepted) {
            answer.accepted = true;
            answer.pages
                = { printer.fromPage(), printer.toPage(), dialog.minPage(), dialog.maxPage(), printer.copyCount() };
        }
        return answer;
    }

    void openHelp(QWidget *, const QString &helpFile, qint32) override
    {
        QDesktopServices::openUrl(QUrl::fromLocalFile(helpFile));
    }

    QString runFolderDialog(QWidget *owner, const QString &title, const QString &startFolder, quint32) override
    {
        QFileDialog dialog(owner, title, startFolder);
        dialog.setWindowFlags(dialogWindowFlags());
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly);
        if (dialog.exec() != QDialog::Accepted)
            return {};
        return QDir::toNativeSeparators(dialog.selectedFiles().value(0));
    }
};

} // namespace

CommonDialogRunner &CommonDialogRunner::standard()
{
    static QtDialogs dialogs;
    return dialogs;
}
