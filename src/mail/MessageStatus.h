#pragma once
// What a mail store records about one message beside its bytes: the marks a person
// set (read, replied, forwarded, flagged) and when it arrived.

#include <QDateTime>
#include <QtGlobal>

namespace mail {

struct MessageStatus {
    enum Flag : quint8 { Read = 1, Replied = 2, Forwarded = 4, Flagged = 8 };
    quint8 flags = 0;
    QDateTime received; // invalid when the store does not say

    bool has(Flag f) const { return (flags & f) != 0; }
};

} // namespace mail
