#include "logcategories.h"

#include <QDebug>

Q_LOGGING_CATEGORY(lcNetwork, "pelwick.network", QtWarningMsg)
Q_LOGGING_CATEGORY(lcPresence, "pelwick.presence", QtWarningMsg)
Q_LOGGING_CATEGORY(lcGame, "pelwick.game", QtWarningMsg)
Q_LOGGING_CATEGORY(lcSettings, "pelwick.settings", QtWarningMsg)
Q_LOGGING_CATEGORY(lcDesktop, "pelwick.desktop", QtWarningMsg)

QString loggedText(QStringView text)
{
    QString shown;
    QDebug(&shown).nospace() << text.left(MaxLoggedTextLength).toString();
    if (text.size() > MaxLoggedTextLength)
        shown += QStringLiteral("...");
    return shown;
}
