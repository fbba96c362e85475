// The private UDisks2 of the tests lives with the shared test helpers.
#pragma once

#include "support/udisks_sandbox.h"

namespace drivertest {
using testsupport::LoopDevicesOf;
using testsupport::UdisksSandbox;
}  // namespace drivertest
