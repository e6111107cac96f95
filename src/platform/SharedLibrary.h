#pragma once
// A shared library loaded at run time by its file, and the addresses of its entry points.

#include <QString>

#include <memory>

namespace platform {

class SharedLibrary {
public:
    // Loads the file with every symbol bound now and kept to itself; false and
    // the loader's reason in error() when it cannot.
    bool open(const QString& hostFile);
    bool isOpen() const { return handle_ != nullptr; }
    // The entry point's address; null when the library lacks it.
    void* symbol(const char* name) const;
    // Unloads it; the addresses taken from it are no longer valid.
    void close() { handle_.reset(); }
    const QString& error() const { return error_; }

private:
    struct Closer {
        void operator()(void* handle) const;
    };
    std::unique_ptr<void, Closer> handle_;
    QString error_;
};

} // namespace platform
