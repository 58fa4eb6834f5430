// Messages made of a fixed text and the system's error text.
#include "base/SystemError.h"

#include <cerrno>
#include <cstring>

SString systemErrorMessage(const char *fixed) {
  // Read errno before building the text: allocating may change it.
  const int errorNumber = errno;
  SString message(fixed);
  message.append(systemErrorText(errorNumber));
  return message;
}

SString systemErrorText(int errorNumber) {
  return SString(std::strerror(errorNumber));
}
