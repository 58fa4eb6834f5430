// JVMFile: keys of a JVM description file.
#include "jvm/JVMFile.h"
