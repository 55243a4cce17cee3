/*
 * xamu/prbridge.h: the printer utility library interface of XAMU.
 *
 * A printer utility library lets XAMU exchange data with a QUILP PRO
 * printer's data memory. XAMU never talks to the printer's port itself: it
 * loads the library with dlopen() from <driver folder>/3/libprbridge.so and
 * looks each of the four functions below up by name (dlsym) at every call,
 * so a library may be replaced while XAMU runs. A function that is missing
 * simply counts as failed.
 *
 * Build a library against this header with
 *     cc -shared -fPIC $(pkg-config --cflags xamu-prbridge) -o libprbridge.so mine.c
 * and export exactly these four names with C linkage. The emulated printer
 * shipped with XAMU (libprbridge.so in <program folder>/drivers/3) is the
 * reference implementation.
 *
 * Printer names
 *   `printer` is the name of the selected printer: with CUPS its queue name
 *   (UTF-8, may hold non-ASCII characters), with the emulated spooler the
 *   section name of spooler.ini. It is a writable, NUL-terminated copy with
 *   room for two more bytes; whatever the library leaves in it is discarded.
 *
 * Calls
 *   All calls are made on one thread and block it until they return. One
 *   exchange runs as: CheckConnectA, SoftStartA, any number of SoftSetDataA,
 *   SoftEndA. Besides, the printer scan calls CheckConnectA with the name of
 *   every supported printer it finds, to learn which one is connected.
 *
 * The exchange files
 *   XAMU writes each request into a request file and hands its whole content
 *   to SoftSetDataA; the library writes its answer into the answer file,
 *   which XAMU has created empty and passes open for writing.
 *
 *   Request (XAMU creates, XAMU writes, the library reads the bytes given):
 *     offset 0   32 bytes   zero
 *     offset 32  12 bytes   request packet:
 *                             1B 7B 09 4D {category} {operation} {slot}
 *                             {group} {length high} {length low} {sum} 7D
 *                           category: 01 file, 02 address, 03 name, 10 glyph
 *                           operation: 00 query, 01 read, 02 write, 03 delete
 *                           slot: 1-based (query: the first slot to look at)
 *                           group, length: write requests only, else 0
 *                           sum: bytes 3 to 9 added, modulo 256
 *     offset 44  n bytes    write requests only: the data block
 *                             "DT;" {content} ";" {sum of all bytes before}
 *
 *   Answer (XAMU creates it empty; the library writes it; XAMU reads it and
 *   deletes it):
 *     offset 0   4 bytes    status, 32-bit little-endian signed: 0 success,
 *                           any other value is shown to the user as the
 *                           operation's error code
 *     offset 4   28 bytes   not examined (write zeros)
 *     offset 32  11 bytes   answer packet: "RV;" at bytes 0-2, the answer
 *                           values at bytes 5 and 6, byte 10 the sum of
 *                           bytes 0 to 9 modulo 256
 *     offset 43  rest       read answers only: the data block
 *                           "DT;" {content} ";" {sum}; the file ends with
 *                           the sum byte
 *
 *   Answer values (bytes 5 and 6):
 *     query   the first registered slot at or after the slot asked for
 *             (0: none follows), and its group number
 *     read    the content length, high byte first
 *     write   0 written, 0xFE data the printer does not take,
 *             0xFF registration memory full
 *     delete  0 deleted, 0xFE not taken, 0xFF delete refused
 *
 * The link requests (connection check, start, end) also write a request
 * file, with the packet 1B 7B 09 4D 01 00 00 00 00 00 4E 7D, but the library
 * function is then called with the printer name alone.
 */
#ifndef XAMU_PRBRIDGE_H
#define XAMU_PRBRIDGE_H

#include <stdint.h>

/* The version of this interface. A library built against a later version
 * still serves an XAMU of an earlier one as long as the major number is the
 * same. */
#define XAMU_PRBRIDGE_VERSION_MAJOR 1
#define XAMU_PRBRIDGE_VERSION_MINOR 0

/* The status words CheckConnectA gives. Any other value counts as no
 * answer. */
#define XAMU_PRBRIDGE_STATUS_BUSY 1      /* printing: XAMU waits for the end */
#define XAMU_PRBRIDGE_STATUS_READY 2     /* ready for data */
#define XAMU_PRBRIDGE_STATUS_CUTTER 16   /* cutter fault */
#define XAMU_PRBRIDGE_STATUS_MOTOR 17    /* motor fault */
#define XAMU_PRBRIDGE_STATUS_HEAD 18     /* print head overheated */

/* The `mode` argument of SoftSetDataA. */
#define XAMU_PRBRIDGE_MODE_ANSWER 0      /* query, write and delete requests */
#define XAMU_PRBRIDGE_MODE_READ 1        /* read-entry requests: the answer carries a data block */

#ifndef XAMU_PRBRIDGE_EXPORT
#define XAMU_PRBRIDGE_EXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Asks whether the printer is connected and in what state. XAMU sets
 * *status to 0 before the call. Returns nonzero when the call worked; the
 * printer counts as connected when it returns nonzero with a nonzero
 * *status. */
XAMU_PRBRIDGE_EXPORT int CheckConnectA(char *printer, int32_t *status);

/* Accepts the printer for the requests that follow. Nonzero: accepted. */
XAMU_PRBRIDGE_EXPORT int SoftStartA(char *printer);

/* Ends the exchange begun by SoftStartA. The result is ignored. */
XAMU_PRBRIDGE_EXPORT int SoftEndA(char *printer);

/* Carries out one request. `request` points to the whole request file
 * content, `length` bytes long. `answer_fd` is the answer file, open for
 * writing and empty; the library writes the whole answer into it and does
 * not close it. `mode` is XAMU_PRBRIDGE_MODE_READ for read-entry requests,
 * XAMU_PRBRIDGE_MODE_ANSWER for all others. Returns nonzero when the answer
 * was written. */
XAMU_PRBRIDGE_EXPORT int SoftSetDataA(char *printer, const unsigned char *request, uint32_t length,
                                      int answer_fd, int mode);

/* The function types, for a program that loads the library itself. */
typedef int (*XamuCheckConnectFn)(char *printer, int32_t *status);
typedef int (*XamuSoftStartFn)(char *printer);
typedef int (*XamuSoftEndFn)(char *printer);
typedef int (*XamuSoftSetDataFn)(char *printer, const unsigned char *request, uint32_t length, int answer_fd,
                                 int mode);

#ifdef __cplusplus
}
#endif

#endif /* XAMU_PRBRIDGE_H */
