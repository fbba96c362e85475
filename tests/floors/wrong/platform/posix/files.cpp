// An OS backend on the system and on a Linux neighbour's view: allowed.
#include <sys/stat.h>
#include <unistd.h>

#include "platform/layer.h"
