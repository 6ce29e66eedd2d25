#pragma once

#include "commondialogrunner.h"

#include <QList>
#include <QStringList>

// Stands in for the real dialogs: records what each was asked and gives the
// answers queued for it (a cancel when none is queued).
class FakeDialogs final : public CommonDialogRunner
{
public:
    FileDialogAnswer runFileDialog(const FileDialogRequest &request) override
    {
        fileRequests << request;
        calls << QStringLiteral("file");
        return fileAnswers.isEmpty() ? FileDialogAnswer() : fileAnswers.takeFirst();
    }
    ColorDialogAnswer runColorDialog(QWidget *, const QColor &initial, quint32) override
    {
        colorInitial = initial;
        calls << QStringLiteral("color");
        return colorAnswer;
    }
    FontDialogAnswer runFontDialog(QWidget *, const QFont &initial, quint32 flags) override
    {
        fontInitial = initial;
        fontFlags = flags;
        calls << QStringLiteral("font");
        return fontAnswer;
    }
    PrintDialogAnswer runPrintDialog(QWidget *, const PrintPages &pages, quint32) override
    {
        printPages = pages;
        calls << QStringLiteral("print");
        return printAnswer;
    }
    void openHelp(QWidget *, const QString &helpFile, qint32) override { calls << QStringLiteral("help:") + helpFile; }
    QString runFolderDialog(QWidget *, const QString &title, const QString &, quint32) override
    {
        folderTitles << title;
        calls << QStringLiteral("folder");
        return folderAnswers.isEmpty() ? QString() : folderAnswers.takeFirst();
    }

    static FileDialogAnswer chose(const QStringList &files) { return { true, files, 0 }; }

    QStringList calls;
    QList<FileDialogRequest> fileRequests;
    QList<FileDialogAnswer> fileAnswers;
    QColor colorInitial;
    ColorDialogAnswer colorAnswer;
    QFont fontInitial;
    quint32 fontFlags = 0;
    FontDialogAnswer fontAnswer;
    PrintPages printPages;
    PrintDialogAnswer printAnswer;
    QStringList folderTitles;
    QStringList folderAnswers;
};
