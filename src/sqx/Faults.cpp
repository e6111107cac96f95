#include "Faults.h"

#include "sqx.h"

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <string_view>

namespace sqx {

int32_t resultFromErrno(int error) {
    switch (error) {
    case EACCES:
    case EPERM:
        return SQX_E_ACCESS;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return SQX_E_DISK_FULL;
    case EROFS:
        return SQX_E_WRITE_PROTECTED;
    case ENOENT:
    case ENOTDIR:
        return SQX_E_NOT_FOUND;
    case ENOMEM:
        return SQX_E_NO_MEMORY;
    default:
        return SQX_E_IO;
    }
}

#ifdef SQX_TEST_SEAMS
namespace {

int errnoByName(std::string_view name) {
    struct Named {
        std::string_view name;
        int value;
    };
    static constexpr Named kNames[] = {{"ENOSPC", ENOSPC}, {"EROFS", EROFS},   {"EACCES", EACCES},
                                       {"EPERM", EPERM},   {"EIO", EIO},       {"EDQUOT", EDQUOT},
                                       {"EFBIG", EFBIG},   {"ENOMEM", ENOMEM}, {"ENOENT", ENOENT}};
    for (const auto& n : kNames)
        if (n.name == name) return n.value;
    return 0;
}

// "<errno>@<rest>" -> errno and rest; an unknown name disables the fault.
int splitFault(const char* text, std::string& rest) {
    if (text == nullptr) return 0;
    const std::string_view value(text);
    const size_t at = value.find('@');
    rest = at == std::string_view::npos ? std::string() : std::string(value.substr(at + 1));
    return errnoByName(value.substr(0, at));
}

} // namespace
#endif

Faults Faults::fromEnvironment() {
    Faults f;
#ifdef SQX_TEST_SEAMS
    std::string rest;
    f.writeErrno = splitFault(std::getenv("SQX_FAULT_WRITE"), rest);
    if (f.writeErrno != 0) {
        const auto [ptr, ec] =
            std::from_chars(rest.data(), rest.data() + rest.size(), f.writeAfter);
        if (ec != std::errc()) f.writeErrno = 0;
    }
    f.openErrno = splitFault(std::getenv("SQX_FAULT_OPEN"), rest);
    f.readErrno = splitFault(std::getenv("SQX_FAULT_READ"), f.readMatch);
    if (f.readMatch.empty()) f.readErrno = 0;
    f.listErrno = splitFault(std::getenv("SQX_FAULT_LIST"), f.listMatch);
    if (f.listMatch.empty()) f.listErrno = 0;
    f.dataErrno = splitFault(std::getenv("SQX_FAULT_READ_DATA"), f.dataMatch);
    if (f.dataMatch.empty()) f.dataErrno = 0;
    if (const char* corrupt = std::getenv("SQX_FAULT_CORRUPT")) f.corruptMatch = corrupt;
    if (const char* compress = std::getenv("SQX_FAULT_COMPRESS")) f.compressMatch = compress;
    if (const char* damage = std::getenv("SQX_FAULT_DAMAGE")) f.damageMatch = damage;
    if (const char* salt = std::getenv("SQX_FIXED_SALT")) f.fixedSalt = salt;
    if (const char* kill = std::getenv("SQX_FAULT_KILL_AT")) {
        const std::string_view text(kill);
        std::from_chars(text.data(), text.data() + text.size(), f.killAtStep);
    }
#endif
    return f;
}

bool Faults::failsRead(const std::string& path) const {
    return readErrno != 0 && path.find(readMatch) != std::string::npos;
}

bool Faults::failsList(const std::string& path) const {
    return listErrno != 0 && path.find(listMatch) != std::string::npos;
}

} // namespace sqx
