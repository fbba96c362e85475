#include "services/report.h"

#include "container/store.h"
