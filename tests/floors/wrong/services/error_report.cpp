#include "container/store.h"
#include "driveaccess/absent.h"
