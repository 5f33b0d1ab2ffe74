/* libLumo: the commands of the touch screen's controller.
 *
 * Each function turns one request of the controller into one or a few command
 * exchanges and checks the answer. Common rules:
 *  - handle is a device handle from LumoOpenTouchScreenA/W;
 *  - target addresses the module: only its low byte is sent; 0x80
 *    (LUMO_TARGET_MAIN) is the main controller, slave addresses come from
 *    LumoGetAllSlaveID. Functions without a target address the main
 *    controller;
 *  - results are 0 on success and -1 on failure (exceptions are stated);
 *  - multi-byte request values are sent little-endian;
 *  - a request carries at most 58 data bytes: a call whose request would be
 *    longer fails without any I/O, as does a null data pointer with a non-zero
 *    length;
 *  - a read succeeds only on a data answer from the controller;
 *  - nothing is logged; no lock is taken. Each call blocks until its
 *    exchanges are decided (a silent controller holds it about 1.4 s per
 *    exchange). Calls on one handle must not overlap: serialise them.
 *
 * A failure in the middle of a multi-step operation leaves the steps already
 * done in place on the controller. */
#ifndef LUMO_COMMAND_H
#define LUMO_COMMAND_H

#include <Lumo/LumoExport.h>

LUMO_EXTERN_C_BEGIN

/* The main controller's address. */
#define LUMO_TARGET_MAIN 0x80

/* An 8-byte record of the controller (light-source PWM, device status,
 * versions and the like). The library does not interpret its bytes. */
typedef struct _LumoRecord8 {
  unsigned char bytes[8];
} _LumoRecord8;

/* Image-processor command information, as the controller sends it (8 bytes,
 * little-endian, packed): the command, the number of its parameter or result
 * bytes, how its work area is cut into blocks, and the form of execution:
 * 0 through the algorithm cache, 0x11 direct for reading, 0x22 direct for
 * writing. */
#pragma pack(push, 1)
typedef struct _ImageProcessorCommandInfo {
  unsigned char command;
  unsigned short parameterLength;
  unsigned short blockCount;
  unsigned short blockSize;
  unsigned char form;
} _ImageProcessorCommandInfo;
#pragma pack(pop)

/* ---- Fixed-length reads --------------------------------------------------
 * Copy the controller's answer into buffer, which must hold the number of
 * bytes given. They succeed only when the controller answers with exactly
 * that many bytes; a longer answer leaves buffer untouched. */

LUMO_API int LumoGetSettingLightSourcePwm(void *handle, int target,
                                          void *buffer); /* 8 bytes */
LUMO_API int LumoGetLightSourcePwm(void *handle, int target,
                                   void *buffer); /* 8 bytes */
LUMO_API int LumoGetDebugContextInformation(void *handle, int target,
                                            void *buffer); /* 6 bytes */
LUMO_API int LumoGetSlaveInformation(void *handle, int target,
                                     unsigned char slave,
                                     void *buffer); /* 8 bytes */
LUMO_API int LumoGetDeviceID(void *handle, int target,
                             void *buffer); /* 1 byte */
LUMO_API int LumoGetDeviceVersion(void *handle, int target,
                                  void *buffer); /* 8 bytes */
LUMO_API int LumoGetDeviceMode(void *handle, int target,
                               void *buffer); /* 1 byte */
LUMO_API int LumoGetDeviceStatus(void *handle, int target,
                                 void *buffer);            /* 8 bytes */
LUMO_API int LumoGetCcbStatus(void *handle, void *buffer); /* 8, main */
LUMO_API int LumoGetFcbStatus(void *handle, int target,
                              void *buffer); /* 8 bytes */
LUMO_API int LumoGetChipInformation(void *handle, int target,
                                    void *buffer); /* 20 bytes */
LUMO_API int LumoGetDeviceLight(void *handle, int target,
                                void *buffer); /* 1 byte */
LUMO_API int LumoGetStorageInfo(void *handle, int target,
                                void *buffer); /* 8 bytes */
LUMO_API int LumoGetSettingInfo(void *handle, int target,
                                void *buffer); /* 8 bytes */
LUMO_API int LumoGetImageInfo(void *handle, int target,
                              void *buffer); /* 8 bytes */
/* Older controllers: three unsigned 16-bit values (parameter length + 1,
 * block count, block size). */
LUMO_API int LUMO_Expired_GetAlgorithmCommandInfo(void *handle, int target,
                                                  unsigned char command,
                                                  void *buffer); /* 6 bytes */
/* An _ImageProcessorCommandInfo. */
LUMO_API int LumoGetImageProcessorCommandInfo(void *handle, int target,
                                              unsigned char command,
                                              void *buffer); /* 8 bytes */
LUMO_API int LumoGetImageProcessorSettingInformation(void *handle, int target,
                                                     void *buffer); /* 6 */
LUMO_API int LumoGetImageProcessorContextInformation(void *handle, int target,
                                                     void *buffer); /* 6 */
LUMO_API int LumoGetDriverVersion(void *handle, int target,
                                  void *buffer); /* 8 bytes */
LUMO_API int LumoGetDriverWorkingMode(void *handle, int target,
                                      void *buffer); /* 1 byte */
LUMO_API int LumoGetDriverInputtingMode(void *handle, int target,
                                        void *buffer); /* 1 byte */
LUMO_API int LumoGetDriverInputtingType(void *handle, int target,
                                        void *buffer); /* 1 byte */
LUMO_API int LumoGetDriverStatus(void *handle, int target,
                                 void *buffer); /* 8 bytes */

/* ---- Block reads ---------------------------------------------------------
 * Read one block of `length` bytes; they succeed only when the controller
 * answers with exactly `length` bytes. The storage, setting and swap reads
 * copy nothing (and still succeed) when buffer is null or length is 0; the
 * image and algorithm-buffer reads need a buffer. */

LUMO_API int LumoGetStorageBlock(void *handle, int target, unsigned int address,
                                 void *buffer, unsigned char length);
LUMO_API int LumoGetSettingBlock(void *handle, int target, unsigned int address,
                                 void *buffer, unsigned char length);
LUMO_API int LumoGetSwapBlock(void *handle, int target, unsigned int address,
                              void *buffer, unsigned char length);
LUMO_API int LumoGetImageBlock(void *handle, int target, unsigned short index,
                               void *buffer, unsigned char length);
LUMO_API int LUMO_Expired_GetAlgorithmBufferFromCache(void *handle, int target,
                                                      unsigned short index,
                                                      void *buffer,
                                                      unsigned char length);

/* ---- Variable-length reads -----------------------------------------------
 * *length holds the capacity of buffer on entry and the answer's length on
 * return. Unless stated otherwise an answer longer than the capacity is not
 * copied but its length is still stored and the call succeeds: compare
 * *length with the capacity. */

/* The slave modules' addresses. Fails for a null buffer or length; when the
 * answer does not fit, its length is stored and the call fails. */
LUMO_API int LumoGetAllSlaveID(void *handle, int target, unsigned char *buffer,
                               unsigned char *length);
LUMO_API int LumoGetDebugContextBlock(void *handle, int target,
                                      unsigned short index,
                                      unsigned char *buffer,
                                      unsigned char *length);
/* These three fail for a null buffer or length, and fail without storing the
 * length when the answer does not fit. */
LUMO_API int LumoGetImageProcessorCommandResult(void *handle, int target,
                                                unsigned short index,
                                                unsigned char *buffer,
                                                unsigned char *length);
LUMO_API int LumoGetExecuteImageProcessorCommandByCache(void *handle,
                                                        int target,
                                                        unsigned char command,
                                                        unsigned char *buffer,
                                                        unsigned char *length);
LUMO_API int LumoGetExecuteImageProcessorCommandDirect(void *handle, int target,
                                                       unsigned char command,
                                                       unsigned char *buffer,
                                                       unsigned char *length);
LUMO_API int LumoGetCacheOfImageProcessorSetting(void *handle, int target,
                                                 unsigned short index,
                                                 unsigned char *buffer,
                                                 unsigned char *length);
LUMO_API int LumoGetCacheOfImageProcessorContext(void *handle, int target,
                                                 unsigned short index,
                                                 unsigned char *buffer,
                                                 unsigned char *length);
/* Older controllers. On entry buffer holds the *length request bytes sent
 * after the command (fewer than 60 are accepted, at most 57 fit a request);
 * on success it receives the answer's bytes after its leading command byte
 * and *length their number. buffer must have room for 59 bytes, the longest
 * such answer. Fails unless the answer starts with the command. */
LUMO_API int LUMO_Expired_GetExeAlgorithmBufferByCache(void *handle, int target,
                                                       unsigned char command,
                                                       unsigned char *buffer,
                                                       unsigned char *length);
/* Sends dataLength bytes with the test command and reads the answer. */
LUMO_API int LumoGetTest(void *handle, int target, const void *data,
                         unsigned char dataLength, unsigned char *answer,
                         unsigned char *length);

/* ---- Writes -------------------------------------------------------------- */

LUMO_API int LumoSetTest(void *handle, int target, const void *data,
                         unsigned char length);
LUMO_API int LumoSetCacheLoadFromCcbSetting(void *handle, int target);
LUMO_API int LumoSetCacheSaveToCcbSetting(void *handle, int target);
LUMO_API int LumoSetSettingLightSourcePwm(void *handle, int target,
                                          _LumoRecord8 record);
LUMO_API int LumoSetLightSourcePwm(void *handle, int target,
                                   _LumoRecord8 record);
LUMO_API int LumoSetDeviceID(void *handle, int target, unsigned char id);
LUMO_API int LumoSetDeviceMode(void *handle, int target, unsigned char mode);
LUMO_API int LumoSetDeviceStatus(void *handle, int target, _LumoRecord8 record);
LUMO_API int LumoSetDeviceLight(void *handle, int target, unsigned char light);
LUMO_API int LumoSetSlaveID(void *handle, int target, unsigned char id);
/* Block writes: the 32-bit address, then length data bytes (at most 54). */
LUMO_API int LumoSetStorageBlock(void *handle, int target, unsigned int address,
                                 const void *data, unsigned char length);
LUMO_API int LumoSetSettingBlock(void *handle, int target, unsigned int address,
                                 const void *data, unsigned char length);
LUMO_API int LumoSetSwapBlock(void *handle, int target, unsigned int address,
                              const void *data, unsigned char length);
LUMO_API int LUMO_SetImageDeviceId(void *handle, int target, unsigned char id);
LUMO_API int LumoSetExecuteImageProcessorCommand(void *handle, int target,
                                                 unsigned char command);
/* The 16-bit index, then length data bytes (at most 56). */
LUMO_API int LUMO_Expired_SetAlgorithmBufferToCache(void *handle, int target,
                                                    unsigned short index,
                                                    const void *data,
                                                    unsigned char length);
LUMO_API int LumoSetCacheLoadFromImageProcessorSetting(void *handle,
                                                       int target);
LUMO_API int LumoSetCacheSaveToImageProcessorSetting(void *handle, int target);
LUMO_API int LumoSetCacheLoadFromImageProcessorContext(void *handle,
                                                       int target);
LUMO_API int LumoSetCacheSaveToImageProcessorContext(void *handle, int target);
/* The 16-bit index, then length bytes; fails at once when length + 2 exceeds
 * 60. */
LUMO_API int LumoSetImageProcessorCommandParam(void *handle, int target,
                                               unsigned short index,
                                               const void *data,
                                               unsigned char length);
/* The command, then *length data bytes; fails at once for a null data or
 * length or a length of 60 or more. */
LUMO_API int LumoSetExecuteImageProcessorCommandByCache(void *handle,
                                                        int target,
                                                        unsigned char command,
                                                        const void *data,
                                                        unsigned char *length);
LUMO_API int LumoSetExecuteImageProcessorCommandDirect(void *handle, int target,
                                                       unsigned char command,
                                                       const void *data,
                                                       unsigned char *length);
/* The 16-bit index, then length bytes; fail at once when length + 2 exceeds
 * 60. */
LUMO_API int LumoSetCacheOfImageProcessorSetting(void *handle, int target,
                                                 unsigned short index,
                                                 const void *data,
                                                 unsigned char length);
LUMO_API int LumoSetCacheOfImageProcessorContext(void *handle, int target,
                                                 unsigned short index,
                                                 const void *data,
                                                 unsigned char length);
LUMO_API int LumoSetDriverWorkingMode(void *handle, int target,
                                      unsigned char mode);
LUMO_API int LumoSetDriverInputtingMode(void *handle, int target,
                                        unsigned char mode);
LUMO_API int LumoSetDriverInputtingType(void *handle, int target,
                                        unsigned char type);

/* ---- Actions ------------------------------------------------------------- */

LUMO_API int LumoSetProtectFlash(void *handle, int target);
LUMO_API int LumoSetBeep(void *handle, int target, unsigned int value);
LUMO_API int LumoSetResetDevice(void *handle, int target);
LUMO_API int LumoSetStorageErase(void *handle, int target,
                                 unsigned short value);
LUMO_API int LumoSetSettingErase(void *handle, int target,
                                 unsigned short value);
LUMO_API int LumoSetSwapErase(void *handle, int target, unsigned short value);
LUMO_API int LumoSetProcessImage(void *handle, int target);
LUMO_API int LumoSetDriverUpdate(void *handle, int target, unsigned char value);
LUMO_API int LumoSetSetCrc(void *handle, int target);
LUMO_API int LumoSetEraseCrc(void *handle, int target);
LUMO_API int LumoSetCheckCrc(void *handle, int target);
LUMO_API int LumoSetUpgradeBegin(void *handle, int target);
LUMO_API int LumoSetUpgradeEnd(void *handle, int target);

/* ---- Commands with an older form -----------------------------------------
 * The write form is tried first; only when it fails is the older action form
 * tried (for the swap commands only when first is 0, with `second` alone). */

LUMO_API int LumoSetSwapLoadFromStorage(void *handle, int target,
                                        unsigned short first,
                                        unsigned short second);
LUMO_API int LumoSetSwapSaveToStorage(void *handle, int target,
                                      unsigned short first,
                                      unsigned short second);
LUMO_API int LumoSetCaptureImage(void *handle, int target);

/* ---- Touch-screen operations --------------------------------------------- */

/* Data modes 0 to 4 (the driver working modes 0xF0, 0xF1, 0xF2, 0xFE, 0xFF of
 * the main controller); other modes fail without I/O. */
LUMO_API int LumoSetTouchScreenDataMode(void *handle, unsigned char mode);
/* Resets the main controller. */
LUMO_API int LumoRestartTouchScreen(void *handle);
/* Sets device mode 0 or 1 on the main controller and then on every slave, in
 * the order the main controller lists them; stops at the first failure and
 * returns its result. Other modes return 1 without I/O. */
LUMO_API int LumoSetTouchScreenWorkingMode(void *handle, unsigned char mode);
/* Erase the stored parameters of the main controller or of a module. */
LUMO_API int LumoParameterCcbErase(void *handle);
LUMO_API int LumoParameterFcbErase(void *handle, int target);
/* Driver update on the main controller. */
LUMO_API int LumoParameterDriverUpdate(void *handle, unsigned char value);

/* ---- Image-processor algorithm operations --------------------------------
 * The edge values a and b are signed 16-bit numbers. The operations look up
 * how the controller runs the algorithm (its command information) and use the
 * form it names. */

LUMO_API int LUMO_Alg_GetEdge(void *handle, int target, short *a, short *b);
LUMO_API int LUMO_Alg_GetEdge_Setting(void *handle, int target, short *a,
                                      short *b);
LUMO_API int LUMO_Alg_SetEdge(void *handle, int target, short a, short b);
/* Writes the edge setting through the image processor's setting cache and
 * saves it; when saving fails, succeeds only if reading the setting back
 * shows the values written. */
LUMO_API int LUMO_Alg_SetEdge_Setting(void *handle, int target, short a,
                                      short b);

LUMO_EXTERN_C_END

#endif /* LUMO_COMMAND_H */
