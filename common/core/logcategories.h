#pragma once

#include <QLoggingCategory>
#include <QString>
#include <QStringView>

// The diagnostics of every program, one category per area. All are silent
// below warnings by default; a user turns an area on for a bug report with,
// for example, QT_LOGGING_RULES="pelwick.*.debug=true".
//
//   pelwick.network   datagrams dropped, sends that failed, addresses
//   pelwick.presence  peers refused or capped, rows changed by whom
//   pelwick.game      game programs started, ended, refused link texts
//   pelwick.settings  settings and files read, written, moved aside
//   pelwick.desktop   tray, notifications, window-system fallbacks
Q_DECLARE_LOGGING_CATEGORY(lcNetwork)
Q_DECLARE_LOGGING_CATEGORY(lcPresence)
Q_DECLARE_LOGGING_CATEGORY(lcGame)
Q_DECLARE_LOGGING_CATEGORY(lcSettings)
Q_DECLARE_LOGGING_CATEGORY(lcDesktop)

// A text from outside (a datagram's field, a stored address) as a log line
// shows it: quoted, line breaks and other control characters escaped, and
// cut after MaxLoggedTextLength characters, so no sender can forge or flood
// the lines of a bug report.
constexpr qsizetype MaxLoggedTextLength = 64;
QString loggedText(QStringView text);
