#include "message_recorder.h"

MessageRecorder::MessageRecorder()
{
    previous_ = SetMessageBoxHandler([this](MessageKind kind, const QString &text) {
        texts << text;
        kinds << kind;
        if (kind == MessageKind::Plain) return MessageAnswer::Ok;
        return answers.isEmpty() ? MessageAnswer::Yes : answers.takeFirst();
    });
}

MessageRecorder::~MessageRecorder()
{
    SetMessageBoxHandler(previous_);
}
