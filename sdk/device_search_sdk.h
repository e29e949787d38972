/* The device-search library: finds devices on one local adapter's subnet.
 *
 * Three C entry points, standing for the three ordinals that the search dialog
 * calls in the device maker's library:
 *   ordinal 1   TwSearchOpen     at every opening of the dialog
 *   ordinal 2   TwSearchClose    when the dialog is cancelled
 *   ordinal 134 TwSearchDevices  each search
 * The library keeps no state between calls, so TwSearchOpen may be called again
 * without TwSearchClose in between. On 32-bit Windows the entries use __stdcall.
 * Probe and answer formats: sdk/device_search_protocol.h.
 */
#ifndef TARNWELL_SDK_DEVICE_SEARCH_SDK_H
#define TARNWELL_SDK_DEVICE_SEARCH_SDK_H

#include <stdint.h>

#if defined(_WIN32)
#define TW_SEARCH_CALL __stdcall
#define TW_SEARCH_EXPORT __declspec(dllexport)
#else
#define TW_SEARCH_CALL
#define TW_SEARCH_EXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Ordinal 1. `reserved` is 0, `owner` the calling dialog; neither is used. Returns 1. */
TW_SEARCH_EXPORT int TW_SEARCH_CALL TwSearchOpen(int32_t reserved, void* owner);

/* Ordinal 2. Returns 1. */
TW_SEARCH_EXPORT int TW_SEARCH_CALL TwSearchClose(void);

/* Ordinal 134. Sends one probe to the broadcast address of the subnet of the
 * local IPv4 address `adapterAddress` and collects the answers into `buffer`
 * as whole 164-byte records, one per device address (the first answer wins),
 * never more than `bufferSize` bytes. `*byteCount` receives the bytes written.
 *
 * The search ends at the first of: `limitMs` milliseconds after the probe;
 * 300 ms after the latest answer; the buffer holding no room for another record.
 *
 * Returns 1 when the probe was sent; 0 (with *byteCount 0) when an argument is
 * missing or negative, the address is not one of this machine's, or the socket
 * cannot be set up. */
TW_SEARCH_EXPORT int TW_SEARCH_CALL TwSearchDevices(char* buffer, int32_t bufferSize, int32_t* byteCount,
                                                    int32_t limitMs, const char* adapterAddress);

typedef int(TW_SEARCH_CALL* TwSearchOpenFn)(int32_t, void*);
typedef int(TW_SEARCH_CALL* TwSearchCloseFn)(void);
typedef int(TW_SEARCH_CALL* TwSearchDevicesFn)(char*, int32_t, int32_t*, int32_t, const char*);

#define TW_SEARCH_OPEN_SYMBOL "TwSearchOpen"
#define TW_SEARCH_CLOSE_SYMBOL "TwSearchClose"
#define TW_SEARCH_DEVICES_SYMBOL "TwSearchDevices"

/* How long the answers may keep the search going after the latest one. */
#define TW_SEARCH_QUIET_MS 300

#ifdef __cplusplus
}
#endif

#endif
