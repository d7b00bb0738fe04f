#pragma once

#include <string>

#include "RecordedPlatform.h"

// Data the spooler's records point to, besides plain texts, built from a
// scenario section. `last` says the data must end exactly where the answer
// ends (it lacks its terminator or is cut short).

// The DEVMODEA of "[printer NAME]", with its private driver data; empty when
// the section has no "devMode = yes". Keys: dm.deviceName dm.formName (texts,
// cut to 32 bytes, a 32-byte one without terminator), dm.<field> for the
// numeric fields (dm.specVersion dm.driverVersion dm.size dm.driverExtra
// dm.fields dm.orientation dm.paperSize dm.paperLength dm.paperWidth dm.scale
// dm.copies dm.defaultSource dm.printQuality dm.color dm.duplex dm.yResolution
// dm.ttOption dm.collate dm.logPixels dm.bitsPerPel dm.pelsWidth dm.pelsHeight
// dm.displayFlags dm.displayFrequency), dm.extra (hex bytes of the private
// data; dm.driverExtra defaults to their count) and dm.stored (how many bytes
// of record and private data the answer really holds; fewer than stated puts
// them last).
std::string recordedDevMode(const RecordedPlatform& machine, const std::string& section, bool& last);

// A list of zero-terminated names ending in an empty one, from "a, b, c" in
// `key`. With "<key>End = open" the list lacks its closing terminators, the
// last name included.
std::string recordedNameList(const RecordedPlatform& machine, const std::string& section,
                             const std::string& key, bool& last);
