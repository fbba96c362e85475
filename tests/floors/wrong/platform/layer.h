// The platform layer on the FAT engine: allowed.
#pragma once

#include "fat/engine.h"
