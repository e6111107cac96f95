#include "lang/MessageTable.h"

#include "base/Interaction.h"
#include "lang/CaptionTranslator.h"
#include "platform/Ini.h"

namespace lang {

namespace {
const QString kSection = QStringLiteral("Messages");
const QString kMissing = QStringLiteral("ERROR");
} // namespace

QString orEnglish(const QString& text, const QString& english) {
    return text.isEmpty() || text == kMissing ? english : text;
}

MessageTable::MessageTable(const platform::Files& fs, base::Interaction& ui)
    : fs_(fs), ui_(ui), flags_(ownFlags_) {}

MessageTable::MessageTable(const platform::Files& fs, base::Interaction& ui, LanguageFlags& flags)
    : fs_(fs), ui_(ui), flags_(flags) {}

void MessageTable::SetLngINISupp(CaptionTranslator* lng) {
    lng_ = lng;
    if (lng_) fileName_ = lng_->FileName();
}

bool MessageTable::Open() {
    if (fileName_.isEmpty() && lng_) fileName_ = lng_->FileName();
    const CheckedFile checked =
        checkLanguageFile(fs_, ui_, flags_, fileName_, flags_.msgFileNameMissing);
    if (checked.state == CheckedFile::NoName) return false;
    flags_.messagesOpen = true;
    return true;
}

void MessageTable::Close() {
    fileName_.clear();
    flags_.messagesOpen = false;
}

QString MessageTable::GetMessage(const QString& key) {
    if (!flags_.messagesOpen && !Open()) return kMissing;
    // Read anew every time: a language switch or an edited file shows at once.
    const std::optional<QByteArray> bytes = readLanguageFile(fs_, flags_, fileName_);
    if (!bytes) return kMissing;
    return expandMessageLines(platform::IniFile::parse(*bytes).readString(kSection, key, kMissing));
}

void MessageTable::ShowErrorMessage(const QString& key) {
    // Without a file name the error box about it is all that is shown.
    if (!flags_.messagesOpen && !Open()) return;
    ui_.showError(GetMessage(key));
}

QString expandMessageLines(const QString& value) {
    static const QString marker = QStringLiteral("\"%%/n%%\"");
    if (!value.contains(marker)) return value;
    QString text;
    qsizetype from = 0;
    for (qsizetype at = value.indexOf(marker); at >= 0; at = value.indexOf(marker, from)) {
        text += QStringView(value).mid(from, at - from);
        text += QLatin1String("\r\n");
        from = at + marker.size();
    }
    // The piece after the last marker is the last line, without a line break.
    text += QStringView(value).mid(from);
    return text;
}

} // namespace lang
