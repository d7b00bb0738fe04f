#pragma once

#include <windows.h>

// What DVQConnect.nxo says and asks for, in one place.
namespace dvqconnect {

// The product's remote components: the server editions and the classes that
// stand for them on a document server. Bits 1 and 2 are two editions of one
// server component; bit 4 is the gateway.
constexpr CLSID kServerClass = {0x1405C4C9, 0xA56B, 0x41CB, {0x82, 0x20, 0x1B, 0x57, 0xE6, 0x4C, 0x5F, 0xB0}};
constexpr CLSID kGatewayClass = {
    0xB0F23B2B, 0x2802, 0x41D8, {0x99, 0x74, 0xCB, 0xB2, 0x43, 0x32, 0x72, 0x65}};
// The interface every edition's component is asked for.
constexpr IID kProductInterface = {
    0xB54BBD7E, 0xDB7E, 0x4635, {0xAE, 0x67, 0x59, 0x19, 0x7C, 0xFD, 0x3A, 0xA6}};

struct Edition {
  unsigned char bit;
  const char* displayName;
  const CLSID* classId;
};

// In the order they are examined.
constexpr Edition kEditions[] = {
    {0x01, "Kestin DS Standard Edition", &kServerClass},
    {0x02, "Kestin DS Enterprise Edition", &kServerClass},
    {0x04, "Kestin DS Document Gateway", &kGatewayClass},
};

// CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER
constexpr DWORD kActivationContext = 21;

constexpr char kFormTitle[] = "DVQ Server Connect Information";
constexpr char kTargetEntry[] = "Target server Name";
constexpr char kRootReport[] = "dvqConnect";
constexpr char kServerReport[] = "dvqConnectServer";
constexpr char kServersNode[] = "dvqConnectServers";
constexpr char kServerNameNode[] = "serverName";
constexpr char kInterfacesNode[] = "interfaces";
constexpr char kInterfaceNode[] = "interface";
constexpr char kNameNode[] = "name";
constexpr char kResultNode[] = "result";
constexpr char kIndexAttribute[] = "index";

constexpr char kComFailed[] = "Initialize COM Failed";
constexpr char kServerInfoFailed[] = "NoxRecvServer Failed";
constexpr char kNotInstalled[] = "Kestin DS product is not installed";
constexpr char kSuccess[] = "success";
constexpr char kFailed[] = "failed";

}  // namespace dvqconnect
