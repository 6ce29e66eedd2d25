#include "frm_pelwickOpt.h"

#include "clsCommonDlg.h"
#include "datagram.h"
#include "directoryedit.h"
#include "messagebox.h"
#include "sessionstorage.h"
#include "soundfile.h"
#include "windowhelpers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QKeyEvent>
#include <QScreen>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int NameLength = 50;
constexpr int PortLength = 5;
constexpr int AddressColumn = 1;
// Read-only box preset and hidden, path and file must exist.
constexpr qint32 SoundDialogFlags = 0x1805;

// The caption of each boolean option's check box, by the option's key, in
// the order shown: the first three options on one row, the later ones on a
// second.
struct OptionCaption
{
    const char *key;
    const char *caption;
    int row;
};
const OptionCaption OptionCaptions[] = {
    { "Sound", QT_TRANSLATE_NOOP("frm_pelwickOpt", "サウンド使用"), 0 },
    { "FormTop", QT_TRANSLATE_NOOP("frm_pelwickOpt", "常に前表示"), 0 },
    { "PopUp", QT_TRANSLATE_NOOP("frm_pelwickOpt", "受信お知らせ"), 0 },
    { "Broadcast", QT_TRANSLATE_NOOP("frm_pelwickOpt", "起動時にLAN内を検索"), 1 },
    { "KeepLog", QT_TRANSLATE_NOOP("frm_pelwickOpt", "送受信履歴を保存する"), 1 },
    { "Notify", QT_TRANSLATE_NOOP("frm_pelwickOpt", "ﾃﾞｽｸﾄｯﾌﾟ通知"), 1 },
};

template <typename T> T *named(T *widget, const char *name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QPushButton *button(const QString &caption, const char *name, QWidget *parent)
{
    auto *b = named(new QPushButton(caption, parent), name);
    // Enter in a text box must not close the dialog or apply anything.
    b->setAutoDefault(false);
    b->setDefault(false);
    return b;
}

// One of OptionsMessage's texts in the user's language.
QString shown(const QString &message)
{
    return QCoreApplication::translate("OptionsMessage", message.toUtf8().constData());
}

} // namespace

frm_pelwickOpt::frm_pelwickOpt(LocalSettings &settings, const QList<DirectoryEntry> &directory,
    std::function<void(const QList<DirectoryEntry> &)> applyDirectory, SessionStorage *storage,
    CommonDialogRunner *dialogs, QWidget *parent)
    : QDialog(parent, dialogWindowFlags() | Qt::MSWindowsFixedSizeDialogHint)
    , m_settings(settings)
    , m_applyDirectory(std::move(applyDirectory))
    , m_storage(storage)
    , m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("frm_pelwickOpt"));
    setWindowTitle(tr("ｵﾌﾟｼｮﾝ"));
    // Modal to its window only: the tray icon, a window of its own, still
    // takes the click that brings the window and this dialog back.
    setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);

    SSTab1 = named(new QTabWidget(this), "SSTab1");
    SSTab1->setAccessibleName(windowTitle());
    buildTerminalTab();
    buildUserTab();

    cmdOK = button(tr("閉じる"), "cmdOK", this);
    cmdCancel = button(tr("ｷｬﾝｾﾙ"), "cmdCancel", this);
    cmdApply = button(tr("更新"), "cmdApply", this);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    buttons->addWidget(cmdApply);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(SSTab1);
    layout->addLayout(buttons);
    // A fixed dialog border: the size follows the contents, the user cannot
    // change it.
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(ListViewUser, &QTreeWidget::itemDoubleClicked, this, &frm_pelwickOpt::ListViewUser_DblClick);
    // Enter on a row does what a double-click does (eventFilter).
    ListViewUser->installEventFilter(this);
    connect(CmdUPDATE, &QPushButton::clicked, this, &frm_pelwickOpt::CmdUPDATE_Click);
    connect(CmdDelete, &QPushButton::clicked, this, &frm_pelwickOpt::CmdDelete_Click);
    connect(CmdSound, &QPushButton::clicked, this, &frm_pelwickOpt::CmdSound_Click);
    connect(cmdApply, &QPushButton::clicked, this, &frm_pelwickOpt::cmdApply_Click);
    connect(cmdOK, &QPushButton::clicked, this, &frm_pelwickOpt::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frm_pelwickOpt::cmdCancel_Click);

    Form_Load(directory);

    // One size for both tabs, so 閉じる, ｷｬﾝｾﾙ and 更新 stay under the pointer
    // when the tab changes: every page asks for the largest page's room.
    // Polished first: a page's hint grows once its style is applied.
    QSize largest;
    for (QWidget *page : { m_terminalTab, m_userTab }) {
        page->ensurePolished();
        const QList<QWidget *> controls = page->findChildren<QWidget *>();
        for (QWidget *control : controls)
            control->ensurePolished();
        largest = largest.expandedTo(page->sizeHint());
    }
    for (QWidget *page : { m_terminalTab, m_userTab })
        page->setMinimumSize(largest);
}

frm_pelwickOpt::~frm_pelwickOpt() = default;

void frm_pelwickOpt::buildTerminalTab()
{
    m_terminalTab = named(new QWidget(SSTab1), "Tab_Terminal");

    Label1 = named(new QLabel(tr("使用者氏名"), m_terminalTab), "Label1");
    txtLocalUserName = named(new QLineEdit(m_terminalTab), "txtLocalUserName");
    txtLocalUserName->setMaxLength(NameLength);
    Label1->setBuddy(txtLocalUserName);

    Label8 = named(new QLabel(tr("例）山田 太郎\n"
                                             "周りの人たちが見て誰だか分かる名前にして下さい。"),
                       m_terminalTab),
        "Label8");

    Label2 = named(new QLabel(tr("ポート番号"), m_terminalTab), "Label2");
    txtLocalPort = named(new QLineEdit(m_terminalTab), "txtLocalPort");
    txtLocalPort->setMaxLength(PortLength);
    // Digits only, typed or pasted.
    txtLocalPort->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), txtLocalPort));
    txtLocalPort->setFixedWidth(txtLocalPort->fontMetrics().horizontalAdvance(QStringLiteral("000000")) + 16);
    Label2->setBuddy(txtLocalPort);

    Label4 = named(new QLabel(tr("注意："), m_terminalTab), "Label4");
    Label3 = named(
        new QLabel(tr("通信を行う人たちと同じポート番号に設定して下さい。(既定値 59640)"), m_terminalTab),
        "Label3");
    Label3->setWordWrap(true);

    QHBoxLayout *checks[] = { new QHBoxLayout, new QHBoxLayout };
    for (const OptionCaption &option : OptionCaptions) {
        const LocalSettingKey *key = localSettingKey(QLatin1String(option.key));
        Q_ASSERT(key && key->flag);
        auto *check = new QCheckBox(tr(option.caption), m_terminalTab);
        check->setObjectName(QLatin1String("Check_") + QLatin1String(option.key));
        checks[option.row]->addWidget(check);
        m_optionChecks.append({ key, check });
    }
    Check_Autostart = named(new QCheckBox(tr("ﾛｸﾞｲﾝ時に起動"), m_terminalTab), "Check_Autostart");
    Check_Autostart->hide();

    Label_Language = named(new QLabel(tr("表示言語"), m_terminalTab), "Label_Language");
    Combo_Language = named(new QComboBox(m_terminalTab), "Combo_Language");
    Combo_Language->addItem(tr("自動"), int(UiLanguage::Choice::Auto));
    // Each language by its own name, so it is found whichever is shown.
    Combo_Language->addItem(QStringLiteral("日本語"), int(UiLanguage::Choice::Japanese));
    Combo_Language->addItem(QStringLiteral("English"), int(UiLanguage::Choice::English));
    Label_Language->setBuddy(Combo_Language);
    Label_LanguageNote = named(new QLabel(tr("次回の起動から有効になります。"), m_terminalTab), "Label_LanguageNote");

    txtSoundFilePath = named(new QPlainTextEdit(m_terminalTab), "txtSoundFilePath");
    txtSoundFilePath->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtSoundFilePath->setTabChangesFocus(true);
    txtSoundFilePath->setFixedHeight(txtSoundFilePath->fontMetrics().lineSpacing() * 3 + 12);
    txtSoundFilePath->setAccessibleName(tr("サウンドファイル"));
    CmdSound = button(tr("ｻｳﾝﾄﾞﾌｧｲﾙ選択"), "CmdSound", m_terminalTab);

    auto *grid = new QGridLayout;
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(txtLocalUserName, 0, 1, 1, 2);
    grid->addWidget(Label8, 1, 1, 1, 2);
    grid->addWidget(Label2, 2, 0);
    grid->addWidget(txtLocalPort, 2, 1);
    auto *note = new QHBoxLayout;
    note->addWidget(Label4, 0, Qt::AlignTop);
    note->addWidget(Label3, 1);
    grid->addLayout(note, 3, 1, 1, 2);
    grid->addWidget(Label_Language, 4, 0);
    auto *language = new QHBoxLayout;
    language->addWidget(Combo_Language);
    language->addWidget(Label_LanguageNote, 1);
    grid->addLayout(language, 4, 1, 1, 2);
    grid->setColumnStretch(2, 1);

    checks[0]->addStretch(1);
    checks[1]->addWidget(Check_Autostart);
    checks[1]->addStretch(1);

    auto *sound = new QHBoxLayout;
    sound->addWidget(txtSoundFilePath, 1);
    sound->addWidget(CmdSound, 0, Qt::AlignTop);

    auto *tab = new QVBoxLayout(m_terminalTab);
    tab->addLayout(grid);
    tab->addSpacing(8);
    tab->addLayout(checks[0]);
    tab->addLayout(checks[1]);
    tab->addLayout(sound);
    tab->addStretch(1);

    SSTab1->addTab(m_terminalTab, tr("端末情報"));
}

void frm_pelwickOpt::buildUserTab()
{
    m_userTab = named(new QWidget(SSTab1), "Tab_User");

    ListViewUser = named(new QTreeWidget(m_userTab), "ListViewUser");
    ListViewUser->setColumnCount(2);
    ListViewUser->setHeaderLabels({ QStringLiteral("User"), tr("IPｱﾄﾞﾚｽ") });
    ListViewUser->setRootIsDecorated(false);
    ListViewUser->setUniformRowHeights(true);
    ListViewUser->setAllColumnsShowFocus(true);
    ListViewUser->setSelectionMode(QAbstractItemView::SingleSelection);
    ListViewUser->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListViewUser->header()->setSectionsMovable(false);
    ListViewUser->setColumnWidth(0, 200);
    ListViewUser->setMinimumSize(420, 180);
    ListViewUser->setAccessibleName(tr("ﾕｰｻﾞｰ情報"));

    Label6 = named(new QLabel(tr("Ｕｓｅｒ(適当な名前でOK)"), m_userTab), "Label6");
    txtRemoteUserName = named(new QLineEdit(m_userTab), "txtRemoteUserName");
    txtRemoteUserName->setMaxLength(NameLength);
    Label6->setBuddy(txtRemoteUserName);
    Label5 = named(new QLabel(tr("IPｱﾄﾞﾚｽ(例:111.22.3.123)"), m_userTab), "Label5");
    txtRemoteIPAddr = named(new QLineEdit(m_userTab), "txtRemoteIPAddr");
    Label5->setBuddy(txtRemoteIPAddr);
    Label7 = named(new QLabel(tr("更新・削除の場合はﾀﾞﾌﾞﾙｸﾘｯｸで選択"), m_userTab), "Label7");
    ListViewUser->setAccessibleDescription(Label7->text());
    CmdUPDATE = button(tr("登録／更新"), "CmdUPDATE", m_userTab);
    CmdDelete = button(tr("削除(自分のPCのみ)"), "CmdDelete", m_userTab);

    auto *fields = new QGridLayout;
    fields->addWidget(Label6, 0, 0);
    fields->addWidget(txtRemoteUserName, 0, 1);
    fields->addWidget(CmdUPDATE, 0, 2);
    fields->addWidget(Label5, 1, 0);
    fields->addWidget(txtRemoteIPAddr, 1, 1);
    fields->addWidget(CmdDelete, 1, 2);
    fields->setColumnStretch(1, 1);

    auto *tab = new QVBoxLayout(m_userTab);
    tab->addWidget(ListViewUser, 1);
    tab->addWidget(Label7);
    tab->addLayout(fields);

    SSTab1->addTab(m_userTab, tr("ﾕｰｻﾞｰ情報"));
}

void frm_pelwickOpt::Form_Load(const QList<DirectoryEntry> &directory)
{
    m_settingsApplied = false;
    txtLocalPort->setText(QString::number(m_settings.Port));
    txtLocalUserName->setText(m_settings.UserName);
    txtSoundFilePath->setPlainText(m_settings.SoundFilePath);
    for (const auto &[key, check] : std::as_const(m_optionChecks))
        check->setChecked(m_settings.*(key->flag));
    Combo_Language->setCurrentIndex(Combo_Language->findData(int(m_settings.Language)));
    for (const DirectoryEntry &entry : directory)
        ListViewUser->addTopLevelItem(new QTreeWidgetItem({ entry.UserName, entry.UserIpAddr }));
}

void frm_pelwickOpt::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (m_centred)
        return;
    m_centred = true;
    const QScreen *s = screen();
    if (!s)
        return;
    const QRect area = s->geometry();
    move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
}

QList<DirectoryEntry> frm_pelwickOpt::directoryRows() const
{
    QList<DirectoryEntry> rows;
    rows.reserve(ListViewUser->topLevelItemCount());
    for (int i = 0; i < ListViewUser->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *item = ListViewUser->topLevelItem(i);
        rows.append({ item->text(0), item->text(AddressColumn) });
    }
    return rows;
}

void frm_pelwickOpt::EditDirectoryEntry(DirectoryEditMode mode, const QString &name, const QString &ip, bool &done)
{
    const DirectoryEdit edit = planDirectoryEdit(directoryRows(), mode, name, ip);
    switch (edit.change) {
    case DirectoryEdit::Change::None:
        break;
    case DirectoryEdit::Change::Rename:
        ListViewUser->topLevelItem(int(edit.row))->setText(0, name);
        break;
    case DirectoryEdit::Change::Remove:
        delete ListViewUser->takeTopLevelItem(int(edit.row));
        break;
    case DirectoryEdit::Change::Append:
        ListViewUser->addTopLevelItem(new QTreeWidgetItem({ name, ip }));
        break;
    }
    done = edit.done;
}

bool frm_pelwickOpt::eventFilter(QObject *watched, QEvent *event)
{
    // Taken before the list passes Enter on to the dialog.
    if (watched == ListViewUser && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            ListViewUser_DblClick();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frm_pelwickOpt::ListViewUser_DblClick()
{
    const QList<QTreeWidgetItem *> selected = ListViewUser->selectedItems();
    if (selected.isEmpty())
        return;
    txtRemoteUserName->setText(selected.first()->text(0));
    txtRemoteIPAddr->setText(selected.first()->text(AddressColumn));
}

void frm_pelwickOpt::CmdUPDATE_Click()
{
    const QString ip = txtRemoteIPAddr->text().trimmed();
    const QString name = txtRemoteUserName->text();
    if (txtRemoteIPAddr->text().isEmpty() || name.isEmpty()) {
        inform(shown(OptionsMessage::NameAndAddressNeeded));
        return;
    }
    // The address is the row's identity and where datagrams go: a host name,
    // a short form or a blank around it would list one peer twice or reach
    // nobody.
    if (!isDottedQuad(ip)) {
        inform(shown(OptionsMessage::AddressForm));
        return;
    }
    bool done = false;
    EditDirectoryEntry(DirectoryEditMode::Update, name, ip, done);
    if (!done)
        inform(shown(OptionsMessage::RegisterFailed));
}

void frm_pelwickOpt::CmdDelete_Click()
{
    const QString ip = txtRemoteIPAddr->text();
    if (ip.isEmpty()) {
        inform(shown(OptionsMessage::AddressNeeded));
        return;
    }
    bool done = false;
    EditDirectoryEntry(DirectoryEditMode::Delete, txtRemoteUserName->text(), ip, done);
    if (!done)
        inform(shown(OptionsMessage::AddressUnknown));
}

void frm_pelwickOpt::CmdSound_Click()
{
    clsCommonDlg dlg(m_dialogs);
    dlg.setForm(this);
    dlg.setDialogTitle(tr("コモンダイアログ画面を使ったファイルの選択"));
    dlg.setFilter(tr("ｻｳﾝﾄﾞ(*.wav)|*.wav|") + tr("すべて|*.*|"));
    dlg.setFilterIndex(1);
    dlg.setFlags(SoundDialogFlags);
    dlg.setInitDir(QDir::currentPath());
    dlg.setCancelError(true);
    dlg.setFileName(QString());
    dlg.ShowOpen();
    if (dlg.CancelButton() || dlg.FileName().trimmed().isEmpty())
        return;
    // A file the arrival notice would not load is not taken: it would only
    // ever beep.
    if (!isUsableSoundFile(dlg.FileName())) {
        inform(shown(OptionsMessage::SoundUnusable));
        return;
    }
    txtSoundFilePath->setPlainText(dlg.FileName());
}

void frm_pelwickOpt::cmdApply_Click()
{
    if (optionCheck("Sound")->isChecked() && txtSoundFilePath->toPlainText().trimmed().isEmpty()) {
        inform(shown(OptionsMessage::SoundPathNeeded));
        return;
    }
    // The port must be one the socket can open; an empty or out-of-range
    // field would otherwise be stored and break the next start.
    // A typed path is held to what the chooser accepts, with its words; the
    // path already in force is not asked again.
    const QString soundPath = txtSoundFilePath->toPlainText();
    if (soundPath != m_settings.SoundFilePath && !soundPath.trimmed().isEmpty() && !isUsableSoundFile(soundPath)) {
        inform(shown(OptionsMessage::SoundUnusable));
        return;
    }
    const std::optional<qint32> port = parseLocalPort(txtLocalPort->text());
    if (!port) {
        inform(shown(OptionsMessage::PortInvalid));
        return;
    }
    // Every datagram carries the name: it must arrive as written and must not
    // move the fields that follow it.
    const QStringList unusable = unusableUserNameParts(txtLocalUserName->text());
    if (!unusable.isEmpty()) {
        inform(shown(OptionsMessage::NameUnusable) + unusable.join(u' '));
        return;
    }

    m_settingsApplied = true;
    m_settings.SoundFilePath = txtSoundFilePath->toPlainText();
    for (const auto &[key, check] : std::as_const(m_optionChecks))
        m_settings.*(key->flag) = check->isChecked();
    m_settings.Language = UiLanguage::Choice(Combo_Language->currentData().toInt());
    m_settings.Port = *port;
    m_settings.UserName = txtLocalUserName->text();
    const bool stored = storeLocalSettings();

    if (m_applyDirectory)
        m_applyDirectory(directoryRows());

    // The login start lives in the desktop's autostart folder, not in the
    // settings: the session reads it from there.
    bool autostartStored = true;
    if (m_autostart && Check_Autostart->isChecked() != m_autostart->isEnabled())
        autostartStored = Check_Autostart->isChecked()
            ? m_autostart->enable(QStringLiteral("Pelwick"), m_autostartCommand)
            : m_autostart->disable();

    // The options are in effect either way; the user must learn that they
    // will not survive a restart unless the store can be written.
    if (!stored || !autostartStored)
        inform(shown(OptionsMessage::StoreFailed));
}

void frm_pelwickOpt::setAutostart(const AutostartEntry &entry, const QStringList &command)
{
    m_autostart = entry;
    m_autostartCommand = command;
    Check_Autostart->setChecked(entry.isEnabled());
    Check_Autostart->show();
}

bool frm_pelwickOpt::storeLocalSettings()
{
    return !m_storage || m_storage->saveLocalSettings(m_settings);
}

QCheckBox *frm_pelwickOpt::optionCheck(const char *key) const
{
    for (const auto &[option, check] : m_optionChecks) {
        if (qstrcmp(option->name, key) == 0)
            return check;
    }
    // Every key asked for is one of OptionCaptions.
    Q_ASSERT(false);
    return nullptr;
}

void frm_pelwickOpt::cmdOK_Click()
{
    accept();
}

void frm_pelwickOpt::cmdCancel_Click()
{
    reject();
}

bool frm_pelwickOpt::canClose() const
{
    return !m_settings.UserName.isEmpty() && m_settings.Port != 0;
}

void frm_pelwickOpt::done(int result)
{
    if (!canClose()) {
        inform(shown(OptionsMessage::NameAndPortRequired));
        return;
    }
    QDialog::done(result);
}

void frm_pelwickOpt::inform(const QString &text)
{
    MessageBoxRequest request;
    request.parent = this;
    request.text = text;
    ShowMessageBox(request);
}
