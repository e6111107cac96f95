#pragma once
// IncrediMail installed for the prefix's user: three valid identities (Home,
// one with an empty name, Work) and an invalid one, each with accounts, rules,
// a message store with attachments, a rule order and an address book; the
// shared content folders of the machine.

#include "support/SamplePrefix.h"

#include <QString>

namespace support {

void addIncrediMail(SamplePrefix& p);

namespace incredimail {
QString homeKey();                                // "Identity" Home
QString unnamedKey();                             // "Identity" empty: listed as "[Identity2]"
QString oldKey();                                 // "IsValid" 0
QString workKey();                                // "Identity" Work
QString applicationFolder(const SamplePrefix& p); // A
QString contentFolder();                          // T
// Writes one identity key with its folder below A\Identities.
void addIdentity(SamplePrefix& p, platform::HKEY root, const QString& key, const QString& name,
                 int isValid /* -1: no value */);
} // namespace incredimail

} // namespace support
