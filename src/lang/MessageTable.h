#pragma once
// The message table: texts looked up by key ("Message1" ...) in the
// "[Messages]" section of the language file in use, read anew on every lookup.

#include "lang/LanguageFile.h"

#include <QString>

namespace platform {
class Files;
}

namespace base {
class Interaction;
} // namespace base

namespace lang {

class CaptionTranslator;

class MessageTable {
public:
    // With flags of its own: for a table used alone.
    MessageTable(const platform::Files& fs, base::Interaction& ui);
    // Sharing the program-wide flags (the open flag among them) with the other
    // language components.
    MessageTable(const platform::Files& fs, base::Interaction& ui, LanguageFlags& flags);
    MessageTable(const MessageTable&) = delete;
    MessageTable& operator=(const MessageTable&) = delete;

    const QString& FileName() const { return fileName_; }
    void SetFileName(const QString& winPath) { fileName_ = winPath; }
    // Also takes the linked component's file name.
    void SetLngINISupp(CaptionTranslator* lng);
    bool isOpen() const { return flags_.messagesOpen; }

    // Takes the linked component's file name when this one has none, and checks
    // the file: false (after the error box) when there is no file name at all;
    // a file that cannot be read shows the warning and the table opens anyway.
    bool Open();
    void Close();
    // The text of key, "ERROR" when the file lacks it or cannot be read.
    QString GetMessage(const QString& key);
    // The text of key in an error box.
    void ShowErrorMessage(const QString& key);

private:
    const platform::Files& fs_;
    base::Interaction& ui_;
    LanguageFlags ownFlags_;
    LanguageFlags& flags_;
    CaptionTranslator* lng_ = nullptr;
    QString fileName_;
};

// The table's text, or the English one when the table has none for its key (an
// empty text, or "ERROR", which a lookup answers for a key its file lacks).
QString orEnglish(const QString& text, const QString& english);

// A value written as quoted pieces joined by the marker %%/n%% reads, once the
// outer quotes are gone, as piece"%%/n%%"piece...; this turns it into lines
// joined by CR LF. A double quote that does not begin the marker stays as it is.
QString expandMessageLines(const QString& value);

} // namespace lang
