#include "lang/LanguageFile.h"

#include "base/Interaction.h"
#include "platform/Files.h"

namespace lang {

std::optional<QByteArray> readLanguageFile(const platform::Files& fs, const LanguageFlags& flags,
                                           const QString& winPath) {
    platform::Result<QByteArray> bytes = fs.readAll(winPath);
    if (bytes) return std::move(bytes).value();
    // Windows paths: letter case does not tell two files apart.
    if (!flags.inMemoryPath.isEmpty() &&
        winPath.compare(flags.inMemoryPath, Qt::CaseInsensitive) == 0)
        return flags.inMemoryBytes;
    return std::nullopt;
}

CheckedFile checkLanguageFile(const platform::Files& fs, base::Interaction& ui,
                              const LanguageFlags& flags, const QString& winPath,
                              bool& nameMissingFlag) {
    CheckedFile checked;
    if (winPath.isEmpty()) {
        ui.showError(QString::fromUtf16(kFileNotPresetText));
        nameMissingFlag = true;
        return checked;
    }
    std::optional<QByteArray> bytes = readLanguageFile(fs, flags, winPath);
    if (!bytes) {
        ui.showWarning(QString::fromUtf16(kFileNotFoundText));
        checked.state = CheckedFile::Unreadable;
        return checked;
    }
    checked.state = CheckedFile::Loaded;
    checked.bytes = std::move(*bytes);
    return checked;
}

} // namespace lang
