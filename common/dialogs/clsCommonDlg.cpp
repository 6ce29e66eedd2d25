#include "clsCommonDlg.h"

#include "commondialogrunner.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace {

constexpr qint32 InitToLogFontStruct = 0x40; // CF_INITTOLOGFONTSTRUCT
constexpr qint32 LimitSize = 0x2000; // CF_LIMITSIZE

// Whole points, halves to the even neighbour.
qint16 wholePoints(const QFont &font, const QWidget *form)
{
    double points = font.pointSizeF();
    if (points <= 0 && font.pixelSize() > 0)
        points = font.pixelSize() * 72.0 / (form ? form->logicalDpiY() : 96);
    return qint16(std::nearbyint(std::abs(points)));
}

QColor fromColorRef(qint32 ref)
{
    return QColor(ref & 0xFF, (ref >> 8) & 0xFF, (ref >> 16) & 0xFF);
}

qint32 toColorRef(const QColor &color)
{
    return color.red() | (color.green() << 8) | (color.blue() << 16);
}

QStringList splitPatterns(const QString &patterns)
{
    QStringList list;
    for (const QString &part : patterns.split(QRegularExpression(QStringLiteral("[; ]")), Qt::SkipEmptyParts))
        list << part.trimmed();
    return list;
}

// One description/pattern pair in Qt's form. Qt reads the patterns from the
// last parenthesised group, so a description that already lists them keeps
// its text; "*.*" becomes "*", as it means every file, dotted or not.
QString qtNameFilter(const QString &description, const QString &patterns)
{
    const QStringList given = splitPatterns(patterns);
    QStringList qtPatterns;
    for (const QString &pattern : given)
        qtPatterns << (pattern == u"*.*" ? QStringLiteral("*") : pattern);
    const QString group = u'(' + qtPatterns.join(u' ') + u')';

    const qsizetype open = description.lastIndexOf(u'(');
    if (open >= 0 && description.endsWith(u')')) {
        const QStringList shown = splitPatterns(description.mid(open + 1, description.size() - open - 2));
        if (shown.join(u' ').compare(given.join(u' '), Qt::CaseInsensitive) == 0)
            return description.left(open) + group;
    }
    return description + u' ' + group;
}

} // namespace

clsCommonDlg::clsCommonDlg(CommonDialogRunner *dialogs)
    : m_dialogs(dialogs ? dialogs : &CommonDialogRunner::standard())
    , m_dialogFilter(QStringLiteral("All Files (*.*)") + QChar(0) + u"*.*" + QChar(0))
    , m_initDir(QDir::toNativeSeparators(QDir::currentPath()))
{
}

void clsCommonDlg::setForm(QWidget *form)
{
    m_form = form;
    if (!form)
        return;
    const QFont font = form->font();
    m_fontBold = font.bold();
    m_fontItalic = font.italic();
    m_fontName = font.family();
    m_fontSize = wholePoints(font, form);
    m_fontStrikethru = font.strikeOut();
    m_fontUnderline = font.underline();
}

void clsCommonDlg::setFilter(const QString &filter)
{
    m_filter = filter;
    m_dialogFilter = filter;
    m_dialogFilter.replace(u'|', QChar(0));
    if (!m_dialogFilter.endsWith(QChar(0)))
        m_dialogFilter += QChar(0);
}

QStringList clsCommonDlg::NameFilters() const
{
    // The dialog reads pairs up to the first empty description.
    const QStringList parts = m_dialogFilter.split(QChar(0));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size() && !parts.at(i).isEmpty(); i += 2) {
        if (!parts.at(i + 1).isEmpty())
            filters << qtNameFilter(parts.at(i), parts.at(i + 1));
    }
    return filters;
}

bool clsCommonDlg::setHelpKey(const QString &key)
{
    bool ok = false;
    const double value = key.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value) || value < -2147483648.5 || value >= 2147483647.5)
        return false;
    m_helpKey = qint32(std::nearbyint(value));
    return true;
}

void clsCommonDlg::setAction(qint16 action)
{
    m_action = action;
    switch (action) {
    case 1:
        ShowOpen();
        break;
    case 2:
        ShowSave();
        break;
    case 3:
        ShowColor();
        break;
    case 4:
        ShowFont();
        break;
    case 5:
        ShowPrinter();
        break;
    case 6:
        ShowHelp();
        break;
    default:
        break;
    }
}

void clsCommonDlg::ShowFileDialog(qint16 intDlg)
{
    m_action = intDlg;
    m_lastResult = 0;
    m_errNumber = 0;
    if (m_maxFileSize < 1)
        return; // no room for even the terminating NUL

    FileDialogRequest request;
    request.owner = m_form;
    request.save = intDlg == 2;
    request.title = m_dialogTitle;
    request.nameFilters = NameFilters();
    request.selectedFilter = m_filterIndex >= 1 && m_filterIndex <= request.nameFilters.size() ? m_filterIndex - 1 : 0;
    request.initialDir = m_initDir;
    // The name buffer holds MaxFileSize characters, the last one NUL.
    request.fileName = m_fileName.left(m_maxFileSize - 1).section(QChar(0), 0, 0);
    request.flags = quint32(m_flags);
    request.defaultSuffix = m_defaultExt.section(QChar(0), 0, 0);

    const FileDialogAnswer answer = m_dialogs->runFileDialog(request);
    quint32 error = answer.error;
    if (answer.accepted && !answer.files.isEmpty()) {
        QString chosen;
        qsizetype needed = 0;
        if (answer.files.size() == 1) {
            chosen = answer.files.first();
            needed = chosen.size() + 1;
        } else {
            chosen = QDir::toNativeSeparators(QFileInfo(answer.files.first()).absolutePath());
            for (const QString &file : answer.files)
                chosen += QChar(0) + QFileInfo(file).fileName();
            needed = chosen.size() + 2;
        }
        if (needed <= m_maxFileSize) {
            m_lastResult = 1;
            m_fileName = chosen;
            m_fileTitle = answer.files.size() == 1 ? QFileInfo(chosen).fileName() : QString();
            if (m_fileTitle.isEmpty() && !m_fileName.isEmpty())
                m_fileTitle = m_fileName.section(QChar(0), 1);
            return;
        }
        error = CommonDialogError::BufferTooSmall;
    }
    m_errNumber = qint32(error);
    if (m_cancelError) {
        m_cancelButton = true;
        m_fileName.clear();
    }
}

void clsCommonDlg::ShowColor()
{
    m_action = 3;
    m_lastResult = 0;
    m_errNumber = 0;
    const ColorDialogAnswer answer = m_dialogs->runColorDialog(m_form, fromColorRef(m_color), quint32(m_flags));
    if (answer.accepted && answer.color.isValid()) {
        m_lastResult = 1;
        m_color = toColorRef(answer.color);
        return;
    }
    m_cancelButton = true;
    m_errNumber = qint32(answer.error);
}

void clsCommonDlg::ShowFont()
{
    QFont initial = m_form ? m_form->font() : QFont();
    if (!m_fontName.isEmpty())
        initial.setFamily(m_fontName);
    if (m_fontSize > 0)
        initial.setPointSize(m_fontSize);
    initial.setBold(m_fontBold);
    initial.setItalic(m_fontItalic);
    initial.setStrikeOut(m_fontStrikethru);
    initial.setUnderline(m_fontUnderline);

    const FontDialogAnswer answer = m_dialogs->runFontDialog(m_form, initial, quint32(m_flags | InitToLogFontStruct));
    if (!answer.accepted) {
        m_cancelButton = true;
        m_errNumber = qint32(answer.error);
        m_fontBold = m_fontItalic = m_fontStrikethru = m_fontUnderline = false;
        m_fontName.clear();
        m_fontSize = 0;
        m_color = 0;
        return;
    }
    m_cancelButton = false;
    const QFont &font = answer.font;
    m_fontBold = font.weight() >= QFont::Medium;
    m_fontItalic = font.italic();
    m_fontUnderline = font.underline();
    m_fontStrikethru = font.strikeOut();
    m_fontName = font.family();
    m_fontSize = wholePoints(font, m_form);
    // The dialog keeps to the offered sizes when asked to.
    if ((m_flags & LimitSize) && m_max > 0)
        m_fontSize = qint16(std::clamp<qint32>(m_fontSize, m_min, std::max(m_min, m_max)));
    // Qt's font dialog offers no colour: the one handed in is the one chosen.
}

void clsCommonDlg::ShowPrinter()
{
    m_action = 5;
    m_lastResult = 0;
    m_errNumber = 0;
    // The dialog's page and copy fields are 16-bit.
    const auto word = [](qint32 value) { return std::clamp<qint32>(value, 0, 0xFFFF); };
    const PrintPages pages { word(m_fromPage), word(m_toPage), word(m_min), word(m_max), word(m_copies) };
    const PrintDialogAnswer answer = m_dialogs->runPrintDialog(m_form, pages, quint32(m_flags));
    if (answer.accepted) {
        m_lastResult = 1;
        m_fromPage = answer.pages.fromPage;
        m_toPage = answer.pages.toPage;
        m_min = answer.pages.minPage;
        m_max = answer.pages.maxPage;
        m_copies = answer.pages.copies;
        return;
    }
    m_errNumber = qint32(answer.error);
    if (m_cancelError)
        m_cancelButton = true;
}

void clsCommonDlg::ShowHelp()
{
    if (!m_helpFile.isEmpty() && m_helpCommand != 0)
        m_dialogs->openHelp(m_form, m_helpFile, m_helpCommand);
}

qint32 clsCommonDlg::TableNumber(qint32 extendedError)
{
    if (extendedError == 0xFFFF)
        return -32768;
    if (extendedError >= 0x1 && extendedError <= 0xC)
        return 32767 - extendedError;
    if (extendedError >= 0x1000 && extendedError <= 0x100C)
        return 28671 - (extendedError - 0x1000);
    if (extendedError >= 0x2001 && extendedError <= 0x2002)
        return 24575 - (extendedError - 0x2000);
    if (extendedError >= 0x3001 && extendedError <= 0x3003)
        return 20479 - (extendedError - 0x3000);
    return 0;
}

QString clsCommonDlg::ErrorText(qint32 number)
{
    // Source texts; the user reads them in the user's language.
    static const QHash<qint32, const char *> texts = [] {
        const char *const retDefault = QT_TRANSLATE_NOOP("clsCommonDlg", "PDReturnDefault フラグが設定されていますが、hDevMode "
                                                  "フィールドまたは hDevNames フィールドが 0 ではありません。");
        const char *const loadResource = QT_TRANSLATE_NOOP("clsCommonDlg", "関数が指定したリソースをロードできません。");
        return QHash<qint32, const char *> {
            { -32768, QT_TRANSLATE_NOOP("clsCommonDlg", "関数がダイアログ ボックスをロードできません。") },
            { 20476, QT_TRANSLATE_NOOP("clsCommonDlg", "メンバ lpstrFile が指すバッファが小さすぎます。") },
            { 20477, QT_TRANSLATE_NOOP("clsCommonDlg", "ファイル名が無効です。") },
            { 20478, QT_TRANSLATE_NOOP("clsCommonDlg", "メモリ不足のために、リスト ボックスをサブクラス化できません。") },
            { 24574, QT_TRANSLATE_NOOP("clsCommonDlg", "フォントが存在しません。") },
            { 28660,
                QT_TRANSLATE_NOOP("clsCommonDlg", "WIN.INI ファイル内の [devices] "
                               "セクションに、必要なプリンタについてのエントリがありません。") },
            { 28661, QT_TRANSLATE_NOOP("clsCommonDlg", "PrintDlg 関数が情報コンテキストを作成できません。") },
            { 28662,
                QT_TRANSLATE_NOOP("clsCommonDlg", "DevMode データ構造と DevNames データ構造のデータが異なるプリンタを指しています。") },
            { 28663, QT_TRANSLATE_NOOP("clsCommonDlg", "通常使うプリンタが設定されていません。") },
            { 28664, QT_TRANSLATE_NOOP("clsCommonDlg", "プリンタ ドライバが見つかりません。") },
            { 28665, QT_TRANSLATE_NOOP("clsCommonDlg", "PrintDlg 関数を初期化できません。") },
            { 28666, QT_TRANSLATE_NOOP("clsCommonDlg", "プリンタ ドライバが DevMode データ構造を初期化できません。") },
            { 28667, QT_TRANSLATE_NOOP("clsCommonDlg", "PrintDlg 関数が、指定したプリンタ ドライバをロードできません。") },
            { 28668, retDefault },
            { 28669, QT_TRANSLATE_NOOP("clsCommonDlg", "CommonDialog 関数が WIN.INI の [devices] セクションの文字列を解析できません。") },
            { 28670, QT_TRANSLATE_NOOP("clsCommonDlg", "必要なリソースを読み込めません。") },
            { 28671, retDefault },
            { 32751, QT_TRANSLATE_NOOP("clsCommonDlg", "Microsoft Windows のヘルプを呼び出せません。") },
            { 32752, QT_TRANSLATE_NOOP("clsCommonDlg", "FileName プロパティまたは Filter プロパティにメモリを割り当てられません。") },
            { 32755, QT_TRANSLATE_NOOP("clsCommonDlg", "[キャンセル] ボタンが選択されました。") },
            { 32757, QT_TRANSLATE_NOOP("clsCommonDlg", "関数が、ハンドルに関連付けられたメモリをロックできません。") },
            { 32758, QT_TRANSLATE_NOOP("clsCommonDlg", "関数が、内部のデータ構造にメモリを割り当てられません。") },
            { 32759, QT_TRANSLATE_NOOP("clsCommonDlg", "関数が指定したリソースをロックできません。") },
            { 32760, loadResource },
            { 32761, loadResource },
            { 32765, QT_TRANSLATE_NOOP("clsCommonDlg", "関数を初期化できません。") },
        };
    }();
    if (const auto found = texts.constFind(number); found != texts.cend())
        return QCoreApplication::translate("clsCommonDlg", *found);
    if (const auto found = texts.constFind(TableNumber(number)); found != texts.cend())
        return QCoreApplication::translate("clsCommonDlg", *found);
    return QCoreApplication::translate("clsCommonDlg", "未知のｴﾗｰです。");
}
