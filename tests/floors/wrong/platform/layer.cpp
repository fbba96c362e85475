// The portable part of the platform layer calling the OS itself.
#include "platform/layer.h"
#include "platform/image/drive.h"

#include <fcntl.h>
#include <cstdio>
