// A subsystem header that pulls in Qt.
#pragma once

#include <QString>

#include "base/helper.h"
