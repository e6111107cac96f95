#include "lang/CaptionTranslator.h"

#include "lang/LanguageFile.h"
#include "platform/Ini.h"

namespace lang {

bool hasTranslatedCaption(ControlKind kind) {
    switch (kind) {
    case ControlKind::Button:
    case ControlKind::SpeedButton:
    case ControlKind::Label:
    case ControlKind::StaticText:
    case ControlKind::CheckBox:
    case ControlKind::RadioButton:
    case ControlKind::GroupBox:
    case ControlKind::RadioGroup:
    case ControlKind::Panel:
    case ControlKind::TabSheet:
    case ControlKind::MenuItem:
    case ControlKind::OpenDialog:
    case ControlKind::SaveDialog:
        return true;
    case ControlKind::StatusBar:
    case ControlKind::Other:
        break;
    }
    return false;
}

CaptionTranslator::CaptionTranslator(const platform::Files& fs, base::Interaction& ui,
                                     LanguageFlags& flags)
    : fs_(fs), ui_(ui), flags_(flags) {}

int CaptionTranslator::statusBarPanel(const QString& key, const QString& statusBarName) {
    const qsizetype dot = key.indexOf(QLatin1Char('.'));
    if ((dot < 0 ? key : key.left(dot)) != statusBarName) return -1;
    const qsizetype bracket = key.lastIndexOf(QLatin1Char('['));
    if (bracket < 0) return 0;
    // Only the one character after the last '[' counts: "[12]" is panel 1.
    if (bracket + 1 >= key.size()) return -1;
    const QChar digit = key.at(bracket + 1);
    if (digit < QLatin1Char('0') || digit > QLatin1Char('9')) return -1;
    return digit.unicode() - u'0';
}

bool CaptionTranslator::Translate(const std::vector<CaptionWindow*>& windows) {
    const CheckedFile checked =
        checkLanguageFile(fs_, ui_, flags_, fileName_, flags_.lngFileNameMissing);
    if (checked.state == CheckedFile::NoName) return false;
    // An unreadable file has no sections: nothing changes.
    const platform::IniFile ini = checked.state == CheckedFile::Loaded
                                      ? platform::IniFile::parse(checked.bytes)
                                      : platform::IniFile();
    const QString missing = QStringLiteral("ERROR");

    for (const QString& section : ini.sectionNames()) {
        for (const QString& key : ini.keyNames(section)) {
            const QString value = ini.readString(section, key, missing);
            for (CaptionWindow* window : windows) {
                if (!window || window->name() != section) continue;
                for (CaptionControl* control : window->controls()) {
                    if (!control) continue;
                    const ControlKind kind = control->kind();
                    if (kind == ControlKind::StatusBar) {
                        const int panel = statusBarPanel(key, control->name());
                        if (panel >= 0 && panel < control->panelCount())
                            control->setPanelText(panel, value);
                    } else if (hasTranslatedCaption(kind) && control->name() == key) {
                        control->setCaption(value);
                    }
                }
            }
        }
    }
    return true;
}

} // namespace lang
