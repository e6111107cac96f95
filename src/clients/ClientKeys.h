#pragma once
// The registry keys each client's collector writes into its dumps: the only
// keys a restore of that client may create, change or delete.

#include <QString>

#include <vector>

namespace clients {

struct OwnKey {
    enum Root { CurrentUser, LocalMachine };
    Root root = CurrentUser;
    // Below the root, '\'-separated; a "*" component stands for exactly one key
    // name (an identity, a profile, a user).
    QString path;
    bool subKeys = false; // the keys below it belong to the client as well
};

// Empty for a client whose backups carry no dumps.
std::vector<OwnKey> OwnRegistryKeys(int clientCode);

} // namespace clients
