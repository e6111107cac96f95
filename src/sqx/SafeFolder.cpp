#include "SafeFolder.h"

#include "Faults.h"
#include "sqx.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <string>

namespace sqx {

int32_t openBelow(int rootFd, std::string_view relative, bool make, UniqueFd& out) {
    UniqueFd current(::fcntl(rootFd, F_DUPFD_CLOEXEC, 0));
    if (!current.valid()) return resultFromErrno(errno);
    while (!relative.empty()) {
        const size_t slash = relative.find('/');
        const std::string part(relative.substr(0, slash));
        relative =
            slash == std::string_view::npos ? std::string_view() : relative.substr(slash + 1);
        if (part.empty()) continue;
        if (make && ::mkdirat(current.get(), part.c_str(), 0777) != 0 && errno != EEXIST)
            return resultFromErrno(errno);
        UniqueFd next(
            ::openat(current.get(), part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!next.valid()) {
            // A link is ELOOP; a file where a folder should be is ENOTDIR.
            if (errno == ELOOP || errno == ENOTDIR) return SQX_E_REFUSED_ENTRY;
            return errno == ENOENT ? SQX_E_NOT_FOUND : resultFromErrno(errno);
        }
        current = std::move(next);
    }
    out = std::move(current);
    return SQX_OK;
}

} // namespace sqx
