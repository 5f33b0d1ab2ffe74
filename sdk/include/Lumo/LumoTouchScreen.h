/* libLumo: finding, opening and closing the optical touch screens.
 *
 * Calling order: enumerate, open one of the reported paths, optionally read
 * the serial number, use the handle with the rest of the API, close it last.
 * Results: 0 on success, -1 on failure; the enumerations return nothing.
 *
 * The enumerations call the callback once per touch screen found, on the
 * calling thread, with the device's sysfs path (not its /dev node) and its
 * USB serial number (null when the device has none). Both strings belong to
 * the library and are valid only during the call. Converting the serial (and
 * any wide path) uses the environment's locale and leaves the whole process in
 * the "C" locale. */
#ifndef LUMO_TOUCHSCREEN_H
#define LUMO_TOUCHSCREEN_H

#include <Lumo/LumoExport.h>

#include <stddef.h>
#include <wchar.h>

LUMO_EXTERN_C_BEGIN

typedef void (*LumoDeviceCallbackA)(void *user, const char *path,
                                    const wchar_t *serial);
typedef void (*LumoDeviceCallbackW)(void *user, const wchar_t *path,
                                    const wchar_t *serial);

/* The touch screens in normal operation. */
LUMO_API void LumoEnumTouchScreensA(LumoDeviceCallbackA callback, void *user);
LUMO_API void LumoEnumTouchScreensW(LumoDeviceCallbackW callback, void *user);
/* The touch screens in boot mode. */
LUMO_API void LumoEnumBootA(LumoDeviceCallbackA callback, void *user);
LUMO_API void LumoEnumBootW(LumoDeviceCallbackW callback, void *user);

/* Opens the device at a sysfs path reported by an enumeration and stores its
 * handle in *handle. The handle belongs to the caller until
 * LumoCloseTouchScreen. */
LUMO_API int LumoOpenTouchScreenA(const char *path, void **handle);
LUMO_API int LumoOpenTouchScreenW(const wchar_t *path, void **handle);
/* Closes the device and frees the handle (kept when closing fails). */
LUMO_API int LumoCloseTouchScreen(void *handle);

/* Copies the serial number, as wide characters with a terminating 0, into
 * buffer of size bytes. The number of bytes needed is stored in *outSize when
 * outSize is not null, also when the buffer is too small (the call then
 * fails). */
LUMO_API int LumoGetTouchScreenSerialNumber(void *handle, wchar_t *buffer,
                                            unsigned int size,
                                            unsigned int *outSize);

LUMO_EXTERN_C_END

#endif /* LUMO_TOUCHSCREEN_H */
