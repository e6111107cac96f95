// Kept apart so that tests which never open the registry do not link it.
#include "support/SamplePrefix.h"

namespace support {

std::unique_ptr<platform::Registry> SamplePrefix::registry() const {
    return std::make_unique<platform::Registry>(platform::Registry::Config{
        prefixDir(), configHome() + QStringLiteral("/postora/registry.reg")});
}

} // namespace support
