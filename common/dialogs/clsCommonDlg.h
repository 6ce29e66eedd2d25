#pragma once

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

class CommonDialogRunner;

// The open, save, colour, font, print and help dialogs behind properties: a
// window sets a few values, calls one Show... operation and reads the outcome.
// Callers create a fresh object for each dialog.
//
// A file choice, as the splitter and the options dialog make it:
//   clsCommonDlg dlg;
//   dlg.setForm(this); dlg.setDialogTitle(...); dlg.setFilter("Exe Files (*.Exe)|*.Exe|すべて (*.*)|*.*");
//   dlg.setFilterIndex(2); dlg.setFlags(0x1805); dlg.setInitDir(...); dlg.setCancelError(true);
//   dlg.setFileName(QString()); dlg.ShowOpen();
//   if (!dlg.CancelButton()) use(dlg.FileName());
//
// Filter is "|"-separated description/pattern pairs; patterns within a pair
// are separated by ';' and "*.*" means every file. With the multiple
// selection flag (0x200) and more than one file chosen, FileName holds the
// folder and the names separated by single NUL characters.
//
// CancelButton: the file and print dialogs set it on a cancel only when
// CancelError is true, the colour dialog always; only the font dialog clears
// it again after a choice, so an object reused after a cancel keeps reporting
// true for the others.
//
// ErrNumber is the common-dialog extended error code of the last failure
// (0x3003 for a chosen name longer than MaxFileSize allows); ErrDescription
// gives its Japanese text.
class clsCommonDlg
{
public:
    // dialogs: where the dialogs run; nullptr for Qt's own.
    explicit clsCommonDlg(CommonDialogRunner *dialogs = nullptr);

    QWidget *Form() const { return m_form; }
    // Also copies the window's font into the font properties.
    void setForm(QWidget *form);

    QString Filter() const { return m_filter; }
    void setFilter(const QString &filter);
    // The filter as handed to the dialog: every "|" a NUL, closed by a NUL
    // (the dialog reads up to the double NUL that ends the text).
    QString DialogFilter() const { return m_dialogFilter; }
    // The same pairs in Qt's form, "Description (*.a *.b)".
    QStringList NameFilters() const;

    qint16 FilterIndex() const { return m_filterIndex; }
    void setFilterIndex(qint16 index) { m_filterIndex = index; }
    qint32 MaxFileSize() const { return m_maxFileSize; }
    void setMaxFileSize(qint32 size) { m_maxFileSize = size; }
    QString InitDir() const { return m_initDir; }
    void setInitDir(const QString &dir) { m_initDir = dir; }
    QString DialogTitle() const { return m_dialogTitle; }
    void setDialogTitle(const QString &title) { m_dialogTitle = title; }
    QString FileName() const { return m_fileName; }
    void setFileName(const QString &name) { m_fileName = name; }
    QString FileTitle() const { return m_fileTitle; }
    void setFileTitle(const QString &title) { m_fileTitle = title; }
    qint32 Flags() const { return m_flags; }
    void setFlags(qint32 flags) { m_flags = flags; }
    QString DefaultExt() const { return m_defaultExt; }
    void setDefaultExt(const QString &ext) { m_defaultExt = ext; }

    // A Windows colour value, 0x00BBGGRR.
    qint32 Color() const { return m_color; }
    void setColor(qint32 color) { m_color = color; }

    QString FontName() const { return m_fontName; }
    void setFontName(const QString &name) { m_fontName = name; }
    qint16 FontSize() const { return m_fontSize; }
    void setFontSize(qint16 points) { m_fontSize = points; }
    bool FontBold() const { return m_fontBold; }
    void setFontBold(bool on) { m_fontBold = on; }
    bool FontItalic() const { return m_fontItalic; }
    void setFontItalic(bool on) { m_fontItalic = on; }
    bool FontStrikethru() const { return m_fontStrikethru; }
    void setFontStrikethru(bool on) { m_fontStrikethru = on; }
    bool FontUnderline() const { return m_fontUnderline; }
    void setFontUnderline(bool on) { m_fontUnderline = on; }

    // Font: largest and smallest size offered. Print: highest and lowest page.
    qint32 Max() const { return m_max; }
    void setMax(qint32 value) { m_max = value; }
    qint32 Min() const { return m_min; }
    void setMin(qint32 value) { m_min = value; }
    qint32 FromPage() const { return m_fromPage; }
    void setFromPage(qint32 page) { m_fromPage = page; }
    qint32 ToPage() const { return m_toPage; }
    void setToPage(qint32 page) { m_toPage = page; }
    qint32 Copies() const { return m_copies; }
    void setCopies(qint32 copies) { m_copies = copies; }
    qint32 hdc() const { return m_hdc; }
    void sethdc(qint32 hdc) { m_hdc = hdc; }
    qint32 PrinterDefault() const { return m_printerDefault; }
    void setPrinterDefault(qint32 value) { m_printerDefault = value; }

    QString HelpFile() const { return m_helpFile; }
    void setHelpFile(const QString &file) { m_helpFile = file; }
    qint32 HelpCommand() const { return m_helpCommand; }
    void setHelpCommand(qint32 command) { m_helpCommand = command; }
    qint32 HelpContext() const { return m_helpContext; }
    void setHelpContext(qint32 context) { m_helpContext = context; }
    // Stored as a number: false (and nothing stored) for a text that is not one.
    QString HelpKey() const { return QString::number(m_helpKey); }
    bool setHelpKey(const QString &key);

    bool CancelError() const { return m_cancelError; }
    void setCancelError(bool on) { m_cancelError = on; }

    // Setting runs 1 ShowOpen, 2 ShowSave, 3 ShowColor, 4 ShowFont,
    // 5 ShowPrinter, 6 ShowHelp; other values only stay stored.
    qint16 Action() const { return m_action; }
    void setAction(qint16 action);

    bool CancelButton() const { return m_cancelButton; }
    qint32 ErrNumber() const { return m_errNumber; }
    QString ErrDescription() const { return ErrorText(m_errNumber); }

    void ShowOpen() { ShowFileDialog(1); }
    void ShowSave() { ShowFileDialog(2); }
    void ShowColor();
    void ShowFont();
    void ShowPrinter();
    void ShowHelp();

    // The Japanese text of an error, by extended error code or by the number
    // the text table is keyed by; "未知のｴﾗｰです。" for any other.
    static QString ErrorText(qint32 number);
    // The table number of an extended error code (0 when it has none).
    static qint32 TableNumber(qint32 extendedError);

private:
    void ShowFileDialog(qint16 intDlg);

    CommonDialogRunner *m_dialogs;
    QPointer<QWidget> m_form;
    QString m_filter;
    QString m_dialogFilter;
    qint16 m_filterIndex = 0;
    qint32 m_maxFileSize = 255;
    QString m_initDir;
    QString m_dialogTitle = QStringLiteral("Open File");
    QString m_fileName;
    QString m_fileTitle = QString(254, u' ');
    qint32 m_flags = 0;
    QString m_defaultExt = QString(1, QChar(0));
    qint32 m_color = 0;
    QString m_fontName;
    qint16 m_fontSize = 0;
    bool m_fontBold = false;
    bool m_fontItalic = false;
    bool m_fontStrikethru = false;
    bool m_fontUnderline = false;
    qint32 m_max = 0;
    qint32 m_min = 0;
    qint32 m_fromPage = 0;
    qint32 m_toPage = 0;
    qint32 m_copies = 0;
    qint32 m_hdc = 0;
    qint32 m_printerDefault = 0;
    QString m_helpFile;
    qint32 m_helpCommand = 0;
    qint32 m_helpContext = 0;
    qint32 m_helpKey = 0;
    bool m_cancelError = false;
    qint16 m_action = 0;
    bool m_cancelButton = false;
    qint32 m_errNumber = 0;
    qint32 m_lastResult = 0;
};
