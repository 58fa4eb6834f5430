// TempCleanupGuard: held by main for the whole run; removes the run's temporary files and
// directories (and a self-deleting launcher copy) when it goes.
#pragma once

#include "payload/TempFiles.h"

class TempCleanupGuard {
public:
  TempCleanupGuard() = default;
  TempCleanupGuard(const TempCleanupGuard &) = delete;
  TempCleanupGuard &operator=(const TempCleanupGuard &) = delete;
  ~TempCleanupGuard() { removeTempFiles(); }
};
