#include "Leftovers.h"

#include "Files.h"
#include "UniqueFd.h"
#include "sqx.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <map>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

namespace sqx {

namespace {

constexpr std::string_view kTemp = ".sqxtmp-";
constexpr std::string_view kOld = ".sqxold-";
constexpr std::string_view kSwitch = ".sqxswitch-";
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

std::string volumeName(const std::string& base, size_t number) {
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".%03zu", number);
    return base + suffix;
}

enum class Kind { Temporary, Old, Switch };

// A name of one of the forms in Leftovers.h.
struct Parsed {
    Kind kind = Kind::Temporary;
    pid_t pid = 0;
    std::string target;
    std::string token; // "<pid>-<suffix>"
    size_t number = 0; // the ".NNN" part, 0 when there is none
};

bool parse(const std::string& name, Parsed& out) {
    size_t at = std::string::npos;
    std::string_view marker;
    for (const auto& [m, kind] : {std::pair{kTemp, Kind::Temporary}, std::pair{kOld, Kind::Old},
                                  std::pair{kSwitch, Kind::Switch}}) {
        const size_t found = name.rfind(m);
        if (found != std::string::npos && (at == std::string::npos || found > at)) {
            at = found;
            marker = m;
            out.kind = kind;
        }
    }
    if (at == std::string::npos || at == 0) return false;
    std::string_view rest(name);
    rest.remove_prefix(at + marker.size());
    const size_t dash = rest.find('-');
    if (dash == std::string_view::npos || dash > 9 || !allOf(rest.substr(0, dash), isdigit))
        return false;
    const std::string_view suffix = rest.substr(dash + 1, kSuffixChars);
    if (suffix.size() != kSuffixChars || !allOf(suffix, isLowerAlnum)) return false;
    const std::string_view tail = rest.substr(dash + 1 + kSuffixChars);
    if (!tail.empty() &&
        (tail.size() < 4 || tail.size() > 10 || tail[0] != '.' || !allOf(tail.substr(1), isdigit)))
        return false;
    if (out.kind == Kind::Switch && tail.empty()) return false;
    out.pid = static_cast<pid_t>(std::stol(std::string(rest.substr(0, dash))));
    out.target = name.substr(0, at);
    out.token = std::string(rest.substr(0, dash + 1 + kSuffixChars));
    out.number = tail.empty() ? 0 : std::stoul(std::string(tail.substr(1)));
    return out.pid > 0 && (out.kind != Kind::Switch || out.number > 0);
}

bool processGone(pid_t pid) {
    return ::kill(pid, 0) != 0 && errno == ESRCH;
}

bool existsAt(int dirFd, const std::string& name) {
    struct stat st {};
    return ::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
}

// A regular file of this user, not a link; `opened` is the file open on it when it is given.
bool ownRegularFile(int dirFd, const std::string& name, const struct stat* opened = nullptr) {
    struct stat st {};
    if (::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return false;
    if (!S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) return false;
    return opened == nullptr || (opened->st_dev == st.st_dev && opened->st_ino == st.st_ino);
}

// Opens `name` and takes its lock: an invalid descriptor when it is not an own regular file,
// or its lock is held (its writer is alive somewhere).
UniqueFd lockIfFree(int dirFd, const std::string& name) {
    UniqueFd fd(::openat(dirFd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0 || !ownRegularFile(dirFd, name, &st) ||
        ::flock(fd.get(), LOCK_EX | LOCK_NB) != 0)
        return UniqueFd();
    return fd;
}

// Counts the steps of a replacement for the fault seam that stops the process between them.
class Steps {
public:
    explicit Steps(unsigned killAt) : killAt_(killAt) {}
    void next() {
        if (killAt_ != 0 && ++done_ == killAt_) ::raise(SIGKILL);
    }

private:
    unsigned killAt_;
    unsigned done_ = 0;
};

int32_t renameIn(int dirFd, const std::string& from, const std::string& to, Steps& steps) {
    steps.next();
    return ::renameat(dirFd, from.c_str(), dirFd, to.c_str()) == 0 ? SQX_OK
                                                                   : resultFromErrno(errno);
}

// Everything after the switch marker, by the writer or by a later run: the new set's volumes
// still under their temporary names move in (the last first), what is left of the older
// archive goes, then the set moved aside, then the marker. Running it again after a crash in
// it ends the same way.
int32_t finishSwitch(int dirFd, const std::string& target, const std::string& token, size_t volumes,
                     const std::vector<std::string>& aside, Steps& steps) {
    const std::string temporary = target + std::string(kTemp) + token;
    int32_t result = SQX_OK;
    for (size_t k = volumes; k >= 1; --k) {
        std::string from = volumeName(temporary, k);
        if (volumes == 1 && !existsAt(dirFd, from)) from = temporary;
        if (!existsAt(dirFd, from)) continue; // moved in before the crash
        const int32_t r =
            renameIn(dirFd, from, volumes == 1 ? target : volumeName(target, k), steps);
        if (r != SQX_OK && result == SQX_OK) result = r;
    }
    if (result != SQX_OK) return result;
    ::fsync(dirFd);
    // Parts of the older archive not moved aside before a crash: read with the new set they
    // would make it unreadable.
    if (volumes > 1 && existsAt(dirFd, target)) {
        steps.next();
        ::unlinkat(dirFd, target.c_str(), 0);
    }
    for (size_t k = volumes > 1 ? volumes + 1 : 1; existsAt(dirFd, volumeName(target, k)); ++k) {
        steps.next();
        ::unlinkat(dirFd, volumeName(target, k).c_str(), 0);
    }
    for (const std::string& name : aside) {
        steps.next();
        ::unlinkat(dirFd, name.c_str(), 0);
    }
    steps.next();
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".%03zu", volumes);
    ::unlinkat(dirFd, (target + std::string(kSwitch) + token + suffix).c_str(), 0);
    ::fsync(dirFd);
    steps.next(); // all done: a stop here leaves the new archive alone
    return SQX_OK;
}

} // namespace

std::string temporaryName(const std::string& target) {
    return target + std::string(kTemp) + std::to_string(::getpid()) + "-" + randomSuffix();
}

int32_t replaceArchive(int dirFd, const std::string& target, const std::string& temporary,
                       size_t volumes, bool numbered, const Faults& faults, bool& committed) {
    committed = false;
    Steps steps(faults.killAtStep);
    const std::string first = numbered ? volumeName(temporary, 1) : temporary;
    if (volumes == 1 && !existsAt(dirFd, volumeName(target, 1))) {
        // One file over one file: a rename cannot be split.
        const int32_t r = renameIn(dirFd, first, target, steps);
        if (r != SQX_OK) return r;
        committed = true;
        ::fsync(dirFd);
        return SQX_OK;
    }
    const std::string token = temporary.substr(target.size() + kTemp.size());
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".%03zu", volumes);
    const std::string marker = target + std::string(kSwitch) + token + suffix;
    steps.next();
    UniqueFd lock(::openat(dirFd, marker.c_str(),
                           O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!lock.valid()) return resultFromErrno(errno);
    if (::flock(lock.get(), LOCK_EX | LOCK_NB) != 0 || ::fsync(lock.get()) != 0 ||
        ::fsync(dirFd) != 0) {
        const int32_t r = resultFromErrno(errno);
        ::unlinkat(dirFd, marker.c_str(), 0);
        return r;
    }
    // From here on the new set is the archive: a failure below is finished by a later sweep.
    committed = true;
    // The older archive moves aside whole before the new one moves in, so that one of them is
    // complete under one name whenever a crash comes. The last volume first: what is left of it
    // under its own name starts at .001 without gaps.
    const std::string aside = target + std::string(kOld) + token;
    std::vector<std::string> asideNames;
    size_t oldVolumes = 0;
    while (existsAt(dirFd, volumeName(target, oldVolumes + 1)))
        ++oldVolumes;
    for (size_t k = oldVolumes; k >= 1; --k) {
        if (const int32_t r = renameIn(dirFd, volumeName(target, k), volumeName(aside, k), steps);
            r != SQX_OK)
            return r;
        asideNames.push_back(volumeName(aside, k));
    }
    if (existsAt(dirFd, target)) {
        if (const int32_t r = renameIn(dirFd, target, aside, steps); r != SQX_OK) return r;
        asideNames.push_back(aside);
    }
    ::fsync(dirFd);
    return finishSwitch(dirFd, target, token, volumes, asideNames, steps);
}

namespace {

// removeLeftovers; with `only`, just the switch of that archive.
void sweep(const std::string& folder, const std::string* only) {
    UniqueFd dirFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dirFd.valid()) return;
    std::unique_ptr<DIR, DirCloser> dir(::fdopendir(::dup(dirFd.get())));
    if (!dir) return;
    // By set: target and token.
    struct Set {
        std::vector<std::pair<std::string, Parsed>> temporary, old, marker;
    };
    std::map<std::pair<std::string, std::string>, Set> sets;
    while (const dirent* e = ::readdir(dir.get())) {
        Parsed p;
        const std::string name(e->d_name);
        if (name.find(".sqx") == std::string::npos || !parse(name, p)) continue;
        Set& set = sets[{p.target, p.token}];
        auto& into = p.kind == Kind::Temporary ? set.temporary
                     : p.kind == Kind::Old     ? set.old
                                               : set.marker;
        into.emplace_back(name, std::move(p));
    }
    const pid_t self = ::getpid();
    for (const auto& [key, set] : sets) {
        const auto& [target, token] = key;
        if (only != nullptr && (target != *only || set.marker.empty())) continue;
        const pid_t pid = !set.marker.empty()      ? set.marker.front().second.pid
                          : !set.temporary.empty() ? set.temporary.front().second.pid
                                                   : set.old.front().second.pid;
        if (!set.marker.empty()) {
            // A switch that its writer did not finish: a failed or killed one (its lock is
            // free); the new set is complete, and it is put in place.
            if (pid != self && !processGone(pid)) continue;
            const auto& [name, parsed] = set.marker.front();
            const UniqueFd lock = lockIfFree(dirFd.get(), name);
            if (!lock.valid()) continue;
            std::vector<std::string> aside;
            for (const auto& [oldName, p] : set.old)
                if (ownRegularFile(dirFd.get(), oldName)) aside.push_back(oldName);
            Steps none(0);
            finishSwitch(dirFd.get(), target, token, parsed.number, aside, none);
            continue;
        }
        // A set moved aside without a marker is not of this writer's making: left alone.
        if (set.temporary.empty() || pid == self || !processGone(pid)) continue;
        // The first volume carries the lock; a set whose first one is gone was being removed.
        const std::string base = target + std::string(kTemp) + token;
        UniqueFd lock;
        for (const std::string& first : {base, volumeName(base, 1)}) {
            if (!existsAt(dirFd.get(), first)) continue;
            lock = lockIfFree(dirFd.get(), first);
            if (!lock.valid()) break;
        }
        if (!lock.valid() &&
            (existsAt(dirFd.get(), base) || existsAt(dirFd.get(), volumeName(base, 1))))
            continue;
        for (const auto& [name, p] : set.temporary)
            if (ownRegularFile(dirFd.get(), name)) ::unlinkat(dirFd.get(), name.c_str(), 0);
    }
}

} // namespace

void removeLeftovers(const std::string& folder) {
    sweep(folder, nullptr);
}

void finishInterruptedSwitch(const std::string& folder, const std::string& target) {
    sweep(folder, &target);
}

} // namespace sqx
