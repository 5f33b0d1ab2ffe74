#include "WorkThreadFactory.h"

#include "CConsoleLog.h"
#include "CKestoBoardWorkBase.h"

CKestoBoardWorkBase *CreateWorkThread(int type) {
  CConsoleLog::Line("CreateWorkThread");
  // No board family is built into the daemon yet, so every type number takes
  // the "no work thread" path. Each family adds its type numbers here.
  switch (type) {
  default:
    return nullptr;
  }
}
