#pragma once
// Netscape Messenger in its two layouts, each ticked user in one task named
// after "Mail Folders". Netscape 4 (client code 94) lists its users in the
// registry; a user's profile folder is found from the mail state file of the
// first server. Netscape 6/7 (code 967) keeps its profiles below the
// application-data folder, listed in the Mozilla profile registry.

#include "backup/collectors/Collector.h"

namespace backup {

bool RunNetscape4(BackupContext& ctx, const BackupRequest& request);
bool RunNetscape67(BackupContext& ctx, const BackupRequest& request);

class Netscape4Collector : public Collector {
public:
    using Collector::Collector;
    bool Run() override;

    // The text up to and including its second-to-last '\': the profile folder
    // of a "popstatePath" (C:\NS\Users\jane\mail\popstate.dat gives
    // C:\NS\Users\jane\), and the users folder of a profile folder
    // (C:\NS\Users\). Empty for a text with fewer than two '\'.
    static QString CutAfterSecondToLastBackslash(const QString& path);

private:
    void BackupUser(const QString& user, const QString& windowsFolder);
};

class Netscape67Collector : public Collector {
public:
    using Collector::Collector;
    bool Run() override;

    // The profile folder of the identity at position with that name: the path
    // at the same position when the identity list names it so, else the first
    // path that gives that name (a stored choice may list the profiles in
    // another order than the profile registry now does); empty when none.
    static QString ProfilePathFor(const QStringList& paths, int position, const QString& name);

private:
    void BackupProfile(const QString& name, const QString& profile, const QString& appData);

    bool rootAccountsAdded_ = false;
};

} // namespace backup
