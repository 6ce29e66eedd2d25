#pragma once

#include "messagebox.h"

#include <QList>
#include <QStringList>

#include <functional>

// Answers every message box of the suite through the ShowMessageBox hook
// and records it; the hook is removed again when the recorder goes.
class MessageBoxRecorder
{
public:
    explicit MessageBoxRecorder(QMessageBox::StandardButton answer = QMessageBox::Ok)
    {
        SetMessageBoxHook([this, answer](const MessageBoxRequest &request) {
            texts.append(request.text);
            requests.append(request);
            if (whileOpen)
                whileOpen();
            return answer;
        });
    }
    ~MessageBoxRecorder() { SetMessageBoxHook({}); }

    QStringList texts;
    QList<MessageBoxRequest> requests;
    // Runs while a box is "open", to model what happens during a modal box.
    std::function<void()> whileOpen;
};
