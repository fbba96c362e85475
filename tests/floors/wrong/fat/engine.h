// The FAT engine reaching up into the platform layer.
#pragma once

#include "base/helper.h"
#include "platform/layer.h"
