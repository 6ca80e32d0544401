#include "pointer_follower.h"

#include "event_listener.h"
#include "main_window.h"

#include <QCursor>
#include <QTimer>

PointerFollower::PointerFollower(QObject *window, TForm1 &form1, std::function<bool()> sharing)
    : QObject(window), form1_(form1), sharing_(std::move(sharing)), look_(new QTimer(this)),
      last_(Offset()) // the window has just published this
{
    connect(look_, &QTimer::timeout, this, &PointerFollower::Look);
    look_->start(kLookMs);
}

QPoint PointerFollower::Offset() const
{
    return QCursor::pos() - form1_.frameGeometry().topLeft();
}

void PointerFollower::Look()
{
    DatabaseSession &db = form1_.Db();
    const QString table = QStringLiteral("MOUSEPOS");
    if (!sharing_() || !db.Events().Listening(table)) return;
    const QPoint offset = Offset();
    if (offset == last_) return; // a pointer at rest costs nothing
    const QString member = QString::number(form1_.settings().PcUserNumber);
    // The row exists: the window wrote it when it opened, and its tick keeps it there.
    if (db.UpdateRows(table, 4, {"MN", "ST", "MX", "MY"},
                      {member, "1", QString::number(offset.x()), QString::number(offset.y())},
                      QStringLiteral("MN=") + member)) {
        last_ = offset;
        ++published_;
    }
}
