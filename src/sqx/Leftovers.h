#pragma once
// Temporary archives of runs that were killed before they could remove them (power cut,
// kill -9): each carries the id of the process that writes it and a lock that process holds,
// so that a later run can prove it is a leftover of its own user and remove it.
//
// A finished volume set replaces an older archive of the same name in steps that a crash can
// interrupt anywhere while one whole set stays readable (see replaceArchive). The set's names,
// for the target "<target>" and the token "<pid>-<ten letters and digits>":
//   <target>.sqxtmp-<token>[.NNN]      the new archive while it is written, then finished
//   <target>.sqxswitch-<token>.NNN     written once the new set of NNN volumes is complete:
//                                      from then on the new set is the archive
//   <target>.sqxold-<token>[.NNN]      the older archive, moved aside while the new one moves in

#include "Faults.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace sqx {

// "<target>.sqxtmp-<pid>-<ten letters and digits>"; volumes add ".001", ".002", ...
std::string temporaryName(const std::string& target);

// Puts the finished set `temporary` (one file, or the volumes temporary.001 ... .NNN when
// `volumes` > 1 or `numbered`) in place of `target` in the folder `dirFd`, with every file of
// an older archive of that name (the plain file and numbered volumes) gone afterwards. One
// file over a plain archive is one rename. A set, or one file over an older set, goes through
// the switch marker: at every moment the old set or the new one is complete under one name,
// and a crash after the marker is finished by the next removeLeftovers. Names are within the
// folder. `committed` tells whether the new set is the archive now (also when a failure after
// the marker leaves the rest to the next sweep): only when it is not may the caller remove it.
// The faults' kill step stops the process before the given step.
int32_t replaceArchive(int dirFd, const std::string& target, const std::string& temporary,
                       size_t volumes, bool numbered, const Faults& faults, bool& committed);

// Removes from `folder` the temporary archives (and their volumes) that are provably
// leftovers: the exact name form, a regular file owned by this user, the process named in it
// gone, and its lock free. A set whose switch marker was written is put in place instead.
// Anything else is left alone.
void removeLeftovers(const std::string& folder);

// Only the part of removeLeftovers that concerns the archive named `target` (a name in
// `folder`, without ".001") while its switch is unfinished: the new set is put in place.
// Readers call it, so that the name reads as one whole set.
void finishInterruptedSwitch(const std::string& folder, const std::string& target);

} // namespace sqx
