#pragma once
// All ten mail clients of the sample installed in one prefix, as the bundled
// sample has them (the hives are saved).

#include "support/SamplePrefix.h"

namespace support {
void addEveryClient(SamplePrefix& p);
} // namespace support
