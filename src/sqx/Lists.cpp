#include "Lists.h"

namespace sqx {

void ArcListData::clear() {
    rows.clear();
    names.clear();
    count = 0;
    entries = nullptr;
}

void ArcListData::add(const std::string& name, int64_t size, int64_t modified, bool folder,
                      bool encrypted) {
    names.push_back(name);
    rows.push_back(
        SqxArcEntry{names.back().c_str(), size, modified, folder ? 1 : 0, encrypted ? 1 : 0});
    count = static_cast<int32_t>(rows.size());
    entries = rows.data();
}

} // namespace sqx
