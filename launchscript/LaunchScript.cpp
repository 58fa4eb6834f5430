// LaunchScript: the launch script of a run.
#include "launchscript/LaunchScript.h"
