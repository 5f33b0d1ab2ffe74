// One command exchange with the touch screen's controller: the request goes
// out in an output feature report, and the answer is polled for with input
// feature reports. Every command of the exported API goes through here.
//
// Runs on the caller's thread and blocks it until the exchange is decided; it
// takes no lock and keeps no state between calls. Exchanges on one device
// handle must not overlap: two at once may read each other's answers.
#ifndef LUMO_TRANSACTCOMMAND_H
#define LUMO_TRANSACTCOMMAND_H

// The budget of one exchange.
constexpr int kTransactAttempts = 5; // request sent at most this often
constexpr int kTransactPolls = 80;   // answer polls per attempt
constexpr unsigned char kSendFailedDelayMs = 10; // after a failed send
constexpr unsigned char kBusyDelayMs = 8;        // after a BUSY answer

// Sends the request (type, target, command, length data bytes) and waits for
// the decision:
//  - ACK: true;
//  - DATA: true. With answerLength given, *answerLength is the capacity of
//    answer on entry; the n data bytes are copied when answer is not null, n
//    is not 0 and n fits that capacity, and *answerLength becomes n in any
//    case (so a caller sees an answer that did not fit by its length);
//  - REJECT: false at once;
//  - BUSY: the request is sent again after 8 ms;
//  - nothing within 80 polls, or a failed send: the request is sent again.
// After 5 attempts without a decision: false. Only FRAME_GET, FRAME_SET and
// FRAME_EXECUTE with at most 58 data bytes are sent; anything else is false
// without any I/O. Only the first frame of each input report counts.
bool TransactCommand(void *device, unsigned char type, unsigned char target,
                     unsigned char command, const unsigned char *data,
                     unsigned char length, unsigned char *answer,
                     unsigned char *answerLength);

// The same exchange, also reporting the frame type that decided it
// (FRAME_ACK, FRAME_DATA, FRAME_REJECT; 0 when none did) in *decidedBy, so
// that a read can tell a data answer from a bare acknowledgement.
bool TransactCommand(void *device, unsigned char type, unsigned char target,
                     unsigned char command, const unsigned char *data,
                     unsigned char length, unsigned char *answer,
                     unsigned char *answerLength, unsigned char *decidedBy);

#endif // LUMO_TRANSACTCOMMAND_H
