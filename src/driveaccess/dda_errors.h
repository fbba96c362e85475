// Texts of the raw access result codes.
#pragma once

#include <string>

#include "driveaccess/dda_error_codes.h"

// True for every code from -722 to -700.
bool DdaIsError(int code);
// The code's text in the current language; codes without a row of their own
// read "DDA-Error: Unknown  <code> !".
std::string DdaErrorText(int code);
