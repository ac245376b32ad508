/**
 * @file vesmor.h
 * @brief libvesmor: access to HF RFID reader/programmers of the VESMOR family and to the
 *        ISO/IEC 15693 transponders in their field.
 *
 * @mainpage libvesmor
 *
 * A reader connection is opened with VESMOR_OpenPort(), which returns a positive integer
 * handle; every other call takes that handle. Nothing but integers, characters and bytes
 * crosses this interface.
 *
 * @section errors Results and errors
 * Functions return -1 (or another negative value) on failure and keep an error code in the
 * port; VESMOR_GetLastError() reads it afterwards (VESMOR_ERR_* below; 3 for a handle that
 * names no open port). Yes/no queries return 1 or 0, and -1 for an unknown handle.
 * A failed call never closes the port; a connection found dead (the device was unplugged) is
 * released by the next call that looks its handle up, or by VESMOR_ClosePort().
 *
 * @section lists List buffers
 * The list functions write NUL-terminated names one after another, then one more NUL. A name
 * is written only if it and the final NUL still fit into @p size; the first name that does
 * not fit ends the list. The result is the number of bytes written including the final NUL
 * (1 for an empty list, 0 when @p size is 0). A null @p buffer or a negative @p size is
 * refused with -1.
 *
 * @section threads Threads
 * Make all calls of one port from one thread. While a call waits for the reader's answer it
 * blocks on a condition variable in slices of at most 1 ms and calls the pump hook of
 * VESMOR_SetWaitHooks() between slices, so a user interface can keep painting. Each open
 * serial port has a worker thread of its own.
 *
 * @section names Connection names
 * "/dev/ttyACM0", "/dev/ttyUSB0" (optionally followed by " [" description "]"),
 * the legacy "COM1" (= /dev/ttyS0), an FTDI serial number (D2XX), "<serial> HID",
 * "<serial> BT", a dotted IPv4 address (optionally "-port") or "[dhcp-name]". Any name may
 * end with ":n", the decimal bus address of the reader (default 1).
 */
#ifndef VESMOR_H
#define VESMOR_H

#include <stdint.h>

/* libvesmor.dll exports only these functions; a program using it imports them. */
#if defined(_WIN32) && defined(VESMOR_BUILDING_LIBRARY)
#define VESMOR_API __declspec(dllexport)
#elif defined(_WIN32)
#define VESMOR_API __declspec(dllimport)
#elif defined(VESMOR_BUILDING_LIBRARY)
#define VESMOR_API __attribute__((visibility("default")))
#else
#define VESMOR_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/** @defgroup codes Error codes kept per port (VESMOR_GetLastError)
 * Reader status codes of protocol types 0 and 1 not listed here pass through unchanged.
 * @{ */
#define VESMOR_ERR_UNKNOWN_HANDLE 3    /**< handle names no open port */
#define VESMOR_ERR_TIMEOUT 4           /**< no complete answer within the timeout */
#define VESMOR_ERR_BUFFER_TOO_SMALL 5  /**< answer longer than the caller's buffer */
#define VESMOR_ERR_INVENTORY_SHORT 6   /**< inventory answer ended before all slots */
#define VESMOR_ERR_BLOCK_COUNT 7       /**< multiple-block count outside 1..256 */
#define VESMOR_ERR_NOTHING_TO_SEND 8   /**< empty request */
#define VESMOR_ERR_NO_RESPONSE_FLAGS 9 /**< ISO answer without response flags */
#define VESMOR_ERR_CHECKSUM 10         /**< checksum mismatch */
#define VESMOR_ERR_OPTION_RANGE 13     /**< option value out of range */
#define VESMOR_ERR_BLOCK_NUMBER 15     /**< block number out of range */
#define VESMOR_ERR_WRONG_ANSWER 16     /**< answer belongs to another command */
#define VESMOR_ERR_NO_TRANSPONDER 21   /**< no valid transponder */
#define VESMOR_ERR_COLLISION 23        /**< several transponders answered */
#define VESMOR_ERR_UNKNOWN_COMMAND 24  /**< reader does not know the command */
#define VESMOR_ERR_ISO_BASE 32         /**< 32..40: ISO errors 0x01,0x02,0x03,0x0F,0x10..0x14 */
#define VESMOR_ERR_ISO_OTHER 41        /**< other ISO error code */
#define VESMOR_ERR_ISO_NO_CODE 42      /**< ISO error flag without code, or empty answer */
#define VESMOR_ERR_NOT_SINGLE 43       /**< no single transponder found for a UID */
#define VESMOR_ERR_READER_STATUS_7 44  /**< type-0 reader status 7 */
/** @} */

/** @defgroup openresults Negative results of VESMOR_OpenPort
 * @{ */
#define VESMOR_OPEN_FAILED (-1)      /**< transport could not be opened */
#define VESMOR_OPEN_BAD_TIMEOUT (-2) /**< timeout below 0 */
#define VESMOR_OPEN_NO_READER (-11)  /**< no reader answers */
#define VESMOR_OPEN_HID_START (-13)  /**< HID device opened but could not be started */
/** @} */

/** @defgroup flags Library options in the upper bits of the request flags
 * Bits 0..7 are the ISO 15693 request-flags byte and are sent as given.
 * @{ */
#define VESMOR_FLAG_INFINEON 0x100       /**< treat as Infineon chip */
#define VESMOR_FLAG_TI 0x400             /**< treat as Texas Instruments chip */
#define VESMOR_FLAG_EM 0x800             /**< treat as EM Microelectronic chip */
#define VESMOR_FLAG_NO_SUBCARRIER 0x2000 /**< clear the sub-carrier flag before sending */
#define VESMOR_FLAG_RAW 0x8000           /**< send the flags as given, no chip rules */
/** @} */

/** @defgroup lists Interface lists
 * @{ */

/**
 * @brief Lists the Bluetooth readers reachable through a USB dongle ("<serial> BT").
 *
 * The dongles come from the USBXpress library libSiUSBXp.so (VESMOR_SIUSBXP_LIB names another
 * file); without it the list is empty. A dongle on a serial line is not listed: it is opened as
 * "/dev/ttyUSB0 BT" or "COMn BT".
 * @param[out] buffer list buffer (see @ref lists)
 * @param[in] size size of @p buffer in bytes
 * @return bytes written including the final NUL; -1 for a null buffer or negative size.
 */
VESMOR_API int32_t VESMOR_GetBluetoothPorts(char* buffer, int32_t size);

/**
 * @brief Lists the serial ports present, by device path; ports of the maker's virtual COM
 *        readers carry " [Vek Virtual COM]" or " [" + product + "]".
 * @param[out] buffer list buffer
 * @param[in] size size of @p buffer in bytes
 * @return bytes written including the final NUL; -1 for a null buffer or negative size.
 */
VESMOR_API int32_t VESMOR_GetComPorts(char* buffer, int32_t size);

/**
 * @brief Lists USB readers: FTDI D2XX devices by serial number, then HID readers
 *        ("<serial> HID"), kept only when their article number is an accepted one.
 * @param[out] buffer list buffer
 * @param[in] size size of @p buffer in bytes
 * @return bytes written including the final NUL; -1 for a null buffer or negative size.
 */
VESMOR_API int32_t VESMOR_GetHidPorts(char* buffer, int32_t size);

/**
 * @brief Bit flags of known USB readers present without a working driver.
 * @return bit 0: FTDI reader without driver; bit 1: virtual-COM reader without driver.
 */
VESMOR_API int32_t VESMOR_GetMissingDrivers(void);

/**
 * @brief Whether the virtual COM driver for the maker's USB readers is available.
 * @return 1 or 0.
 */
VESMOR_API int32_t VESMOR_IsVirtualComDriverInstalled(void);

/** @} */

/** @defgroup ports Opening, identifying and closing readers
 * @{ */

/**
 * @brief Opens a reader connection and identifies the reader.
 *
 * Tries protocol type 0; when no reader answers the transport is opened once more and types
 * 0, 1, 2 and 3 are tried in turn. The identification uses at most 300 ms per waiting phase.
 * A Bluetooth name opens the dongle only: the reader is not identified (it counts as model
 * 0x125, protocol type 0), its handle is numbered from 30001, and the link to it is made by
 * the first command (and again by the next command after it was lost).
 * @param[in] name connection name (see @ref names), optionally ending in ":address"
 * @param[in] baud baud rate plus a line code in the last two decimal digits (0 no parity and
 *            1 stop bit, 1 even, 2 odd, 3 no parity and 2 stop bits); 19200 is used for
 *            names that are not serial port names
 * @param[in] timeoutMs limit of each waiting phase of later commands, in milliseconds
 * @return a handle > 0; -1 transport could not be opened (or a "BTW" or null name),
 *         -2 timeout below 0, -11 no reader answers, -13 HID device could not be started.
 */
VESMOR_API int32_t VESMOR_OpenPort(const char* name, int32_t baud, int32_t timeoutMs);

/**
 * @brief Closes a reader connection and releases everything it holds.
 * @return 0 closed; -1 unknown handle.
 */
VESMOR_API int32_t VESMOR_ClosePort(int32_t handle);

/**
 * @brief Asks the reader for its identification (a new exchange on every call).
 * @param[out] buffer receives the identification bytes: three hexadecimal characters of the
 *             device type code and one firmware character
 * @param[in] size size of @p buffer
 * @return number of bytes written (4 for a reader opened normally); -1 on failure or unknown
 *         handle, with error 5 when the answer does not fit.
 */
VESMOR_API int32_t VESMOR_GetVersion(int32_t handle, unsigned char* buffer, int32_t size);

/**
 * @brief Model designation of the connected reader.
 * @param[out] buffer may be null; otherwise cleared over its whole size and given at most
 *             @p size - 1 characters
 * @param[in] size size of @p buffer
 * @return full length of the name. An unknown handle gives the name of code 0, "QX-#000".
 */
VESMOR_API int32_t VESMOR_GetDeviceName(int32_t handle, char* buffer, int32_t size);

/**
 * @brief Error code of the last failed operation on the port (see @ref codes).
 * @return the code, 0 after a successful exchange; 3 for an unknown handle.
 */
VESMOR_API int32_t VESMOR_GetLastError(int32_t handle);

/**
 * @brief Whether the reader writes transponders (odd device type code).
 * @return 1 programmer, 0 reader only, -1 unknown handle.
 */
VESMOR_API int32_t VESMOR_IsProgrammer(int32_t handle);

/**
 * @brief Whether the connection is a direct USB one (HID, or FTDI D2XX mode).
 * @return 1 or 0, -1 unknown handle.
 */
VESMOR_API int32_t VESMOR_IsUSB(int32_t handle);

/**
 * @brief Whether the port's connection to its reader still exists. A serial device that was
 *        unplugged or a pseudo-terminal whose other side closed is lost for good: every command
 *        fails at once with code 4 until the caller closes the handle and opens the reader again.
 *        (A silent reader on a present line is still connected: its commands time out.)
 * @return 1 connected, 0 connection lost (the handle stays valid until VESMOR_ClosePort),
 *         -1 unknown handle.
 */
VESMOR_API int32_t VESMOR_IsConnected(int32_t handle);

/**
 * @brief Sets a reader option (command 0xF4). Readers of protocol types 2 and 3 have none:
 *        the call succeeds without sending.
 * @param[in] value option; (value & 0x7F) must not exceed 3 (error 13 otherwise)
 * @return 0 success, -1 failure or unknown handle.
 */
VESMOR_API int32_t VESMOR_SetReaderOption(int32_t handle, int32_t value);

/**
 * @brief Switches a USB reader's interface (command 0xFF): 1 HID, 2 virtual COM. Follow it
 *        with VESMOR_ResetDevice(handle, 0, 0) and VESMOR_ClosePort().
 * @return 0 success, -1 failure or unknown handle.
 */
VESMOR_API int32_t VESMOR_SetUsbMode(int32_t handle, int32_t mode);

/**
 * @brief Resets the reader (command 0xF6 with both values).
 * @return 0 success, -1 failure or unknown handle.
 */
VESMOR_API int32_t VESMOR_ResetDevice(int32_t handle, int32_t first, int32_t second);

/**
 * @brief Protocol type (0..3) found for the reader when it was opened (an addition of this
 *        library, for diagnostics).
 * @return 0..3, -1 unknown handle.
 */
VESMOR_API int32_t VESMOR_GetProtocolType(int32_t handle);

/** @} */

/** @defgroup lan LAN readers
 * @{ */

/**
 * @brief Sets a LAN reader's address, subnet mask and gateway.
 * @param[in] reader address of the reader; newAddress, mask, gateway dotted IPv4 texts
 * @return 0 success, -1 failure (also for null arguments or while LAN support is missing).
 */
VESMOR_API int32_t VESMOR_SetLanConfig(const char* reader, const char* newAddress, const char* mask,
                                       const char* gateway);

/**
 * @brief Searches the local networks for LAN readers (search variant 0).
 * @param[out] buffer list buffer of reader names
 * @param[in] size size of @p buffer
 * @return bytes written including the final NUL; 0 when the socket layer cannot start;
 *         -1 for a null buffer or negative size.
 */
VESMOR_API int32_t VESMOR_FindLanDevices(char* buffer, int32_t size);

/**
 * @brief Reads a LAN reader's network settings.
 * @param[in] reader address of the reader
 * @param[out] name, address, mask, gateway each, when not null, at least 32 bytes
 * @return 0 success, -1 failure.
 */
VESMOR_API int32_t VESMOR_GetLanConfig(const char* reader, char* name, char* address, char* mask,
                                       char* gateway);

/**
 * @brief Tests whether a LAN reader's configuration channel can be opened.
 * @return 1 reachable, 0 not (also when the socket layer cannot start).
 */
VESMOR_API int32_t VESMOR_TestLanDevice(const char* reader);

/**
 * @brief As VESMOR_FindLanDevices() with search variant 1.
 */
VESMOR_API int32_t VESMOR_FindLanDevicesEx(char* buffer, int32_t size);

/** @} */

/** @defgroup transponders ISO 15693 transponder operations
 * @p flags: bits 0..7 are the ISO request-flags byte, higher bits are VESMOR_FLAG_* options.
 * A UID counts as given only when @p uidLength is exactly 8 and @p uid is not null.
 * @{ */

/**
 * @brief Geometry and maker of a transponder (Get System Information, or derived for chips
 *        that do not answer it).
 * @param[out] blockCount, blockSize, icManufacturer may be null; written only when known
 * @return 0 success, -1 failure.
 */
VESMOR_API int32_t VESMOR_GetTagInfo(int32_t handle, const unsigned char* uid, int32_t uidLength,
                                     int32_t* blockCount, int32_t* blockSize,
                                     int32_t* icManufacturer, int32_t flags);

/**
 * @brief Inventory with anticollision: one 11-byte record per transponder (slot status,
 *        response flags, DSFID, UID least significant byte first). A slot in which several
 *        transponders answered is searched again with a longer mask, up to the whole UID and
 *        up to 256 passes in all; a slot left over after that yields no record.
 * @param[out] buffer receives whole records
 * @param[in] size size of @p buffer; when too small, only as many whole records as fit
 * @return number of bytes written (a multiple of 11), -1 on failure.
 */
VESMOR_API int32_t VESMOR_Inventory(int32_t handle, unsigned char* buffer, int32_t size,
                                    int32_t flags);

/**
 * @brief Reads one block.
 * @return number of bytes written to @p buffer; -1 on failure (error 5 when the answer is
 *         longer than @p size, 15 for a block number out of range).
 */
VESMOR_API int32_t VESMOR_ReadBlock(int32_t handle, int32_t block, unsigned char* buffer,
                                    int32_t size, const unsigned char* uid, int32_t uidLength,
                                    int32_t flags);

/**
 * @brief Reads @p count blocks from @p firstBlock on into @p buffer, one after another (an
 *        addition of this library).
 *
 * The result is what @p count calls of VESMOR_ReadBlock() with the same arguments give, block
 * after block: the same bytes (with the option flag 0x40, each block begins with its security
 * status byte), or the error of the first block that fails. It sends ISO Read Multiple Blocks
 * in runs as long as one answer frame carries (63 blocks of 4 bytes, 31 of 8 bytes; the first
 * run of a transponder whose block size is not yet known has 7 blocks). A chip that refuses
 * a run, or answers it malformed or short, is read with the rules of VESMOR_ReadBlock() from
 * that run on; when those reads succeed, its UID is remembered and read block by block for as
 * long as the connection is open. Infineon (custom read) and EM (one-block Read Multiple
 * Blocks) chips are always read block by block. Blocks above 255 need the protocol extension
 * flag 0x08 and an STMicroelectronics UID, as for VESMOR_ReadBlock(); a run must not cross
 * block 255 otherwise. A null @p uid (whatever @p uidLength) means no UID: the request is
 * not addressed, as for every call here.
 * @param[in] firstBlock number of the first block
 * @param[in] count number of blocks, at least 1
 * @param[out] buffer receives the blocks; at least @p count x block size bytes (plus
 *             @p count with the option flag)
 * @param[in] size size of @p buffer; nothing is written past it
 * @return number of bytes written; -1 on failure: error 7 for a null @p buffer, a negative
 *         @p size or @p count below 1, 15 when a block number is out of range (nothing is
 *         sent), 5 when the blocks do not fit into @p size, otherwise the error the failing
 *         block gives (36 for a block beyond the transponder's end, for example).
 */
VESMOR_API int32_t VESMOR_ReadBlocks(int32_t handle, int32_t firstBlock, int32_t count,
                                     unsigned char* buffer, int32_t size, const unsigned char* uid,
                                     int32_t uidLength, int32_t flags);

/**
 * @brief Writes one block. A write that the reader reports as failed but whose read-back
 *        matches counts as success (last error 0).
 * @return 0 success, -1 failure.
 */
VESMOR_API int32_t VESMOR_WriteBlock(int32_t handle, int32_t block, const unsigned char* data,
                                     int32_t length, const unsigned char* uid, int32_t uidLength,
                                     int32_t flags);

/** @} */

/** @defgroup hooks Host hooks (additions of this library)
 * @{ */

/** Called by a waiting library call; @p context is the value given to VESMOR_SetWaitHooks. */
typedef void (*VESMOR_WaitHook)(void* context);

/**
 * @brief Installs the hooks a waiting call runs: @p begin once before it waits (a user
 *        interface disables its active window), @p pump between wait slices of at most 1 ms
 *        (process pending events), @p end once when the wait is over (re-enable, restore focus).
 *        Any hook may be null; all null removes them. Process-wide; install before opening.
 */
VESMOR_API void VESMOR_SetWaitHooks(VESMOR_WaitHook begin, VESMOR_WaitHook pump,
                                    VESMOR_WaitHook end, void* context);

/** Receives a hex dump of a frame: ">" sent, "<" received, e.g. "<(00000001) 02 01 00 ...". */
typedef void (*VESMOR_TraceHook)(intptr_t handle, const char* text);

/**
 * @brief Installs the frame dump hook; ports opened afterwards pass every frame sent and
 *        received to it. Null removes it for ports opened later.
 */
VESMOR_API void VESMOR_SetTraceHook(VESMOR_TraceHook hook);

/**
 * @brief Sends a text to the trace viewer (`vesmor-trace`), the channel the library's own
 *        call trace uses; a host passes its frame dumps and its timing lines through it.
 *
 * The channel is the abstract local socket "VekTracer", or the name in the environment
 * variable VESMOR_TRACE_CHANNEL. Without a viewer the call costs one failed connect and
 * creates nothing. Whole texts never interleave across threads and programs (a file lock,
 * $XDG_RUNTIME_DIR or /tmp + "/" + channel + "Lock"). A viewer that does not take the text
 * within 50 ms loses it; after such a loss texts are tried without waiting until one gets
 * through again, so a stopped viewer delays a caller by at most 50 ms per text, and in practice
 * once. Any thread may call it.
 * @param[in] text NUL-terminated text, sent as it is (line ends included); null is ignored
 */
VESMOR_API void VESMOR_Trace(const char* text);

/** @} */

#ifdef __cplusplus
}
#endif

#endif /* VESMOR_H */
