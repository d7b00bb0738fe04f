#pragma once

// The document server product family as DVQInfo.nxo knows it: where each
// product keeps its version, what it is called, how its sub-types are named and
// which installer codes name the marker files. One table, used by the module
// and its tests.
namespace dvqinfo {

constexpr char kFamilyKey[] = "Software\\Varco\\Tessaro";

// Product mask bits.
enum : unsigned long {
  kEditionA = 1,
  kEditionB = 2,
  kEditionC = 4,
  kEditionD = 8,
  kPelion = 32,
  kBrennock = 64,
};

// Editions A to C keep "Version" in a version key below their base key.
constexpr char kEditionABase[] = "Software\\Varco\\Tessaro\\Standard";
constexpr char kEditionAVersion[] = "Software\\Varco\\Tessaro\\Standard\\CurrentVersion";
constexpr char kEditionBVersion[] = "Software\\Varco\\Tessaro\\Enterprise\\CurrentVersion";
constexpr char kEditionCVersion[] = "Software\\Varco\\Tessaro\\Gateway\\CurrentVersion";
// Edition D keeps everything in one key.
constexpr char kEditionDKey[] = "Software\\Varco\\Tessaro\\Gimlet";
constexpr char kPelionKey[] = "Software\\Varco\\Pelion";
constexpr char kBrennockKey[] = "Software\\Varco\\Brennock";
constexpr char kSarnetKey[] = "Software\\Varco\\Sarnet2";

constexpr char kEditionAName[] = "Kestin DS Standard Edition";
constexpr char kEditionBName[] = "Kestin DS Enterprise Edition";
constexpr char kEditionCName[] = "Kestin DS Document Gateway";
constexpr char kEditionDName[] = "Kestin DS Gimlet Server";
constexpr char kBrennockName[] = "Kestin Brennock";
constexpr char kPelionName[] = "Kestin Pelion";

// Sub-types of edition D: the first for Type AND 3 = 2, the second the usual
// one, the third for "Ep".
constexpr char kEditionDFirstSubType[] = "Gimlet Light";
constexpr char kEditionDSecondSubType[] = "Gimlet Professional";
constexpr char kEditionDThirdSubType[] = "Gimlet Enterprise Plus";
constexpr char kEditionBSubType[] = "Wimble";
constexpr char kBrennockSubType[] = "Brennock";
constexpr char kUnknown[] = "Unknown";

// Marker files the installers leave in the installation folders.
constexpr char kEditionBMarker[] = "{4C7A9E21-5B3D-4F08-9A61-2E8D0C5B7F14}.ism";
constexpr char kBrennockMarker[] = "{A3E5F7B9-1C2D-4E6F-8A0B-9C1D2E3F4A5B}.ism";

}  // namespace dvqinfo
