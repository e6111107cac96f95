#pragma once
// The message table: texts looked up by key ("Message1" ...) in the
// "[Messages]" section of the language file in use, read anew on every lookup.

#include <QString>

namespace platform {
class Files;
}

namespace app {
class Interaction;
}

namespace lang {

class TLngINISupp;

class TMsgINISupp {
public:
    TMsgINISupp(const platform::Files& fs, app::Interaction& ui);

    const QString& FileName() const { return fileName_; }
    void SetFileName(const QString& winPath) { fileName_ = winPath; }
    void SetLngINISupp(TLngINISupp* lng) { lng_ = lng; }
    bool isOpen() const { return open_; }

    void Open();
    void Close();
    QString GetMessage(const QString& key);
    void ShowErrorMessage(const QString& key);

private:
    const platform::Files& fs_;
    app::Interaction& ui_;
    TLngINISupp* lng_ = nullptr;
    QString fileName_;
    bool open_ = false;
};

} // namespace lang
