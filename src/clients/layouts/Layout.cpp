#include "clients/layouts/Layout.h"

namespace clients {

bool hasDrive(const QString& path) {
    return path.size() >= 2 && path.at(0).isLetter() && path.at(0).unicode() < 0x80 &&
           path.at(1) == QLatin1Char(':');
}

std::vector<FileRow> rowsOf(std::span<const FileRow> rows, int item) {
    std::vector<FileRow> out;
    for (const FileRow& row : rows)
        if (row.item == item) out.push_back(row);
    return out;
}

const FileRow* rowOf(std::span<const FileRow> rows, const QString& entry) {
    QString name = entry;
    name.replace(QLatin1Char('/'), QLatin1Char('\\'));
    for (const FileRow& row : rows) {
        const QLatin1String path(row.path);
        if (path.isEmpty()) continue;
        if (name.compare(path, Qt::CaseInsensitive) == 0) return &row;
        if (row.isFolder() && name.size() > path.size() &&
            name.at(path.size()) == QLatin1Char('\\') && name.startsWith(path, Qt::CaseInsensitive))
            return &row;
    }
    return nullptr;
}

} // namespace clients
