#pragma once
// Talks to the caller's callback through the one callback record of a call. Without a callback
// every question gets the answer that lets the work go on.

#include "sqx.h"

#include <optional>
#include <string>

namespace sqx {

class CallbackChannel {
public:
    CallbackChannel(SqxCallback callback, intptr_t userValue);

    bool present() const { return callback_ != nullptr; }
    // True once any callback answered 0.
    bool stopped() const { return stopped_; }

    // Reason 5 for writing: offers `name` and returns the answer (with the part of `name` that
    // did not fit the field appended), or nothing when the callback stops. `root` receives
    // what the callback wrote into the path field (empty when nothing).
    std::optional<std::string> nextFile(int32_t index, const std::string& name, std::string& root);
    // Reason 5 for reading: the stored name, informational.
    bool announce(int32_t index, const std::string& name);
    bool progress(int32_t percent);
    bool nextVolume(int32_t disk, int32_t neededBytes, const std::string& folder,
                    int32_t mediaKind);
    // Reason 3; nothing when the callback stops, otherwise the text it wrote (may be empty).
    std::optional<std::string> password();
    // Reason 6: offers the destination; false when the callback stops.
    bool destination(std::string& path);
    // Reason 7: the answer (0 stop, 1 go on, 2 go on and fail before keeping the archive); 1
    // without a callback.
    int32_t leftOut(const std::string& path);
    // Reason 1: the answer (0 stop, 1 skip, 2 replace); 2 without a callback.
    int32_t overwrite(const std::string& path);

private:
    int32_t call(int32_t reason);
    // Copies as much of `text` as fits (271 bytes) and returns the part that did not fit.
    static std::string putText(char* field, const std::string& text);
    static std::string getText(const char* field);

    SqxCallback callback_;
    intptr_t userValue_;
    bool stopped_ = false;
    SqxCallbackRecord record_{};
};

} // namespace sqx
