#pragma once

#include "messagebox.h"

#include <QList>
#include <QPointer>
#include <QStringList>

#include <functional>

// Stands in for every message box while it lives: records each request and
// answers it with the next queued answer, or else with answer when the box
// offers that button, or else with OK. A box whose parent is destroyed while
// it is "open" (in whileOpen) answers NoButton, as a real box taken down with
// its parent does. One recorder at a time: destroying one clears the hook.
class MessageBoxRecorder
{
public:
    explicit MessageBoxRecorder(QMessageBox::StandardButton answer = QMessageBox::Ok)
    {
        SetMessageBoxHook([this, answer](const MessageBoxRequest &request) {
            requests.append(request);
            texts.append(request.text);
            const QPointer<QWidget> parent = request.parent;
            // A copy runs, so the callback may replace or clear itself.
            if (const auto open = whileOpen)
                open();
            if (request.parent && !parent)
                return QMessageBox::NoButton;
            if (!answers.isEmpty())
                return answers.takeFirst();
            return request.buttons.testFlag(answer) ? answer : QMessageBox::Ok;
        });
    }
    ~MessageBoxRecorder() { SetMessageBoxHook({}); }

    QList<MessageBoxRequest> requests;
    QStringList texts;
    // Answers for the next boxes, in order, before the standing answer.
    QList<QMessageBox::StandardButton> answers;
    // Runs while a box is "open", to model what happens during a modal box;
    // requests.last() is the box in question.
    std::function<void()> whileOpen;
};
