#pragma once

#include <QAccessible>
#include <QStringList>
#include <QWidget>

// The controls of window that take the keyboard's focus but that a screen
// reader could not name: no accessible name, or one that is only blanks.
// Controls on a hidden page (another tab) count: the user reaches them by
// switching. Each is listed by its object name (else its class).
inline QStringList unnamedFocusableControls(QWidget *window)
{
    QStringList unnamed;
    QList<QWidget *> controls = window->findChildren<QWidget *>();
    controls.prepend(window);
    for (QWidget *control : std::as_const(controls)) {
        if (!(control->focusPolicy() & Qt::TabFocus) || !control->isEnabled())
            continue;
        // A control hidden by itself (an entry the desktop does not offer)
        // is reached by nobody.
        if (control != window && control->isHidden())
            continue;
        QAccessibleInterface *face = QAccessible::queryAccessibleInterface(control);
        const QString name = face ? face->text(QAccessible::Name).trimmed() : QString();
        if (name.isEmpty())
            unnamed.append(control->objectName().isEmpty() ? QString::fromLatin1(control->metaObject()->className())
                                                            : control->objectName());
    }
    return unnamed;
}
