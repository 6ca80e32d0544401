#pragma once
// What the event listener needs of the session it listens on, and all it knows of it: the
// current attachment, calls on it under the session's watchdog, and the tables' event triggers.

#include "isc_handles.h"

#include <QString>
#include <functional>

class EventSource {
public:
    virtual bool Attached() const = 0;
    // A new number after every attach.
    virtual quint64 AttachmentNumber() const = 0;
    // Runs `call` on the current attachment, under the watchdog; false when there is none or the
    // call fails (`status` says why).
    virtual bool CallForEvents(const std::function<bool(isc_db_handle *, IscStatus &)> &call,
                               IscStatus &status) = 0;
    // Whether the catalogue has the table's event trigger.
    virtual bool HasEventTrigger(const QString &table) = 0;
    // Has the trigger added where it is missing, in the background.
    virtual void RequestEventTrigger(const QString &table) = 0;

protected:
    ~EventSource() = default;
};
