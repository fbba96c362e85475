// A front end that reaches past platform/ into the image drives.
#include <string>

#include "platform/image/drive.h"
