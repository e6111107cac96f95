#include "Files.h"

#include "Faults.h"
#include "sqx.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <random>

namespace sqx {

std::string randomSuffix() {
    static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::random_device device;
    std::string out;
    for (int i = 0; i < 10; ++i)
        out += kDigits[device() % 36];
    return out;
}

int32_t makeFolders(const std::string& path) {
    if (path.empty()) return SQX_OK;
    for (size_t pos = 1; pos <= path.size(); ++pos) {
        if (pos < path.size() && path[pos] != '/') continue;
        const std::string part = path.substr(0, pos);
        if (::mkdir(part.c_str(), 0777) == 0) continue;
        const int error = errno;
        struct stat st {};
        if (error == EEXIST && ::stat(part.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) continue;
        return resultFromErrno(error == EEXIST ? ENOTDIR : error);
    }
    return SQX_OK;
}

int32_t writeAll(int fd, const void* data, size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return resultFromErrno(errno);
        if (n == 0) return SQX_E_DISK_FULL;
        p += n;
        size -= static_cast<size_t>(n);
    }
    return SQX_OK;
}

} // namespace sqx
