#pragma once

#include "autostartentry.h"
#include "directoryedit.h"
#include "settingsmapping.h"

#include <QDialog>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

class CommonDialogRunner;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QTreeWidget;
class SessionStorage;

// Message texts of the options dialog, as source texts: the dialog shows
// them in the user's language.
namespace OptionsMessage {
inline const QString RegisterFailed = QStringLiteral(QT_TRANSLATE_NOOP("OptionsMessage", "登録処理に失敗しました。"));
inline const QString NameAndAddressNeeded = QStringLiteral(QT_TRANSLATE_NOOP("OptionsMessage", "ﾕｰｻﾞｰ名とIPｱﾄﾞﾚｽを指定して下さい。"));
inline const QString AddressUnknown = QStringLiteral(QT_TRANSLATE_NOOP("OptionsMessage", "指定されたIPｱﾄﾞﾚｽの情報が存在しません。"));
inline const QString AddressNeeded = QStringLiteral(QT_TRANSLATE_NOOP("OptionsMessage", "IPｱﾄﾞﾚｽを指定して下さい。"));
inline const QString SoundPathNeeded = QStringLiteral(QT_TRANSLATE_NOOP("OptionsMessage", "サウンドファイルのフルパス名を指定して下さい。"));
inline const QString PortInvalid = QStringLiteral(QT_TRANSLATE_NOOP("OptionsMessage", "ポート番号は 1 から 65535 までの数字で指定して下さい。"));
inline const QString NameAndPortRequired = QStringLiteral(QT_TRANSLATE_NOOP("OptionsMessage", "使用者氏名、ポート番号は必須です。必ず入力して下さい。"));
inline const QString StoreFailed = QStringLiteral(QT_TRANSLATE_NOOP("OptionsMessage", "設定を保存できませんでした。"));
inline const QString NameUnusable = QStringLiteral(QT_TRANSLATE_NOOP("OptionsMessage", "使用者氏名に使えない文字が含まれています: "));
inline const QString AddressForm = QStringLiteral(QT_TRANSLATE_NOOP("OptionsMessage", "IPｱﾄﾞﾚｽは 111.22.3.123 のように指定して下さい。"));
inline const QString SoundUnusable = QStringLiteral(QT_TRANSLATE_NOOP("OptionsMessage", "ｻｳﾝﾄﾞﾌｧｲﾙとして使えません。"));
} // namespace OptionsMessage

// The options dialog: this terminal's options (LocalSettings) on the first
// tab, a working copy of the user directory on the second.
//
// Apply writes each option into settings and at once, through the
// session's storage, into section "Local" of the settings, then hands the directory copy to applyDirectory, which
// rebuilds the main window's user list with every user absent (×). Closing
// is refused while the applied user name is empty or the applied port is 0,
// whichever way the dialog is closed (閉じる, ｷｬﾝｾﾙ, Esc, the close box).
//
// Shown modally with exec(); every message goes through ShowMessageBox.
class frm_pelwickOpt : public QDialog
{
    Q_OBJECT
public:
    // settings: the program's LocalSettings, changed by Apply; must outlive
    // the dialog. directory: the main window's user list, in row order.
    // storage: where Apply keeps the options (nullptr: nowhere, for a
    // picture of the dialog). dialogs: where the sound-file dialog runs
    // (nullptr: Qt's own). Neither is owned.
    frm_pelwickOpt(LocalSettings &settings, const QList<DirectoryEntry> &directory,
        std::function<void(const QList<DirectoryEntry> &)> applyDirectory, SessionStorage *storage,
        CommonDialogRunner *dialogs = nullptr, QWidget *parent = nullptr);
    ~frm_pelwickOpt() override;

    // Cleared when the dialog opens, set by each successful Apply. The main
    // window reads it after the modal dialog returns to decide whether to
    // announce itself again.
    bool SettingsApplied() const { return m_settingsApplied; }

    // Changes ListViewUser, keyed by ip (planDirectoryEdit).
    void EditDirectoryEntry(DirectoryEditMode mode, const QString &name, const QString &ip, bool &done);

    // The rows of ListViewUser, in order.
    QList<DirectoryEntry> directoryRows() const;

    // Whether the applied values allow the dialog to close.
    bool canClose() const;

    // The entry that starts the messenger at login, which "ﾛｸﾞｲﾝ時に起動"
    // shows (checked while it is on) and Apply writes (command: what it
    // starts) or removes. Without one the check box stays hidden.
    void setAutostart(const AutostartEntry &entry, const QStringList &command);

public slots:
    void ListViewUser_DblClick();
    void CmdUPDATE_Click();
    void CmdDelete_Click();
    void CmdSound_Click();
    void cmdApply_Click();
    void cmdOK_Click();
    void cmdCancel_Click();

    // Every way of closing ends here; refused (with the message) while
    // canClose() is false.
    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildTerminalTab();
    void buildUserTab();
    void Form_Load(const QList<DirectoryEntry> &directory);
    void inform(const QString &text);
    bool storeLocalSettings();
    // The check box of the boolean option named key.
    QCheckBox *optionCheck(const char *key) const;

    LocalSettings &m_settings;
    bool m_settingsApplied = false;
    std::function<void(const QList<DirectoryEntry> &)> m_applyDirectory;
    SessionStorage *m_storage;
    CommonDialogRunner *m_dialogs;
    bool m_centred = false;

    QTabWidget *SSTab1 = nullptr;
    QWidget *m_terminalTab = nullptr;
    QWidget *m_userTab = nullptr;

    QLabel *Label1 = nullptr;
    QLineEdit *txtLocalUserName = nullptr;
    QLabel *Label2 = nullptr;
    QLineEdit *txtLocalPort = nullptr;
    QLabel *Label4 = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *Label8 = nullptr;
    // A check box, "Check_" + its key, for every boolean option of
    // localSettingKeys().
    QList<std::pair<const LocalSettingKey *, QCheckBox *>> m_optionChecks;
    QCheckBox *Check_Autostart = nullptr;
    // The programs' language from the next start: automatic, Japanese,
    // English (UiLanguage::Choice as item data).
    QLabel *Label_Language = nullptr;
    QComboBox *Combo_Language = nullptr;
    QLabel *Label_LanguageNote = nullptr;
    std::optional<AutostartEntry> m_autostart;
    QStringList m_autostartCommand;
    QPlainTextEdit *txtSoundFilePath = nullptr;
    QPushButton *CmdSound = nullptr;

    QTreeWidget *ListViewUser = nullptr;
    QLabel *Label6 = nullptr;
    QLineEdit *txtRemoteUserName = nullptr;
    QLabel *Label5 = nullptr;
    QLineEdit *txtRemoteIPAddr = nullptr;
    QLabel *Label7 = nullptr;
    QPushButton *CmdUPDATE = nullptr;
    QPushButton *CmdDelete = nullptr;

    QPushButton *cmdOK = nullptr;
    QPushButton *cmdCancel = nullptr;
    QPushButton *cmdApply = nullptr;
};
