/* libLumo: the framed protocol of the touch screen's controller.
 *
 * Requests go to the controller in 64-byte feature reports with report ID
 * 0x55, answers come back the same way; inside them runs a small framed
 * protocol. Every frame starts with the sync byte 0x55 (which is also the
 * report ID), followed by its type:
 *
 *   request (GET, SET, EXECUTE, REQUEST_5A):
 *       55 type target command n data[n] checksum      n + 6 bytes
 *   data answer (DATA):
 *       55 type n data[n] checksum                     n + 4 bytes
 *   status answer (ACK, BUSY, REJECT):
 *       55 type                                        2 bytes
 *
 * The checksum is the 8-bit sum of every byte from the third (index 2) up to
 * the byte before the checksum; the sync and type bytes are not summed. A
 * frame never exceeds 64 bytes: a request carries at most 58 data bytes, a
 * data answer at most 60. Multi-byte values inside the data are
 * little-endian.
 *
 * The receiver and the framer below work on any byte source and sink; they
 * keep no global state. */
#ifndef LUMO_PROTOCOL_H
#define LUMO_PROTOCOL_H

#include <Lumo/LumoExport.h>

LUMO_EXTERN_C_BEGIN

/* Frame types (the byte after the sync byte). */
enum {
  FRAME_GET = 0x1E,        /* host to device: read */
  FRAME_SET = 0x2D,        /* host to device: write */
  FRAME_EXECUTE = 0x3C,    /* host to device: action */
  FRAME_REQUEST_5A = 0x5A, /* request layout; never sent by the library */
  FRAME_DATA = 0x4B,       /* device to host: data answer */
  FRAME_ACK = 0x87,        /* device to host: accepted */
  FRAME_BUSY = 0x96,       /* device to host: busy, send the request again */
  FRAME_REJECT = 0xB4      /* device to host: refused */
};

/* The sync byte that starts every frame (the feature report's ID). */
#define LUMO_FRAME_SYNC 0x55
/* The longest frame, and the most data a request or a data answer carries. */
#define LUMO_FRAME_MAX 64
#define LUMO_REQUEST_DATA_MAX 58
#define LUMO_ANSWER_DATA_MAX 60

/* A frame without its sync byte and its checksum: for requests the type,
 * target, command, length and data bytes; for a data answer the type, length
 * and data bytes; for a status answer the type alone. Only the leading part
 * is meaningful; the framer always reads all 62 bytes. */
typedef struct _TransferData {
  unsigned char bytes[62];
} _TransferData;

/* Called for each complete, valid frame. frame points at the frame's type
 * byte inside the receiver's buffer and is valid only during the call. */
typedef void (*LumoFrameCallback)(void *user, const _TransferData *frame);

/* The receiver's state. */
typedef struct _ProtocolContext {
  unsigned char buffer[64]; /* the frame being collected, sync byte first */
  unsigned char count;      /* bytes collected */
  unsigned char checksum;   /* running sum */
  LumoFrameCallback callback;
  void *user;
} _ProtocolContext;

/* The framer's sink: receives each built frame, sync byte first. */
typedef void (*LumoSendFunction)(void *user, const void *frame,
                                 unsigned int length);
typedef struct _SendTag {
  LumoSendFunction function;
  void *user;
} _SendTag;

/* Resets the receiver and sets the callback that takes its frames. */
LUMO_API void InitializeProtocol(_ProtocolContext *context,
                                 LumoFrameCallback callback, void *user);

/* Feeds one received byte. Bytes before a sync byte, frames of an unknown
 * type, frames longer than 64 bytes and frames with a wrong checksum are
 * dropped without a report. */
LUMO_API void ProtocolReceiveByte(_ProtocolContext *context,
                                  unsigned char byte);

/* Builds the frame of data (sync byte and checksum added) and hands it to the
 * sink. Nothing is sent for an unknown type or for a length byte that would
 * make the frame longer than 64 bytes. */
LUMO_API void ProtocolSendData(const _TransferData *data, const _SendTag *tag);

LUMO_EXTERN_C_END

#endif /* LUMO_PROTOCOL_H */
