#include "frm_pelwickAbt.h"

#include "desktopidentity.h"
#include "messagebox.h"
#include "pelwickversion.h"

#include <QApplication>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QVBoxLayout>

const QStringList frm_pelwickAbt::SysInfoPrograms
    = { QStringLiteral("hardinfo2"), QStringLiteral("hardinfo"), QStringLiteral("kinfocenter") };

frm_pelwickAbt::frm_pelwickAbt(const QStringList &sysInfoSearchPath, QWidget *parent)
    : QDialog(parent)
    , m_searchPath(sysInfoSearchPath)
{
    setObjectName(QStringLiteral("frm_pelwickAbt"));

    const auto label = [this](const char *name) {
        auto *l = new QLabel(this);
        l->setObjectName(QString::fromLatin1(name));
        l->setWordWrap(true);
        return l;
    };
    picIcon = label("picIcon");
    picIcon->setWordWrap(false);
    picIcon->setFixedSize(48, 48);
    // The messenger's own icon, also where the application has none set.
    picIcon->setPixmap(DesktopIdentity::icon(DesktopIdentity::Messenger).pixmap(QSize(48, 48), devicePixelRatioF()));
    lblTitle = label("lblTitle");
    QFont titleFont = lblTitle->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.5);
    titleFont.setBold(true);
    lblTitle->setFont(titleFont);
    lblVersion = label("lblVersion");
    lblDescription = label("lblDescription");
    lblDisclaimer = label("lblDisclaimer");
    lblLegalCopyright = label("lblLegalCopyright");

    auto *line = new QFrame(this);
    line->setObjectName(QStringLiteral("Line1"));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);

    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdSysInfo = new QPushButton(tr("ｼｽﾃﾑ情報(&S)..."), this);
    cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    cmdSysInfo->setAutoDefault(false);

    auto *text = new QVBoxLayout;
    text->addWidget(lblTitle);
    text->addWidget(lblVersion);
    text->addWidget(lblDescription);
    text->addStretch();
    auto *top = new QHBoxLayout;
    top->addWidget(picIcon, 0, Qt::AlignTop);
    top->addLayout(text, 1);
    auto *bottom = new QGridLayout;
    bottom->addWidget(lblDisclaimer, 0, 0);
    bottom->addWidget(cmdOK, 0, 1);
    bottom->addWidget(lblLegalCopyright, 1, 0);
    bottom->addWidget(cmdSysInfo, 1, 1);
    bottom->setColumnStretch(0, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(line);
    layout->addLayout(bottom);
    resize(460, 240);

    // Esc closes the box through QDialog's reject.
    connect(cmdOK, &QPushButton::clicked, this, &frm_pelwickAbt::cmdOK_Click);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frm_pelwickAbt::cmdSysInfo_Click);
    Form_Load();
}

void frm_pelwickAbt::Form_Load()
{
    const QString title = QString::fromUtf8(PelwickVersion::Title);
    setWindowTitle(title + tr("のﾊﾞｰｼﾞｮﾝ情報"));
    lblVersion->setText(tr("ﾊﾞｰｼﾞｮﾝ %1.%2.%3")
                            .arg(PelwickVersion::Major)
                            .arg(PelwickVersion::Minor)
                            .arg(PelwickVersion::Revision));
    lblTitle->setText(title);
    lblDisclaimer->setText(QString::fromUtf8(PelwickVersion::Comments));
    lblDescription->setText(QString::fromUtf8(PelwickVersion::ProductName));
    lblLegalCopyright->setText(QString::fromUtf8(PelwickVersion::LegalCopyright));
}

void frm_pelwickAbt::cmdOK_Click()
{
    accept();
}

void frm_pelwickAbt::cmdSysInfo_Click()
{
    StartSysInfo();
}

bool frm_pelwickAbt::GetKeyValue(const QString &program, QString &value, const QStringList &searchPath)
{
    value = QStandardPaths::findExecutable(program, searchPath);
    return !value.isEmpty();
}

void frm_pelwickAbt::StartSysInfo()
{
    for (const QString &program : SysInfoPrograms) {
        QString path;
        if (GetKeyValue(program, path, m_searchPath)) {
            if (QProcess::startDetached(path, {}))
                return;
            break;
        }
    }
    // Most desktops have none of the programs; the suite's own window tells
    // the same facts.
    if (m_ownSystemInformation) {
        m_ownSystemInformation();
        return;
    }
    ShowMessageBox({ this, tr("現時点ではｼｽﾃﾑ情報を使用できません"), windowTitle() });
}
