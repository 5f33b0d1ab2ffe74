// Mutexes of libLumo: one pthread mutex with default (non-recursive)
// attributes per handle. Any thread may call these; a null handle makes each
// of them do nothing.
#ifndef LUMO_THREADMUTEX_H
#define LUMO_THREADMUTEX_H

namespace LumoVarnok {

void *CreateMutex();
void CloseMutex(void *mutex);
void Lock(void *mutex);
void Unlock(void *mutex);

} // namespace LumoVarnok

#endif // LUMO_THREADMUTEX_H
