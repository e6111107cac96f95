#pragma once
// Errors as values: every platform operation that can fail returns a Status
// or a Result<T>, carrying a Windows-style error code and a readable message.

#include <QString>

#include <optional>
#include <utility>

namespace platform {

// Windows error codes that callers compare against.
enum ErrorCode : int {
    kOk = 0,
    kFileNotFound = 2,
    kPathNotFound = 3,
    kAccessDenied = 5,
    kInvalidHandle = 6,
    kNotEnoughMemory = 8,
    kInvalidData = 13,
    kNotReady = 21,
    kWriteProtect = 19,
    kSharingViolation = 32,
    kDiskFull = 112,
    kInvalidName = 123,
    kAlreadyExists = 183,
    kMoreData = 234,
    kNoMoreItems = 259,
    kNoMoreFiles = 18,
    kFilenameTooLong = 206, // a path longer than the file system takes
    kCantOpenKey = 1011,
    kBadRegistryFile = 1009,
};

struct Error {
    int code = kOk;
    QString message;
};

class Status {
public:
    Status() = default;
    Status(Error e) : error_(std::move(e)) {} // NOLINT: implicit on purpose
    static Status ok() { return {}; }
    bool isOk() const { return error_.code == kOk; }
    explicit operator bool() const { return isOk(); }
    int code() const { return error_.code; }
    const QString& message() const { return error_.message; }
    const Error& error() const { return error_; }

private:
    Error error_;
};

template <typename T> class Result {
public:
    Result(T value) : value_(std::move(value)) {} // NOLINT: implicit on purpose
    Result(Error e) : error_(std::move(e)) {
        if (error_.code == kOk) error_.code = -1;
    }
    bool isOk() const { return value_.has_value(); }
    explicit operator bool() const { return isOk(); }
    const T& value() const& { return *value_; }
    T& value() & { return *value_; }
    T&& value() && { return std::move(*value_); }
    T valueOr(T fallback) const { return value_ ? *value_ : std::move(fallback); }
    const T* operator->() const { return &*value_; }
    const T& operator*() const { return *value_; }
    int code() const { return value_ ? int(kOk) : error_.code; }
    const Error& error() const { return error_; }
    Status status() const { return value_ ? Status() : Status(error_); }

private:
    std::optional<T> value_;
    Error error_;
};

} // namespace platform
