#include "CallbackChannel.h"

#include <cstring>

namespace sqx {

CallbackChannel::CallbackChannel(SqxCallback callback, intptr_t userValue)
    : callback_(callback), userValue_(userValue) {
    record_.size = sizeof(SqxCallbackRecord);
}

int32_t CallbackChannel::call(int32_t reason) {
    if (stopped_) return SQX_ANSWER_STOP;
    record_.size = sizeof(SqxCallbackRecord);
    record_.reason = reason;
    const int32_t answer = callback_(userValue_, &record_);
    if (answer == SQX_ANSWER_STOP) stopped_ = true;
    return answer;
}

std::string CallbackChannel::putText(char* field, const std::string& text) {
    const size_t room = SQX_NAME_CHARS - 1;
    const size_t n = text.size() < room ? text.size() : room;
    std::memcpy(field, text.data(), n);
    std::memset(field + n, 0, SQX_NAME_CHARS - n);
    return text.substr(n);
}

std::string CallbackChannel::getText(const char* field) {
    return std::string(field, strnlen(field, SQX_NAME_CHARS));
}

std::optional<std::string> CallbackChannel::nextFile(int32_t index, const std::string& name,
                                                     std::string& root) {
    root.clear();
    if (!present()) return name;
    record_.entryIndex = index;
    const std::string rest = putText(record_.name, name);
    putText(record_.path, std::string());
    if (call(SQX_REASON_NEXT_FILE) == SQX_ANSWER_STOP) return std::nullopt;
    root = getText(record_.path);
    return getText(record_.name) + rest;
}

bool CallbackChannel::announce(int32_t index, const std::string& name) {
    if (!present()) return true;
    record_.entryIndex = index;
    putText(record_.name, name);
    return call(SQX_REASON_NEXT_FILE) != SQX_ANSWER_STOP;
}

bool CallbackChannel::progress(int32_t percent) {
    if (!present()) return true;
    record_.value = percent;
    return call(SQX_REASON_PROGRESS) != SQX_ANSWER_STOP;
}

bool CallbackChannel::nextVolume(int32_t disk, int32_t neededBytes, const std::string& folder,
                                 int32_t mediaKind) {
    if (!present()) return true;
    record_.diskNumber = disk;
    record_.value = neededBytes;
    record_.mediaKind = mediaKind;
    putText(record_.path, folder);
    return call(SQX_REASON_NEXT_VOLUME) != SQX_ANSWER_STOP;
}

std::optional<std::string> CallbackChannel::password() {
    if (!present()) return std::string();
    putText(record_.path, std::string());
    if (call(SQX_REASON_PASSWORD) == SQX_ANSWER_STOP) return std::nullopt;
    std::string pw = getText(record_.path);
    // The password does not stay in the record longer than needed.
    std::memset(record_.path, 0, sizeof record_.path);
    return pw;
}

bool CallbackChannel::destination(std::string& path) {
    if (!present()) return true;
    const std::string rest = putText(record_.path, path);
    if (call(SQX_REASON_DESTINATION) == SQX_ANSWER_STOP) return false;
    path = getText(record_.path) + rest;
    return true;
}

int32_t CallbackChannel::leftOut(const std::string& path) {
    if (!present()) return SQX_ANSWER_GO_ON;
    putText(record_.path, path);
    return call(SQX_REASON_LEFT_OUT);
}

int32_t CallbackChannel::overwrite(const std::string& path) {
    if (!present()) return SQX_ANSWER_REPLACE;
    putText(record_.path, path);
    return call(SQX_REASON_OVERWRITE);
}

} // namespace sqx
