#include "Leftovers.h"

#include "Files.h"
#include "UniqueFd.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <memory>
#include <string_view>
#include <vector>

namespace sqx {

namespace {

constexpr std::string_view kMarker = ".sqxtmp-";
constexpr size_t kSuffixChars = 10;

struct DirCloser {
    void operator()(DIR* d) const { closedir(d); }
};

bool allOf(std::string_view text, int (*test)(int)) {
    for (const char c : text)
        if (!test(static_cast<unsigned char>(c))) return false;
    return !text.empty();
}

int isLowerAlnum(int c) {
    return std::isdigit(c) || (c >= 'a' && c <= 'z');
}

// A name of the form above: the process id, and whether it is a volume after the first.
struct Parsed {
    pid_t pid = 0;
    bool volume = false;
    std::string first; // the name of the first volume
};

bool parse(const std::string& name, Parsed& out) {
    const size_t at = name.rfind(kMarker);
    if (at == std::string::npos || at == 0) return false;
    std::string_view rest(name);
    rest.remove_prefix(at + kMarker.size());
    const size_t dash = rest.find('-');
    if (dash == std::string_view::npos || dash > 9 || !allOf(rest.substr(0, dash), isdigit))
        return false;
    const std::string_view suffix = rest.substr(dash + 1, kSuffixChars);
    if (suffix.size() != kSuffixChars || !allOf(suffix, isLowerAlnum)) return false;
    const std::string_view tail = rest.substr(dash + 1 + kSuffixChars);
    if (!tail.empty() && (tail.size() < 4 || tail[0] != '.' || !allOf(tail.substr(1), isdigit)))
        return false;
    out.pid = static_cast<pid_t>(std::stol(std::string(rest.substr(0, dash))));
    out.volume = !tail.empty();
    out.first = name.substr(0, name.size() - tail.size());
    return out.pid > 0;
}

bool processGone(pid_t pid) {
    return ::kill(pid, 0) != 0 && errno == ESRCH;
}

// A regular file of this user, not a link; `fd` is open on it when it is given.
bool ownRegularFile(int dirFd, const std::string& name, const struct stat* opened = nullptr) {
    struct stat st {};
    if (::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return false;
    if (!S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) return false;
    return opened == nullptr || (opened->st_dev == st.st_dev && opened->st_ino == st.st_ino);
}

// The first volume: removed with its later volumes when nobody holds its lock.
void removeSet(int dirFd, const std::string& name) {
    UniqueFd fd(::openat(dirFd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0 || !ownRegularFile(dirFd, name, &st)) return;
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) return; // its writer is alive somewhere
    ::unlinkat(dirFd, name.c_str(), 0);
    for (int n = 2;; ++n) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, ".%03d", n);
        const std::string volume = name + suffix;
        if (!ownRegularFile(dirFd, volume) || ::unlinkat(dirFd, volume.c_str(), 0) != 0) break;
    }
}

} // namespace

std::string temporaryName(const std::string& target) {
    return target + std::string(kMarker) + std::to_string(::getpid()) + "-" + randomSuffix();
}

void removeLeftovers(const std::string& folder) {
    UniqueFd dirFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dirFd.valid()) return;
    std::unique_ptr<DIR, DirCloser> dir(::fdopendir(::dup(dirFd.get())));
    if (!dir) return;
    std::vector<std::pair<std::string, Parsed>> found;
    while (const dirent* e = ::readdir(dir.get())) {
        Parsed p;
        const std::string name(e->d_name);
        if (name.find(kMarker) != std::string::npos && parse(name, p) && p.pid != ::getpid() &&
            processGone(p.pid))
            found.emplace_back(name, p);
    }
    for (const auto& [name, p] : found) {
        if (!p.volume) {
            removeSet(dirFd.get(), name);
        } else if (::faccessat(dirFd.get(), p.first.c_str(), F_OK, AT_SYMLINK_NOFOLLOW) != 0 &&
                   errno == ENOENT && ownRegularFile(dirFd.get(), name)) {
            // A later volume whose first one is gone (killed while the set was renamed).
            ::unlinkat(dirFd.get(), name.c_str(), 0);
        }
    }
}

} // namespace sqx
