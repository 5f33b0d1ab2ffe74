// The exported callback functions: thin wrappers of _CallbackManager.
#include <Lumo/LumoCallback.h>

#include "CallbackManager.h"

#include <new>

using namespace LumoReports;

namespace {

_CallbackManager *Manager(void *handle) {
  return static_cast<_CallbackManager *>(handle);
}

int Register(void *handle, ReportKindIndex kind, LumoReportCallback function,
             void *user) {
  _CallbackManager *manager = Manager(handle);
  return manager ? manager->Register(kind, function, user) : -1;
}

int Unregister(void *handle, ReportKindIndex kind) {
  _CallbackManager *manager = Manager(handle);
  return manager ? manager->Unregister(kind) : -1;
}

} // namespace

int LumoCreateCallbackManager(void **manager, void *device) {
  if (!manager)
    return -1;
  auto *created = new (std::nothrow) _CallbackManager();
  if (!created)
    return -1;
  created->device = device;
  *manager = created;
  return 0;
}

int LumoRegisterDiagnosisCallback(void *manager, LumoReportCallback function,
                                  void *user) {
  return Register(manager, kDiagnosisKind, function, user);
}

int LumoRegisterRawtouchCallback(void *manager, LumoReportCallback function,
                                 void *user) {
  return Register(manager, kRawTouchKind, function, user);
}

int LumoRegisterTouchCallback(void *manager, LumoReportCallback function,
                              void *user) {
  return Register(manager, kTouchKind, function, user);
}

int LumoRegisterVirtualKeyCallback(void *manager, LumoReportCallback function,
                                   void *user) {
  return Register(manager, kVirtualKeyKind, function, user);
}

int LumoUnregisterDiagnosisCallback(void *manager) {
  return Unregister(manager, kDiagnosisKind);
}

int LumoUnregisterRawtouchCallback(void *manager) {
  return Unregister(manager, kRawTouchKind);
}

int LumoUnregisterTouchCallback(void *manager) {
  return Unregister(manager, kTouchKind);
}

int LumoUnregisterVirtualKeyCallback(void *manager) {
  return Unregister(manager, kVirtualKeyKind);
}

int LumoUnregisterAllCallback(void *manager) {
  if (!manager)
    return -1;
  return Manager(manager)->UnregisterAll();
}

int LumoDeleteCallbackManager(void *manager) {
  if (LumoUnregisterAllCallback(manager) != 0)
    return -1;
  delete Manager(manager);
  return 0;
}

int LumoCreateTouchScreenNotificationA(void *, void *) {
  return 1;
}

int LumoCreateTouchScreenNotificationW(void *, void *) {
  return 1;
}

int LumoDeleteTouchScreenNotification(void *) {
  return 1;
}
