#include "clients/MozillaRegistry.h"

#include "platform/Encoding.h"

namespace clients {

namespace {
constexpr char kMarker[] = "directory";
constexpr int kMarkerLength = int(sizeof(kMarker)) - 1;
} // namespace

MozillaRegistry::MozillaRegistry(int maxPaths, std::function<void()> onPath)
    : maxPaths_(maxPaths), onPath_(std::move(onPath)) {}

void MozillaRegistry::feed(const char* data, qsizetype size) {
    for (qsizetype i = 0; i < size && !full(); ++i) {
        const char c = data[i];
        switch (state_) {
        case State::Matching:
            // A byte that breaks a partial match is not tried as a new start.
            if (c == kMarker[matched_]) {
                if (++matched_ == kMarkerLength) {
                    matched_ = 0;
                    state_ = State::SkipOne;
                }
            } else {
                matched_ = 0;
            }
            break;
        case State::SkipOne:
            state_ = State::Collecting;
            break;
        case State::Collecting:
            if (c == '\0') {
                store();
            } else if (!tooLong_) {
                if (current_.size() < kMaxPathBytes)
                    current_.append(c);
                else
                    tooLong_ = true;
            }
            break;
        }
    }
}

void MozillaRegistry::finish() {
    if (state_ == State::Collecting && !full()) store();
    state_ = State::Matching;
    matched_ = 0;
}

void MozillaRegistry::store() {
    // An empty or over-long run names no profile folder.
    if (!current_.isEmpty() && !tooLong_) {
        paths_.append(platform::decodeText(current_));
        if (onPath_) onPath_();
    }
    current_.clear();
    tooLong_ = false;
    state_ = State::Matching;
}

QStringList MozillaRegistry::scan(const QByteArray& data, int maxPaths) {
    MozillaRegistry r(maxPaths);
    r.feed(data);
    r.finish();
    return r.paths();
}

} // namespace clients
