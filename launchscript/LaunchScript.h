// LaunchScript: the launch script of a run, read from a tag file that it does not own.
#pragma once

#include "base/SString.h"
#include "tagfile/TagFile.h"

class LaunchScript {
public:
  // isLaunchScript is true for the run's launch script, false for a command made on the fly.
  LaunchScript(TagFile &tagFile, bool isLaunchScript)
      : tagFile_(&tagFile), isLaunchScript_(isLaunchScript),
        description_(tagFile.getValue("DESC")) {}
  LaunchScript(const LaunchScript &) = delete;
  LaunchScript &operator=(const LaunchScript &) = delete;
  virtual ~LaunchScript() = default;

  TagFile &getTagFile() const { return *tagFile_; }
  bool isLaunchScript() const { return isLaunchScript_; }
  // The first value of DESC: the product title.
  const SString &getDescription() const { return description_; }

private:
  TagFile *tagFile_;
  bool isLaunchScript_;
  SString description_;
};
