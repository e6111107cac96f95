#pragma once
// The way into the folder that entries are extracted to: each folder below it is opened from
// its parent's descriptor without following links, so that a link already in the folder (left
// there by someone else, or by an earlier archive) cannot lead a write out of it.

#include "UniqueFd.h"

#include <cstdint>
#include <string_view>

namespace sqx {

// Opens the folder `relative` ('/'-separated, without "." or ".." components; empty for the
// root itself) below the open folder `rootFd`, making missing folders when `make`. SQX_OK;
// SQX_E_REFUSED_ENTRY when a component is a link or not a folder; SQX_E_NOT_FOUND when one is
// missing and not made; otherwise the result for the failing call's errno.
int32_t openBelow(int rootFd, std::string_view relative, bool make, UniqueFd& out);

} // namespace sqx
