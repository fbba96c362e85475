// A drive on an image file, inside the platform layer: allowed.
#pragma once

#include "platform/layer.h"
