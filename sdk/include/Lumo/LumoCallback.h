/* libLumo: callbacks for what the touch screen reports on its own.
 *
 * A client creates a callback manager for an open device handle and registers
 * one callback per report kind: diagnosis blocks, raw touch contacts, touch
 * contacts and virtual keys on the frame. The first registration starts two
 * threads inside the library, a reader that queues every input report of the
 * device and a dispatcher that decodes the reports and calls the callbacks;
 * the unregistration that empties the last slot stops both and returns once
 * they have ended. What the device sends depends on its data mode.
 *
 * Order of use: open the device, create the manager, register, set the data
 * mode; later unregister or delete the manager, then close the device. The
 * device handle must stay open while any callback is registered.
 *
 * Callbacks run on the dispatcher thread. Each receives the user pointer given
 * at registration and a pointer to the decoded record, which belongs to the
 * library and is valid only during the call. A callback cannot unregister
 * its own manager's last callback, unregister all or delete the manager (the
 * dispatcher would have to wait for itself): those calls fail there. One
 * manager must not be registered or unregistered from two threads at once.
 *
 * Results: 0 on success, -1 on failure (the notification functions: 1). */
#ifndef LUMO_CALLBACK_H
#define LUMO_CALLBACK_H

#include <Lumo/LumoExport.h>

LUMO_EXTERN_C_BEGIN

/* One touch contact, handed to the touch and raw-touch callbacks. Packed:
 * 20 bytes, no padding. The coordinates and the size are in device units. */
#pragma pack(push, 1)
typedef struct _TouchPoint {
  unsigned char tip; /* 1 while the contact touches, 0 once lifted */
  unsigned char contactId;
  float x;
  float y;
  float width;
  float height;
  unsigned short scanTime; /* the scan time of the report */
} _TouchPoint;
#pragma pack(pop)

/* A key on the frame, handed to the virtual-key callback. */
typedef struct _VirtualKeyEvent {
  unsigned char key;
  unsigned char state; /* 0 released, 1 pressed */
} _VirtualKeyEvent;

/* record points to a _TouchPoint (touch, raw touch), a _VirtualKeyEvent
 * (virtual key) or the 63 bytes of a diagnosis block. */
typedef void (*LumoReportCallback)(void *user, const void *record);

/* Allocates a manager for device and stores it in *manager. Fails when
 * manager is null; the device handle is not checked here. */
LUMO_API int LumoCreateCallbackManager(void **manager, void *device);

/* Registers the callback of one kind. Fails for a null manager or function,
 * when that kind has a callback already (the first one stays), or when the
 * threads cannot be started. */
LUMO_API int LumoRegisterDiagnosisCallback(void *manager,
                                           LumoReportCallback function,
                                           void *user);
LUMO_API int LumoRegisterRawtouchCallback(void *manager,
                                          LumoReportCallback function,
                                          void *user);
LUMO_API int LumoRegisterTouchCallback(void *manager,
                                       LumoReportCallback function, void *user);
LUMO_API int LumoRegisterVirtualKeyCallback(void *manager,
                                            LumoReportCallback function,
                                            void *user);

/* Removes the callback of one kind; fails for a null manager or when that
 * kind has no callback. Removing the last one stops the threads and returns
 * once they have ended. */
LUMO_API int LumoUnregisterDiagnosisCallback(void *manager);
LUMO_API int LumoUnregisterRawtouchCallback(void *manager);
LUMO_API int LumoUnregisterTouchCallback(void *manager);
LUMO_API int LumoUnregisterVirtualKeyCallback(void *manager);

/* Removes every callback and stops the threads; fails for a null manager
 * (and from a callback of the manager). */
LUMO_API int LumoUnregisterAllCallback(void *manager);

/* Removes every callback, stops the threads and frees the manager; fails for
 * a null manager (and from a callback of the manager). */
LUMO_API int LumoDeleteCallbackManager(void *manager);

/* Touch-screen arrival notifications: not delivered on Linux (a client that
 * needs them watches udev). These ignore their arguments, do nothing and
 * return 1. */
LUMO_API int LumoCreateTouchScreenNotificationA(void *callback, void *user);
LUMO_API int LumoCreateTouchScreenNotificationW(void *callback, void *user);
LUMO_API int LumoDeleteTouchScreenNotification(void *notification);

LUMO_EXTERN_C_END

#endif /* LUMO_CALLBACK_H */
