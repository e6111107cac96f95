#pragma once
// Where a store reader hands its messages, one at a time and in pieces as it reads
// them, so that no whole message (and no whole store) is ever held in memory.
//
// A message is begin() or beginDamaged(), any number of append(), then commit();
// abort() drops what was appended since the last begin. A reader that finds a
// message broken half-way aborts it and hands over the raw bytes it could read
// as a damaged message, named by its position in the store (0 for the first).

#include "mail/MessageStatus.h"

#include <QByteArrayView>
#include <QString>

namespace mail {

class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual bool begin(const MessageStatus& status) = 0;
    virtual bool beginDamaged(qint64 position) = 0;
    virtual bool append(QByteArrayView bytes) = 0;
    virtual bool commit() = 0;
    virtual void abort() = 0;
    // Why the last call failed (a full disk, a folder that cannot be made).
    virtual QString error() const = 0;
};

} // namespace mail
