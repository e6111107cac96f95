#include "lang/LanguageFile.h"

#include "base/Interaction.h"
#include "platform/Files.h"

namespace lang {

CheckedFile checkLanguageFile(const platform::Files& fs, base::Interaction& ui,
                              const QString& winPath, bool& nameMissingFlag) {
    CheckedFile checked;
    if (winPath.isEmpty()) {
        ui.showError(QString::fromUtf16(kFileNotPresetText));
        nameMissingFlag = true;
        return checked;
    }
    platform::Result<QByteArray> bytes = fs.readAll(winPath);
    if (!bytes) {
        ui.showWarning(QString::fromUtf16(kFileNotFoundText));
        checked.state = CheckedFile::Unreadable;
        return checked;
    }
    checked.state = CheckedFile::Loaded;
    checked.bytes = std::move(bytes).value();
    return checked;
}

} // namespace lang
