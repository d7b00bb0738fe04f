#pragma once

// VarnelApi.dll, the device-management library of the office devices' maker,
// as its callers see it: SNMP channels (get, get-next, broadcast get) and the
// discovery and information calls of the devices. __stdcall functions bound by
// ordinal only (VarnelApi.names; the number beside each declaration). Records
// are laid out for 32-bit Windows; the offsets in the comments are those of
// the 32-bit build.

#include <windows.h>

#include <cstddef>

#ifdef VARNELAPI_BUILDING
#define VARNELAPI_API extern "C"
#else
#define VARNELAPI_API extern "C" __declspec(dllimport)
#endif
#define VARNELAPI_CALL __stdcall

typedef void* VARNEL_HANDLE;

// Results: 0 is success, everything else a failure.
enum VarnelResult {
  VARNEL_OK = 0,
  VARNEL_E_PARAMETER = 1,  // an argument or record field is not what the call takes
  VARNEL_E_HANDLE = 2,     // not a live handle of this library
  VARNEL_E_NO_MEMORY = 3,
  VARNEL_E_SOCKET = 4,             // Winsock refused (start-up, socket, send, receive)
  VARNEL_E_TIMEOUT = 5,            // no answer within the tries (a broadcast: nobody answered)
  VARNEL_E_UNREACHABLE = 6,        // the device's port is closed (ICMP port unreachable)
  VARNEL_E_DECODE = 7,             // the answer was not a well-formed SNMP message
  VARNEL_E_SNMP_ERROR = 8,         // an error status, or a get-next answer that did not move forward
  VARNEL_E_NO_SUCH_OBJECT = 9,     // no such object or instance (v1: noSuchName)
  VARNEL_E_END_OF_MIB = 10,        // get-next went past the last object
  VARNEL_E_BUFFER_TOO_SMALL = 11,  // an identifier, value or result does not fit the caller's buffer
  VARNEL_E_CONFIGURATION = 12,     // a setting or the device description file is unreadable (README.md)
  VARNEL_E_NOT_FOUND = 13,         // no device of that address
  VARNEL_E_DEVICE = 14,            // the device refused the request
  VARNEL_E_NOT_SUPPORTED = 15,     // the device lacks that function
};

// ---- SNMP -----------------------------------------------------------------

// Channel modes (ordinal 120).
#define VARNEL_CHANNEL_DEVICE 0x00020001UL     // SNMP over UDP to one device
#define VARNEL_CHANNEL_BROADCAST 0x01020001UL  // SNMP over UDP to every device that answers

// Request versions.
#define VARNEL_SNMP_V1 1
#define VARNEL_SNMP_V2C 2

// One variable binding (24 bytes).
typedef struct VarnelSnmpBinding {
  DWORD identifierLength;  // 0: get: length of the identifier text; get-next: size of its buffer
  char* identifier;        // 4: dotted text; get-next overwrites it with the identifier answered
  DWORD valueLength;       // 8: in: size of the value buffer; out: length of the value
  DWORD valueType;         // 12: out: BER type of the value (4 octet string, 2 integer, 64 IpAddress ...)
  BYTE* value;             // 16: integers little-endian (4 bytes; Counter64 8), strings as received
  DWORD reserved;          // 20: 0
} VarnelSnmpBinding;

// A request, and the shape of each device's answer to a broadcast (16 bytes).
typedef struct VarnelSnmpRequest {
  DWORD version;                // 0: VARNEL_SNMP_V1 or VARNEL_SNMP_V2C
  char* community;              // 4
  DWORD bindingCount;           // 8
  VarnelSnmpBinding* bindings;  // 12
} VarnelSnmpRequest;

// One device that answered a broadcast (24 bytes).
typedef struct VarnelSnmpDevice {
  BYTE address[4];            // 0: IPv4 address, first octet first
  DWORD snmpVersion;          // 4: version of the answer (VARNEL_SNMP_V1 or VARNEL_SNMP_V2C)
  DWORD errorStatus;          // 8: error status of the answer
  DWORD errorIndex;           // 12
  DWORD status;               // 16: VARNEL_OK for a usable record, else why it is not
  VarnelSnmpRequest* answer;  // 20: the answer; its bindings are empty unless status is VARNEL_OK
} VarnelSnmpDevice;

// 120: opens a channel; address: 4 bytes (255.255.255.255 for a broadcast channel).
VARNELAPI_API int VARNELAPI_CALL VarnelOpen(DWORD mode, const BYTE* address, VARNEL_HANDLE* channel);
// 121, 122: get and get-next of the request's bindings, each try waiting
// `secondsPerTry` for the answer.
VARNELAPI_API int VARNELAPI_CALL VarnelSnmpGet(VARNEL_HANDLE channel, DWORD tries, DWORD secondsPerTry,
                                               VarnelSnmpRequest* request);
VARNELAPI_API int VARNELAPI_CALL VarnelSnmpGetNext(VARNEL_HANDLE channel, DWORD tries, DWORD secondsPerTry,
                                                   VarnelSnmpRequest* request);
// 124
VARNELAPI_API int VARNELAPI_CALL VarnelClose(VARNEL_HANDLE channel);
// 125: sends the get `tries` times and collects the answers of every device in
// the caller's buffer: the device records first, then their answers. `count`
// receives the number of records; when they do not all fit, the result is
// VARNEL_E_BUFFER_TOO_SMALL, the records that fit are there and `resultSize`
// receives the size needed.
VARNELAPI_API int VARNELAPI_CALL VarnelSnmpBroadcastGet(VARNEL_HANDLE channel, DWORD tries,
                                                        VarnelSnmpRequest* request, BYTE** result,
                                                        DWORD* count, DWORD* resultSize);

// ---- Devices --------------------------------------------------------------

#define VARNEL_DISCOVERY_VERSION 2
#define VARNEL_DISCOVERY_METHOD 0x00030001UL

// Discovery request (nine 32-bit fields).
typedef struct VarnelDiscoveryRequest {
  DWORD method;        // VARNEL_DISCOVERY_METHOD
  DWORD timeout;       // 0: the library's default
  DWORD retries;       // 0: the library's default
  DWORD localSegment;  // 1: the caller's own network segment
  DWORD hopLimit;
  DWORD filter;
  DWORD resolveNames;  // 1: with model texts
  DWORD reserved[2];
} VarnelDiscoveryRequest;

// One device found (address text at offset 36).
typedef struct VarnelDeviceRecord {
  DWORD size;         // 0
  DWORD functions;    // 4: function bits
  DWORD reserved[7];  // 8
  char* address;      // 36: dotted IPv4 address
  char* model;        // 40
} VarnelDeviceRecord;

// Function bits and codes.
#define VARNEL_FUNCTION_PRINTER 1
#define VARNEL_FUNCTION_SCANNER 2
#define VARNEL_FUNCTION_FAX 4
#define VARNEL_FUNCTION_COPIER 8

// Information classes of ordinal 2665: bit k asks for the record of slot k.
#define VARNEL_INFO_SYSTEM 0x001
#define VARNEL_INFO_NETWORK 0x010
#define VARNEL_INFO_INTERFACE 0x020
#define VARNEL_INFO_STORAGE 0x200

typedef struct VarnelSystemRecord {
  char* machineName;  // 0: null when the device has none
  char* model;        // 4
} VarnelSystemRecord;

typedef struct VarnelNetworkRecord {
  DWORD addressLength;  // 0: 4
  BYTE* address;        // 4: IPv4 address, first octet first
} VarnelNetworkRecord;

typedef struct VarnelInterfaceRecord {
  DWORD size;               // 0
  DWORD type;               // 4: 6 (Ethernet)
  BYTE physicalAddress[6];  // 8
  WORD reserved;            // 14
} VarnelInterfaceRecord;

typedef struct VarnelStorageRecord {
  DWORD totalSize;  // 0
  DWORD usedSize;   // 4
} VarnelStorageRecord;

// Device information: one record pointer per slot, null when not asked for or
// not known (system at 0, network at 16, interface at 20, storage at 36).
typedef struct VarnelDeviceInformation {
  VarnelSystemRecord* system;
  void* reserved1[3];
  VarnelNetworkRecord* network;
  VarnelInterfaceRecord* nic;
  void* reserved6[3];
  VarnelStorageRecord* storage;
} VarnelDeviceInformation;

typedef struct VarnelFunctionStatus {
  DWORD function;  // 0: function code
  DWORD state;     // 4
  char* text;      // 8: status text
} VarnelFunctionStatus;

typedef struct VarnelFunctionInformation {
  VarnelFunctionStatus* status;  // 0
} VarnelFunctionInformation;

// 2100: finds the devices; `devices` receives an array of `count` record pointers.
VARNELAPI_API int VARNELAPI_CALL VarnelDiscoverDevices(DWORD version, const VarnelDiscoveryRequest* request,
                                                       DWORD flags, VARNEL_HANDLE* discovery, DWORD* count,
                                                       VarnelDeviceRecord*** devices);
// 2101
VARNELAPI_API int VARNELAPI_CALL VarnelReleaseDiscovery(VARNEL_HANDLE discovery);
// 2660: timeout -1 is the library's default.
VARNELAPI_API int VARNELAPI_CALL VarnelOpenDevice(const char* address, int timeout, DWORD flags,
                                                  VARNEL_HANDLE* device);
// 2661: the low byte of `functions` receives the function bits.
VARNELAPI_API int VARNELAPI_CALL VarnelGetSupportedFunctions(VARNEL_HANDLE device, DWORD reserved1,
                                                             DWORD reserved2, DWORD* functions);
// 2665: `what` is a mask of VARNEL_INFO_...; version 1.
VARNELAPI_API int VARNELAPI_CALL VarnelGetDeviceInformation(VARNEL_HANDLE device, DWORD what, DWORD reserved1,
                                                            DWORD version, DWORD reserved2, DWORD reserved3,
                                                            VarnelDeviceInformation** information);
// 2666
VARNELAPI_API int VARNELAPI_CALL VarnelReleaseDeviceInformation(VarnelDeviceInformation* information,
                                                                DWORD version, DWORD reserved);
// 2667: version 1, detail 1.
VARNELAPI_API int VARNELAPI_CALL VarnelGetFunctionInformation(VARNEL_HANDLE device, DWORD function,
                                                              DWORD version, DWORD reserved1, DWORD detail,
                                                              DWORD reserved2, DWORD reserved3,
                                                              VarnelFunctionInformation** information);
// 2668
VARNELAPI_API int VARNELAPI_CALL VarnelReleaseFunctionInformation(DWORD function,
                                                                  VarnelFunctionInformation* information,
                                                                  DWORD version, DWORD reserved);
// 2671
VARNELAPI_API int VARNELAPI_CALL VarnelCloseDevice(VARNEL_HANDLE device, DWORD flags);

// The 32-bit layouts callers rely on.
#if !defined(_WIN64)
static_assert(sizeof(VarnelSnmpBinding) == 24 && sizeof(VarnelSnmpRequest) == 16, "SNMP records");
static_assert(sizeof(VarnelSnmpDevice) == 24 && offsetof(VarnelSnmpDevice, status) == 16 &&
                  offsetof(VarnelSnmpDevice, answer) == 20 && offsetof(VarnelSnmpRequest, bindings) == 12,
              "broadcast records");
static_assert(sizeof(VarnelDiscoveryRequest) == 36 && offsetof(VarnelDeviceRecord, address) == 36,
              "discovery records");
static_assert(offsetof(VarnelDeviceInformation, network) == 16 &&
                  offsetof(VarnelDeviceInformation, nic) == 20 &&
                  offsetof(VarnelDeviceInformation, storage) == 36 &&
                  offsetof(VarnelNetworkRecord, address) == 4 &&
                  offsetof(VarnelInterfaceRecord, physicalAddress) == 8 &&
                  offsetof(VarnelFunctionStatus, text) == 8,
              "information records");
#endif
