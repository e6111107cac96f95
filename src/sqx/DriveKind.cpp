#include "DriveKind.h"

#include "sqx.h"

#include <climits>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <vector>

namespace sqx {

namespace {

// mountinfo escapes blanks and backslashes in paths as \ooo.
std::string unescapeMountPath(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] >= '0' && text[i + 1] <= '3') {
            out += static_cast<char>((text[i + 1] - '0') * 64 + (text[i + 2] - '0') * 8 +
                                     (text[i + 3] - '0'));
            i += 3;
        } else {
            out += text[i];
        }
    }
    return out;
}

bool isBelow(const std::string& path, const std::string& mountPoint) {
    if (mountPoint == "/") return true;
    return path.compare(0, mountPoint.size(), mountPoint) == 0 &&
           (path.size() == mountPoint.size() || path[mountPoint.size()] == '/');
}

std::string canonical(const std::string& folder) {
    std::unique_ptr<char, decltype(&std::free)> real(realpath(folder.c_str(), nullptr), &std::free);
    return real ? std::string(real.get()) : folder;
}

} // namespace

int32_t driveKindOf(const std::string& folder, std::string mountInfo) {
    if (mountInfo.empty()) {
        std::ifstream in("/proc/self/mountinfo");
        std::ostringstream text;
        text << in.rdbuf();
        mountInfo = text.str();
    }
    const std::string path = canonical(folder);
    std::string bestMount;
    std::string bestType;
    std::istringstream lines(mountInfo);
    std::string line;
    while (std::getline(lines, line)) {
        // id parent major:minor root mountpoint options [optional fields...] - fstype source ...
        std::istringstream fields(line);
        std::vector<std::string> f;
        std::string word;
        while (fields >> word)
            f.push_back(word);
        size_t dash = 0;
        while (dash < f.size() && f[dash] != "-")
            ++dash;
        if (f.size() < 5 || dash + 1 >= f.size()) continue;
        const std::string mountPoint = unescapeMountPath(f[4]);
        if (isBelow(path, mountPoint) && mountPoint.size() >= bestMount.size()) {
            bestMount = mountPoint;
            bestType = f[dash + 1];
        }
    }
    if (bestType == "iso9660" || bestType == "udf") return SQX_MEDIA_CDROM;
    if (isBelow(bestMount, "/media") || isBelow(bestMount, "/run/media"))
        return SQX_MEDIA_REMOVABLE;
    return SQX_MEDIA_FIXED;
}

} // namespace sqx
