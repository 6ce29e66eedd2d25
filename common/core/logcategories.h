#pragma once

#include <QLoggingCategory>

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
