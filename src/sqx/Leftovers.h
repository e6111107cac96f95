#pragma once
// Temporary archives of runs that were killed before they could remove them (power cut,
// kill -9): each carries the id of the process that writes it and a lock that process holds,
// so that a later run can prove it is a leftover of its own user and remove it.

#include <string>

namespace sqx {

// "<target>.sqxtmp-<pid>-<ten letters and digits>"; volumes after the first add ".002", ...
std::string temporaryName(const std::string& target);

// Removes from `folder` the temporary archives (and their volumes) that are provably
// leftovers: the exact name form, a regular file owned by this user, the process named in it
// gone, and its lock free. Anything else is left alone.
void removeLeftovers(const std::string& folder);

} // namespace sqx
