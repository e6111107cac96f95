#pragma once
// Owns a POSIX file descriptor.

#include <unistd.h>

#include <cerrno>
#include <utility>

namespace sqx {

class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd() { reset(); }
    UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) {
            reset();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    void reset() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }
    // Closes and reports the error of close(2) (0 when none), for files whose writes must land.
    int closeChecked() {
        if (fd_ < 0) return 0;
        const int rc = ::close(std::exchange(fd_, -1));
        return rc == 0 ? 0 : errno;
    }

private:
    int fd_ = -1;
};

} // namespace sqx
