#pragma once

#include <QMessageBox>
#include <QString>
#include <QWidget>

#include <array>

class CommonDialogRunner;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class SplitRun;
struct SplitOutcome;

// The two captions of the splitter window, as source texts: the window shows
// them in the user's language.
namespace SplitterCaption {
inline const QString InPelwick = QStringLiteral(QT_TRANSLATE_NOOP("SplitterCaption", "ソリッカ"));
inline const QString Standalone = QStringLiteral(QT_TRANSLATE_NOOP("SplitterCaption", "ファイル分割"));
} // namespace SplitterCaption

// The file splitter: cuts one file into numbered pieces of a floppy-disk size
// and can write the batch file that joins them again.
//
// A run keeps the window repainting and showing how many pieces and bytes are
// done, while its controls stay unusable and it refuses to close; the
// overwrite questions are all asked before anything is written.
class Frm_pelwickSpl : public QWidget
{
    Q_OBJECT
public:
    // caption: SplitterCaption::InPelwick inside the messenger,
    // SplitterCaption::Standalone in the split program; it also titles every
    // message box. dialogs: where the file and folder dialogs run (nullptr:
    // Qt's own); not owned.
    explicit Frm_pelwickSpl(const QString &caption, QWidget *parent = nullptr, CommonDialogRunner *dialogs = nullptr);
    ~Frm_pelwickSpl() override;

    // Splits source into pieces of pieceSize bytes in folder, with the rejoin
    // batch when CheckBat is checked. Returns the number of pieces written,
    // 0 when the run was aborted (a No, a read or write failure, which is
    // reported first) or the source was empty. Returns once the run is over;
    // the event loop runs meanwhile.
    qint64 SplitFile(const QString &source, const QString &folder, qint64 pieceSize);

    // Mode 0: the name after the last separator; mode 1: that name up to its
    // first '.'.
    static QString FileNamePart(const QString &path, qint16 mode);

    // The folder of the last source file chosen through Cmd_InCmn.
    QString LastSourceFolder() const { return m_lastSourceFolder; }
    bool isSplitting() const { return m_run != nullptr; }

public slots:
    void Cmd_InCmn_Click();
    void Cmd_OutCmn_Click();
    void CheckBat_Click();
    void Cmd_Split_Click();
    void Cmd_Close_Click();

signals:
    // After Cmd_Split_Click has shown its last message.
    void splitFinished(qint64 result);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QMessageBox::StandardButton showBox(
        QMessageBox::Icon icon, const QString &text, QMessageBox::StandardButtons buttons);
    void inform(const QString &text);
    bool askOverwrite(const QString &path);
    void reportFailure(const SplitOutcome &outcome);
    void showProgress(qint64 pieces, qint64 bytes, qint64 total);

    QString m_caption;
    CommonDialogRunner *m_dialogs;
    QString m_lastSourceFolder;
    SplitRun *m_run = nullptr;

    QWidget *m_body = nullptr;
    QGroupBox *Frame1 = nullptr;
    QLineEdit *Txt_InFilepath = nullptr;
    QPushButton *Cmd_InCmn = nullptr;
    QGroupBox *Frame2 = nullptr;
    QLineEdit *Txt_OutFolder = nullptr;
    QPushButton *Cmd_OutCmn = nullptr;
    QGroupBox *Frame_size = nullptr;
    std::array<QRadioButton *, 5> OptionSize {};
    QGroupBox *Frame3 = nullptr;
    QCheckBox *CheckDel = nullptr;
    QCheckBox *CheckBat = nullptr;
    QCheckBox *CheckDelBat = nullptr;
    QPushButton *Cmd_Split = nullptr;
    QPushButton *Cmd_Close = nullptr;
    QProgressBar *m_progressBar = nullptr;
    QLabel *m_progressText = nullptr;
};
