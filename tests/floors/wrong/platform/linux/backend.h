// The OS backend on the platform layer: allowed.
#pragma once

#include "platform/layer.h"
