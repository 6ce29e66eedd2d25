#include "frm_pelwickSpl.h"

#include "clsCommonDlg.h"
#include "clsFolderGetPath.h"
#include "messagebox.h"
#include "splitnames.h"
#include "splitrun.h"
#include "textutil.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

constexpr std::array<const char *, 5> SizeCaptions { "1.44 M", "1.25 M", "1.21 M", " 720 K", " 640 K" };
constexpr qint32 SourceDialogFlags = 0x1805; // read-only preset and hidden, path and file must exist

// A source must be a plain, visible file.
bool sourceFileFound(const QString &text)
{
    const QFileInfo info(text);
    return !text.isEmpty() && info.isFile() && !info.isHidden();
}

bool destinationFolderFound(const QString &text)
{
    return !text.isEmpty() && QFileInfo(text).isDir();
}

QString unwritableNameMessage(const QString &parts)
{
    return QCoreApplication::translate("Frm_pelwickSpl", "結合用ﾊﾞｯﾁﾌｧｲﾙに書けない文字がﾌｧｲﾙ名に含まれています: ") + parts;
}

QFrame *line(QWidget *parent, const QString &name)
{
    auto *frame = new QFrame(parent);
    frame->setObjectName(name);
    frame->setFrameShape(QFrame::HLine);
    frame->setFrameShadow(QFrame::Sunken);
    return frame;
}

} // namespace

Frm_pelwickSpl::Frm_pelwickSpl(const QString &caption, QWidget *parent, CommonDialogRunner *dialogs)
    : QWidget(parent, Qt::Window)
    // The caption is one of SplitterCaption's source texts.
    , m_caption(QCoreApplication::translate("SplitterCaption", caption.toUtf8().constData()))
    , m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("Frm_pelwickSpl"));
    setWindowTitle(m_caption);

    m_body = new QWidget(this);
    m_body->setObjectName(QStringLiteral("body"));

    Frame1 = new QGroupBox(tr("分割元"), m_body);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Txt_InFilepath = new QLineEdit(Frame1);
    Txt_InFilepath->setObjectName(QStringLiteral("Txt_InFilepath"));
    Cmd_InCmn = new QPushButton(tr("ﾌｧｲﾙ選択"), Frame1);
    Cmd_InCmn->setObjectName(QStringLiteral("Cmd_InCmn"));
    Cmd_InCmn->setToolTip(tr("分割元のﾌｧｲﾙを選択"));
    auto *row1 = new QHBoxLayout(Frame1);
    row1->addWidget(Txt_InFilepath, 1);
    row1->addWidget(Cmd_InCmn);

    Frame2 = new QGroupBox(tr("分割先"), m_body);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    Txt_OutFolder = new QLineEdit(Frame2);
    Txt_OutFolder->setObjectName(QStringLiteral("Txt_OutFolder"));
    Cmd_OutCmn = new QPushButton(tr("ﾌｫﾙﾀﾞ選択"), Frame2);
    Cmd_OutCmn->setObjectName(QStringLiteral("Cmd_OutCmn"));
    Cmd_OutCmn->setToolTip(tr("分割先のﾌｫﾙﾀﾞを選択"));
    auto *row2 = new QHBoxLayout(Frame2);
    row2->addWidget(Txt_OutFolder, 1);
    row2->addWidget(Cmd_OutCmn);

    const QString sizeTip = tr("１ﾌｧｲﾙの分割ｻｲｽﾞ");
    Frame_size = new QGroupBox(tr("分割ｻｲｽﾞ"), m_body);
    Frame_size->setObjectName(QStringLiteral("Frame_size"));
    Frame_size->setToolTip(sizeTip);
    auto *sizes = new QVBoxLayout(Frame_size);
    for (std::size_t i = 0; i < OptionSize.size(); ++i) {
        OptionSize[i] = new QRadioButton(QString::fromLatin1(SizeCaptions[i]), Frame_size);
        OptionSize[i]->setObjectName(QStringLiteral("OptionSize_%1").arg(i));
        OptionSize[i]->setToolTip(sizeTip);
        sizes->addWidget(OptionSize[i]);
    }
    OptionSize[0]->setChecked(true);

    Frame3 = new QGroupBox(tr("詳細設定"), m_body);
    Frame3->setObjectName(QStringLiteral("Frame3"));
    CheckDel = new QCheckBox(tr("分割先に同一名ﾌｧｲﾙが存在したら無条件に削除する"), Frame3);
    CheckDel->setObjectName(QStringLiteral("CheckDel"));
    CheckBat = new QCheckBox(tr("結合ﾊﾞｯﾁﾌｧｲﾙを作成する"), Frame3);
    CheckBat->setObjectName(QStringLiteral("CheckBat"));
    CheckBat->setChecked(true);
    CheckDelBat = new QCheckBox(tr("結合ﾊﾞｯﾁ起動時に分割ﾌｧｲﾙを削除する"), Frame3);
    CheckDelBat->setObjectName(QStringLiteral("CheckDelBat"));
    CheckDelBat->setChecked(true);
    auto *details = new QVBoxLayout(Frame3);
    details->addWidget(CheckDel);
    details->addWidget(line(Frame3, QStringLiteral("Line1_0")));
    details->addWidget(CheckBat);
    details->addWidget(CheckDelBat);
    details->addWidget(line(Frame3, QStringLiteral("Line1_1")));
    details->addStretch(1);

    Cmd_Split = new QPushButton(tr("分割開始"), m_body);
    Cmd_Split->setObjectName(QStringLiteral("Cmd_Split"));
    Cmd_Split->setToolTip(tr("ﾌｧｲﾙ分割を開始"));
    Cmd_Close = new QPushButton(tr("閉じる"), m_body);
    Cmd_Close->setObjectName(QStringLiteral("Cmd_Close"));

    auto *options = new QHBoxLayout;
    options->addWidget(Frame_size);
    options->addWidget(Frame3, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Cmd_Split);
    buttons->addWidget(Cmd_Close);
    auto *body = new QVBoxLayout(m_body);
    body->setContentsMargins(0, 0, 0, 0);
    body->addWidget(Frame1);
    body->addWidget(Frame2);
    body->addLayout(options);
    body->addLayout(buttons);

    // Outside the body, so a run that disables the controls does not grey them.
    m_progressBar = new QProgressBar(this);
    m_progressBar->setObjectName(QStringLiteral("progressSplit"));
    m_progressBar->setRange(0, 1000);
    m_progressBar->setValue(0);
    m_progressBar->setTextVisible(false);
    m_progressText = new QLabel(this);
    m_progressText->setObjectName(QStringLiteral("lblProgress"));
    auto *window = new QVBoxLayout(this);
    window->addWidget(m_body);
    window->addWidget(m_progressBar);
    window->addWidget(m_progressText);

    connect(Cmd_InCmn, &QPushButton::clicked, this, &Frm_pelwickSpl::Cmd_InCmn_Click);
    connect(Cmd_OutCmn, &QPushButton::clicked, this, &Frm_pelwickSpl::Cmd_OutCmn_Click);
    connect(CheckBat, &QCheckBox::toggled, this, &Frm_pelwickSpl::CheckBat_Click);
    connect(Cmd_Split, &QPushButton::clicked, this, &Frm_pelwickSpl::Cmd_Split_Click);
    connect(Cmd_Close, &QPushButton::clicked, this, &Frm_pelwickSpl::Cmd_Close_Click);
}

Frm_pelwickSpl::~Frm_pelwickSpl() = default;

QString Frm_pelwickSpl::FileNamePart(const QString &path, qint16 mode)
{
    return SplitNames::FileNamePart(path, mode);
}

void Frm_pelwickSpl::Cmd_InCmn_Click()
{
    clsCommonDlg dlg(m_dialogs);
    dlg.setForm(this);
    dlg.setDialogTitle(tr("分割元ﾌｧｲﾙを選択"));
    dlg.setFilter(QStringLiteral("Exe Files (*.Exe)|*.Exe|") + tr("すべて (*.*)|*.*"));
    dlg.setFilterIndex(2);
    dlg.setFlags(SourceDialogFlags);
    dlg.setInitDir(m_lastSourceFolder.isEmpty() ? QDir::toNativeSeparators(QDir::currentPath()) : m_lastSourceFolder);
    dlg.setCancelError(true);
    dlg.setFileName(QString());
    dlg.ShowOpen();
    if (dlg.CancelButton())
        return;
    Txt_InFilepath->setText(dlg.FileName());
    // The chosen file's folder, taken from the name rather than from a
    // process-wide current directory the dialog would have to change.
    m_lastSourceFolder = QDir::toNativeSeparators(QFileInfo(dlg.FileName()).absolutePath());
    if (Txt_OutFolder->text().isEmpty())
        Txt_OutFolder->setText(m_lastSourceFolder);
}

void Frm_pelwickSpl::Cmd_OutCmn_Click()
{
    clsFolderGetPath picker(m_dialogs);
    picker.sethWndOwner(this);
    picker.setTitle(tr("選択してー！"));
    picker.setRootFolderID(0);
    const QString folder = picker.FolderPathName();
    if (!trimSpaces(folder).isEmpty())
        Txt_OutFolder->setText(folder);
}

void Frm_pelwickSpl::CheckBat_Click()
{
    CheckDelBat->setVisible(CheckBat->isChecked());
}

void Frm_pelwickSpl::Cmd_Split_Click()
{
    if (m_run)
        return;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const QString source = Txt_InFilepath->text();
    const QString folder = Txt_OutFolder->text();
    const auto refuse = [this](const QString &text) {
        inform(text);
        QGuiApplication::restoreOverrideCursor();
    };
    if (trimSpaces(source).isEmpty())
        return refuse(tr("分割元のファイルを指定して下さい。"));
    if (trimSpaces(folder).isEmpty())
        return refuse(tr("分割先のフォルダを指定して下さい。"));
    if (!sourceFileFound(source))
        return refuse(tr("分割元に存在するファイルを指定して下さい。"));
    if (!destinationFolderFound(folder))
        return refuse(tr("分割先に存在するフォルダを指定して下さい。"));
    // A name the batch cannot carry or the target system cannot hold would
    // give pieces nobody can join there.
    const QStringList unwritable = SplitNames::unwritableNameParts(QFileInfo(source).fileName());
    if (!unwritable.isEmpty())
        return refuse(unwritableNameMessage(unwritable.join(u' ')));

    qint64 pieceSize = SplitNames::PieceSizes[0];
    for (std::size_t i = 1; i < OptionSize.size(); ++i) {
        if (OptionSize[i]->isChecked()) {
            pieceSize = SplitNames::PieceSizes[i];
            break;
        }
    }

    const QPointer<Frm_pelwickSpl> alive(this);
    const qint64 result = SplitFile(source, folder, pieceSize);
    if (!alive) {
        QGuiApplication::restoreOverrideCursor();
        return;
    }
    if (result == 0) {
        inform(tr("ファイル分割処理を中止しました。"));
        QGuiApplication::restoreOverrideCursor();
    } else {
        QGuiApplication::restoreOverrideCursor();
        inform(tr("完了しました。"));
    }
    if (alive)
        emit splitFinished(result);
}

void Frm_pelwickSpl::Cmd_Close_Click()
{
    close();
}

qint64 Frm_pelwickSpl::SplitFile(const QString &source, const QString &folder, qint64 pieceSize)
{
    if (m_run)
        return 0;
    const SplitRequest request { source, folder, pieceSize, CheckBat->isChecked(), CheckDel->isChecked(),
        CheckDelBat->isChecked() };
    const QPointer<Frm_pelwickSpl> alive(this);
    // A window destroyed during the run answers No to any further question.
    SplitRun run(request, [this, alive](const QString &path) { return alive && askOverwrite(path); });
    connect(&run, &SplitRun::progress, this, &Frm_pelwickSpl::showProgress);

    m_run = &run;
    m_body->setEnabled(false);
    showProgress(0, 0, QFileInfo(source).size());
    QEventLoop wait;
    connect(&run, &SplitRun::finished, &wait, &QEventLoop::quit);
    connect(this, &QObject::destroyed, &wait, &QEventLoop::quit);
    run.start();
    wait.exec();
    if (!alive)
        return 0;
    m_run = nullptr;
    m_body->setEnabled(true);

    // An event loop ended from outside (the application quitting) leaves the
    // run unfinished; dropping it removes every piece it wrote.
    if (!run.isDone())
        return 0;
    const SplitOutcome outcome = run.outcome();
    if (outcome.failure != SplitFailure::None && outcome.failure != SplitFailure::Declined)
        reportFailure(outcome);
    return outcome.pieces;
}

void Frm_pelwickSpl::closeEvent(QCloseEvent *event)
{
    // A run in progress cannot be walked away from.
    if (m_run)
        event->ignore();
    else
        QWidget::closeEvent(event);
}

QMessageBox::StandardButton Frm_pelwickSpl::showBox(
    QMessageBox::Icon icon, const QString &text, QMessageBox::StandardButtons buttons)
{
    // The window may be destroyed while the box is open (NoButton comes back
    // then): nothing of it is touched after the box.
    return ShowMessageBox({ this, text, m_caption, buttons, icon,
        buttons.testFlag(QMessageBox::Yes) ? QMessageBox::Yes : QMessageBox::NoButton });
}

void Frm_pelwickSpl::inform(const QString &text)
{
    showBox(QMessageBox::Information, text, QMessageBox::Ok);
}

bool Frm_pelwickSpl::askOverwrite(const QString &path)
{
    return showBox(QMessageBox::Question, path + tr("が存在します。削除して処理を続行しますか？"),
               QMessageBox::Yes | QMessageBox::No)
        == QMessageBox::Yes;
}

void Frm_pelwickSpl::reportFailure(const SplitOutcome &outcome)
{
    QString text;
    switch (outcome.failure) {
    case SplitFailure::SourceUnreadable:
        text = tr("分割元のファイルを読み込めません。");
        break;
    case SplitFailure::PieceUnwritable:
        text = tr("分割ファイルを書き込めません。");
        break;
    case SplitFailure::BatchUnwritable:
        text = tr("結合ﾊﾞｯﾁﾌｧｲﾙを書き込めません。");
        break;
    case SplitFailure::SameAsSource:
        text = tr("分割元のファイルと同じ名前になるため、書き込めません。");
        break;
    case SplitFailure::OutOfMemory:
        text = tr("ﾒﾓﾘ不足です。");
        break;
    case SplitFailure::NameUnwritable:
        return inform(unwritableNameMessage(outcome.reason));
    case SplitFailure::None:
    case SplitFailure::Declined:
        return;
    }
    if (!outcome.path.isEmpty())
        text += u'\n' + QDir::toNativeSeparators(outcome.path);
    if (!outcome.reason.isEmpty())
        text += u'\n' + outcome.reason;
    showBox(QMessageBox::Warning, text, QMessageBox::Ok);
}

void Frm_pelwickSpl::showProgress(qint64 pieces, qint64 bytes, qint64 total)
{
    const QLocale locale(QLocale::Japanese, QLocale::Japan);
    m_progressBar->setValue(total > 0 ? int(bytes * 1000 / total) : 0);
    m_progressText->setText(tr("%1 ﾌｧｲﾙ目  %2 / %3 ﾊﾞｲﾄ")
                                .arg(locale.toString(pieces), locale.toString(bytes), locale.toString(total)));
}
