#include "clients/ProcessList.h"

#include <algorithm>

namespace clients {

ProcessList::ProcessList(SnapshotSource snapshot, ExeTypeSource exeType)
    : snapshot_(snapshot ? std::move(snapshot) : SnapshotSource(&platform::processSnapshot)),
      exeType_(exeType ? std::move(exeType) : ExeTypeSource(&platform::executableType)) {}

void ProcessList::Refresh() {
    processes_.clear();
    for (const platform::ProcessEntry& p : snapshot_()) {
        Entry e;
        e.name = p.exeName.isEmpty()
                     ? p.exePath.section(QLatin1Char('/'), -1).section(QLatin1Char('\\'), -1)
                     : p.exeName;
        ProcessInfo& i = e.info;
        i.usage = p.usage;
        i.pid = p.pid;
        i.heapId = p.heapId;
        i.moduleId = p.moduleId;
        i.threads = p.threads;
        i.parentPid = p.parentPid;
        i.basePriority = p.basePriority;
        i.flags = p.flags;
        i.exePath = p.exePath.left(260);
        i.priority = PriorityText(p.basePriority);
        i.exeType = p.exePath.isEmpty() ? QString() : ExeTypeText(exeType_(p.exePath));
        processes_.push_back(std::move(e));
    }
    std::stable_sort(processes_.begin(), processes_.end(), [](const Entry& a, const Entry& b) {
        return a.name.compare(b.name, Qt::CaseInsensitive) < 0;
    });
}

quint32 ProcessList::ProcessId(int i) const {
    return i >= 0 && i < count() ? processes_[size_t(i)].info.pid : 0;
}

QString ProcessList::PriorityText(qint32 basePriority) {
    switch (basePriority) {
    case 4:
        return QStringLiteral("[Idle    ]");
    case 8:
        return QStringLiteral("[Normal  ]");
    case 13:
        return QStringLiteral("[High    ]");
    case 24:
        return QStringLiteral("[RealTime]");
    default:
        return QStringLiteral("[Unknown]");
    }
}

QString ProcessList::ExeTypeText(quint32 exeType) {
    if (exeType == 0) return {};
    const quint32 signature = exeType & 0xFFFFu;
    const quint32 version = exeType >> 16;
    constexpr quint32 kNE = 'N' | ('E' << 8);
    constexpr quint32 kPE = 'P' | ('E' << 8);
    constexpr quint32 kLE = 'L' | ('E' << 8);
    constexpr quint32 kMZ = 'M' | ('Z' << 8);
    if (signature == kNE || signature == kPE || signature == 0) {
        if (version == 0x0300 || version == 0x030A) return QStringLiteral("16-Bit");
        if (version == 0x0400) return QStringLiteral("32-Bit");
        return QStringLiteral("hi:%1").arg(version);
    }
    if (signature == kLE) return QStringLiteral("Vxd");
    if (signature == kMZ) return QStringLiteral("MS-Dos");
    return QStringLiteral("lo:%1").arg(signature);
}

} // namespace clients
