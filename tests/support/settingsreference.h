#pragma once

#include "settingsstore.h"

#include <QSettings>
#include <QStringList>

// Where a store reads a file otherwise than QSettings reads the same bytes
// at referencePath (a path QSettings has not read before: it caches by
// name): the section and key that differ, empty when none does.
inline QString differenceFromQSettings(const SettingsStore &store, const QString &referencePath)
{
    QSettings reference(referencePath, QSettings::IniFormat);
    for (const QString &section : reference.childGroups()) {
        reference.beginGroup(section);
        QStringList keys = reference.childKeys();
        QStringList stored = store.keys(section);
        keys.sort();
        stored.sort();
        if (keys != stored)
            return section + QLatin1String(": keys ") + stored.join(u' ') + QLatin1String(" for ") + keys.join(u' ');
        for (const QString &key : std::as_const(keys)) {
            const QVariant v = reference.value(key);
            // An unquoted comma makes QSettings read a list; the store gives
            // the text.
            const QString text
                = v.userType() == QMetaType::QStringList ? v.toStringList().join(QLatin1Char(',')) : v.toString();
            if (store.value(section, key, QStringLiteral("<missing>")) != text)
                return section + QLatin1Char('/') + key;
        }
        reference.endGroup();
    }
    return {};
}
