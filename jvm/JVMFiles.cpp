// JVMFiles: the list of the run's JVM files.
#include "jvm/JVMFiles.h"

#include "base/LauncherException.h"
#include "native/launcher/linux/MessageCatalog.h"

JVMFile &JVMFiles::getJVMFile(int index) const {
  JVMFile *jvmFile = jvmFiles_.get(index);
  if (!jvmFile)
    throw LauncherException(getErrorText(ERR_INVALID_JVM_FILE_ID));
  return *jvmFile;
}
