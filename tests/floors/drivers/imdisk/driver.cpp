// A driver library on the OS and the OS backend: allowed; Qt is not.
#include <dlfcn.h>
#include <QString>

#include "platform/linux/backend.h"
