// Messages made of a fixed text and the system's error text.
#pragma once

#include "base/SString.h"

// fixed followed by strerror(errno); errno is read before anything else runs.
SString systemErrorMessage(const char *fixed);
// strerror of the given error number.
SString systemErrorText(int errorNumber);
