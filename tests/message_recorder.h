#pragma once
// Replaces the program's message boxes while it lives: records every text and answers each
// question with the next queued answer (Yes when none is queued).

#include "message_box.h"

#include <QList>
#include <QStringList>

class MessageRecorder {
public:
    MessageRecorder();
    ~MessageRecorder();

    QStringList texts; // every box, in order
    QList<MessageKind> kinds;
    QList<MessageAnswer> answers; // answers for the coming questions

    QString Last() const { return texts.isEmpty() ? QString() : texts.last(); }
    void Clear()
    {
        texts.clear();
        kinds.clear();
    }
    // The texts so far, cleared.
    QStringList Take()
    {
        const QStringList said = texts;
        Clear();
        return said;
    }

private:
    MessageBoxHandler previous_;
};
