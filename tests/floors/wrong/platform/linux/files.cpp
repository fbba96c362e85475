// The Linux backend shares the POSIX one's code: allowed.
#include <linux/fs.h>

#include "platform/posix/files.h"
