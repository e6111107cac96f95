#include "SourceScan.h"

#include "Faults.h"
#include "Names.h"
#include "sqx.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>

namespace sqx {

namespace {

struct DirCloser {
    void operator()(DIR* d) const { closedir(d); }
};

bool isMissing(int error) {
    return error == ENOENT || error == ENOTDIR || error == ELOOP;
}

// The path with every link resolved; empty when it cannot be (a dangling link).
std::string resolved(const std::string& path) {
    std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr), &std::free);
    return real ? std::string(real.get()) : std::string();
}

bool allOf(std::string_view text, bool (*test)(char)) {
    return !text.empty() && std::all_of(text.begin(), text.end(), test);
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isLowerHex(char c) {
    return isDigit(c) || (c >= 'a' && c <= 'f');
}
bool isLowerAlnum(char c) {
    return isDigit(c) || (c >= 'a' && c <= 'z');
}

// A file half-written by a restore (".<name>.restore-[<pid>-]<8 hex digits>") or by this
// library's extraction (".sqxpart-<10 letters and digits>"), which a killed run leaves beside
// the mail files: it is neither the old file nor the new one, and never stored.
bool isHalfWritten(std::string_view name) {
    constexpr std::string_view kPart = ".sqxpart-";
    if (name.substr(0, kPart.size()) == kPart)
        return name.size() == kPart.size() + 10 && allOf(name.substr(kPart.size()), isLowerAlnum);
    constexpr std::string_view kRestore = ".restore-";
    const size_t at = name.rfind(kRestore);
    if (name.empty() || name[0] != '.' || at == std::string_view::npos || at < 2) return false;
    const std::string_view tail = name.substr(at + kRestore.size());
    if (tail.size() < 8 || !allOf(tail.substr(tail.size() - 8), isLowerHex)) return false;
    if (tail.size() == 8) return true;
    return tail[tail.size() - 9] == '-' && tail.size() <= 8 + 1 + 10 &&
           allOf(tail.substr(0, tail.size() - 9), isDigit);
}

class Scanner {
public:
    Scanner(SourceScan& out, const Faults& faults) : out_(out), faults_(faults) {}

    // The folder that links below it must not lead out of.
    void setRoot(const std::string& folder) { root_ = resolved(folder); }

    bool failed(int error, const std::string& path) {
        out_.result = resultFromErrno(error);
        out_.failedPath = path;
        return false;
    }

    // A link below the root: stored (as the file it leads to) only when it stays inside.
    bool staysInside(const std::string& link) {
        const std::string target = resolved(link);
        if (target.empty()) return true; // dangling: nothing to store, as a missing file
        if (!root_.empty() && (target == root_ || (target.size() > root_.size() &&
                                                   target.compare(0, root_.size(), root_) == 0 &&
                                                   (root_ == "/" || target[root_.size()] == '/'))))
            return true;
        out_.leftOut.push_back(link);
        return false;
    }

    void addFile(const std::string& path, const struct stat& st, const std::string& name) {
        SourceItem item;
        item.hostPath = path;
        item.storedName = name;
        item.size = static_cast<uint64_t>(st.st_size);
        item.modified = st.st_mtime;
        item.mode = st.st_mode;
        out_.totalBytes += item.size;
        out_.items.push_back(std::move(item));
    }

    // Names of a folder, sorted so that archives come out the same for the same tree.
    bool listFolder(const std::string& path, std::vector<std::string>& names) {
        if (faults_.failsList(path)) return failed(faults_.listErrno, path);
        std::unique_ptr<DIR, DirCloser> dir(opendir(path.c_str()));
        if (!dir) {
            if (isMissing(errno)) return true;
            return failed(errno, path);
        }
        errno = 0;
        while (const dirent* e = readdir(dir.get())) {
            const std::string_view name(e->d_name);
            if (name != "." && name != ".." && !isHalfWritten(name)) names.emplace_back(name);
        }
        if (errno != 0) return failed(errno, path);
        std::sort(names.begin(), names.end());
        return true;
    }

    // Stores the folder (when it has a name) and everything below it. Linked folders below the
    // top are not entered, so that a link cannot lead in circles or out of the tree.
    bool addFolder(const std::string& path, const struct stat& st, const std::string& name) {
        if (!name.empty()) {
            SourceItem item;
            item.hostPath = path;
            item.storedName = name;
            item.folder = true;
            item.modified = st.st_mtime;
            item.mode = st.st_mode;
            out_.items.push_back(std::move(item));
        }
        std::vector<std::string> names;
        if (!listFolder(path, names)) return false;
        for (const auto& child : names) {
            const std::string childPath = joinName(path, child);
            struct stat lst {};
            if (lstat(childPath.c_str(), &lst) != 0) {
                if (isMissing(errno)) continue;
                return failed(errno, childPath);
            }
            const bool link = S_ISLNK(lst.st_mode);
            if (link && !staysInside(childPath)) continue;
            if (!addNode(childPath, joinName(name, toUtf8(child)), !link)) return false;
        }
        return true;
    }

    bool addNode(const std::string& path, const std::string& name, bool enterFolders) {
        struct stat st {};
        if (stat(path.c_str(), &st) != 0) {
            if (isMissing(errno)) return true;
            return failed(errno, path);
        }
        if (S_ISREG(st.st_mode)) {
            addFile(path, st, name);
            return true;
        }
        if (S_ISDIR(st.st_mode) && enterFolders) return addFolder(path, st, name);
        return true; // devices, pipes, sockets, linked folders below the top
    }

private:
    SourceScan& out_;
    const Faults& faults_;
    std::string root_;
};

} // namespace

SourceScan scanSpecification(const std::string& specification, const std::string& answer,
                             const std::string& root, const Faults& faults) {
    SourceScan out;
    if (specification.empty()) return out;
    Scanner scanner(out, faults);
    std::string spec = specification;
    while (spec.size() > 1 && spec.back() == '/')
        spec.pop_back();
    const std::string base = normaliseStoredName(answer);
    // "Folder\" names the folder that receives the file or the matches.
    const bool answerIsFolder = !answer.empty() && (answer.back() == '/' || answer.back() == '\\');
    const std::string_view mask = lastComponent(spec);
    if (!hasWildcard(mask)) {
        std::string name = base;
        struct stat st {};
        if ((name.empty() || answerIsFolder) && stat(spec.c_str(), &st) == 0 && S_ISREG(st.st_mode))
            name = joinName(base, normaliseStoredName(toUtf8(lastComponent(spec))));
        scanner.setRoot(root.empty() ? spec : root);
        scanner.addNode(spec, name, true);
        return out;
    }
    std::string folder(parentPart(spec));
    if (folder.empty()) folder.assign(1, spec.front() == '/' ? '/' : '.');
    const std::string storedFolder = answerIsFolder ? base : std::string(parentPart(base));
    std::vector<std::string> names;
    scanner.setRoot(root.empty() ? folder : root);
    if (!scanner.listFolder(folder, names)) return out;
    for (const auto& name : names) {
        if (!maskMatches(mask, name)) continue;
        struct stat lst {};
        const std::string path = joinName(folder, name);
        if (lstat(path.c_str(), &lst) != 0) continue;
        if (S_ISLNK(lst.st_mode) && !scanner.staysInside(path)) continue;
        if (!scanner.addNode(path, joinName(storedFolder, toUtf8(name)), true)) return out;
    }
    return out;
}

} // namespace sqx
