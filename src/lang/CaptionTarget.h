#pragma once
// What caption translation sees of the application's windows: each window with
// its name and the controls it owns, in order. The GUI supplies these objects
// over its real widgets; the translation only reads names and kinds and hands
// over the texts to show.

#include <QString>

#include <vector>

namespace lang {

// The kinds of control whose text a language file sets. Everything else
// (edits, combo and list boxes, ...) is `Other` and keeps its text.
enum class ControlKind {
    Button,      // push button
    SpeedButton, // flat button
    Label,
    StaticText,
    CheckBox,
    RadioButton,
    GroupBox,
    RadioGroup,
    Panel,
    TabSheet,
    MenuItem,
    OpenDialog, // the value sets the dialog's title
    SaveDialog, // the value sets the dialog's title
    StatusBar,  // the value sets one panel's text
    Other,
};

class CaptionControl {
public:
    virtual ~CaptionControl() = default;
    virtual QString name() const = 0;
    virtual ControlKind kind() const = 0;
    // Caption, menu caption or dialog title, as the kind has it.
    virtual void setCaption(const QString& text) = 0;
    // Status bars only.
    virtual int panelCount() const { return 0; }
    virtual void setPanelText(int index, const QString& text) {
        (void)index;
        (void)text;
    }
};

class CaptionWindow {
public:
    virtual ~CaptionWindow() = default;
    virtual QString name() const = 0;
    // Every control the window owns, in the order it owns them.
    virtual std::vector<CaptionControl*> controls() const = 0;
};

// True for the kinds whose caption (or title) a language file sets.
bool hasTranslatedCaption(ControlKind kind);

} // namespace lang
