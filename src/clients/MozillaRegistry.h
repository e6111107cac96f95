#pragma once
// The profile paths of a Mozilla profile registry ("registry.dat"): every run of
// bytes that follows the text "directory" and one more byte, up to the next zero
// byte or the end of the data. The scanner takes the data in pieces, so a large
// file never has to be held whole.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

namespace clients {

class MozillaRegistry {
public:
    // A path longer than this is no profile path: it is dropped.
    static constexpr qsizetype kMaxPathBytes = 32767;

    // onPath is called after each stored path; the scan stops once maxPaths are stored.
    explicit MozillaRegistry(int maxPaths, std::function<void()> onPath = {});

    void feed(const char* data, qsizetype size);
    void feed(const QByteArray& data) { feed(data.constData(), data.size()); }
    // The end of the data ends a path being collected.
    void finish();

    bool full() const { return paths_.size() >= maxPaths_; }
    const QStringList& paths() const { return paths_; }

    // One-call form over a whole buffer.
    static QStringList scan(const QByteArray& data, int maxPaths);

private:
    enum class State { Matching, SkipOne, Collecting };
    void store();

    int maxPaths_;
    std::function<void()> onPath_;
    State state_ = State::Matching;
    int matched_ = 0;
    QByteArray current_;
    bool tooLong_ = false;
    QStringList paths_;
};

} // namespace clients
