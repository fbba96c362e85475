// A front end that reaches past platform/ into the OS backend.
#include "platform/linux/backend.h"
#include "services/report.h"
