#include "platform/SharedLibrary.h"

#include <QFile>

#include <dlfcn.h>

namespace platform {

void SharedLibrary::Closer::operator()(void* handle) const {
    if (handle) dlclose(handle);
}

bool SharedLibrary::open(const QString& hostFile) {
    close();
    error_.clear();
    handle_.reset(dlopen(QFile::encodeName(hostFile).constData(), RTLD_NOW | RTLD_LOCAL));
    if (handle_) return true;
    const char* why = dlerror();
    error_ = why ? QString::fromLocal8Bit(why) : QStringLiteral("cannot load %1").arg(hostFile);
    return false;
}

void* SharedLibrary::symbol(const char* name) const {
    return handle_ ? dlsym(handle_.get(), name) : nullptr;
}

} // namespace platform
