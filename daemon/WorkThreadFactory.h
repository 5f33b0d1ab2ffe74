// The work-thread factory: maps a board-type number to the work-thread class
// that serves it.
#ifndef WORKTHREADFACTORY_H
#define WORKTHREADFACTORY_H

class CKestoBoardWorkBase;

// Prints "CreateWorkThread" and returns a new, not yet created thread for the
// board type, or null for a type no class serves. Any thread.
CKestoBoardWorkBase *CreateWorkThread(int type);

#endif // WORKTHREADFACTORY_H
