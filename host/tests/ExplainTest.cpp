#include "Explain.h"

#include <gtest/gtest.h>

namespace {

using host::ErrorFacts;
using host::FailureContext;

ErrorFacts record(unsigned int id, unsigned int returnValue, unsigned int lastError, const char* cls,
                  const char* method) {
  ErrorFacts facts;
  facts.id = id;
  facts.returnValue = returnValue;
  facts.lastError = lastError;
  facts.className = cls;
  facts.method = method;
  facts.module = "NoxCore.dll";
  facts.file = "FileDevice.cpp";
  facts.line = 405;
  return facts;
}

// The XML serializer names the device's class for its own data files.
ErrorFacts serializerRecord() {
  ErrorFacts facts = record(5, 5, 5, "FileDevice", "open");
  facts.module = "XML.nxw";
  facts.file = "Plugins/XMLPlugin/Src/XMLSerializer";
  return facts;
}

FailureContext packed(int splitKiB = 0, const char* target = "C:\\Results") {
  FailureContext context;
  context.splitKiB = splitKiB;
  context.selfExtractorBytes = 180000;  // 176 KiB with the part header
  context.target = target;
  return context;
}

struct Row {
  ErrorFacts facts;
  FailureContext context;
  const char* words;
};

TEST(Explain, EveryErrorOfTheCoreInWords) {
  FailureContext plain = packed();
  plain.compress = false;
  FailureContext window = packed(1);
  window.console = false;
  const std::vector<Row> rows = {
      // The split, by the archive engine's code.
      {record(5, 2, 0, "FileDevice", "concatSelfEx"), packed(1),
       "the part size (1 KiB) is smaller than the self-extracting program (176 KiB); use --split 176 or "
       "larger"},
      {record(5, 2, 0, "FileDevice", "concatSelfEx"), window,
       "the part size (1 KiB) is smaller than the self-extracting program (176 KiB); choose parts of 176 "
       "KiB"},
      {record(5, 2, 0, "FileDevice", "concatSelfEx"), packed(1423, "\\\\server\\share"),
       "the target folder must be on a drive letter"},
      {record(5, 2, 0, "FileDevice", "concatSelfEx"), packed(200),
       "the result would need more than 10000 parts of 200 KiB; use a larger --split"},
      {record(5, 6, 0, "FileDevice", "concatSelfEx"), packed(665600),
       "not enough memory for parts of 665600 KiB; use a smaller --split"},
      {record(5, 3, 0, "FileDevice", "concatSelfEx"), packed(1423), "could not be opened to split it"},
      {record(5, 10, 0, "FileDevice", "concatSelfEx"), packed(1423), "could not be read while it was split"},
      {record(5, 15, 19, "FileDevice", "concatSelfEx"), packed(1423), "the disk is write-protected"},
      {record(5, 16, 21, "FileDevice", "concatSelfEx"), packed(1423),
       "the drive is not ready: insert a disk"},
      // Packing, by the archive engine's code.
      {record(5, 1, 0, "FileDevice", "createArchive"), packed(), "there was no folder to pack"},
      {record(5, 2, 0, "FileDevice", "createArchive"), packed(), "the archive was set up wrongly"},
      {record(5, 3, 2, "FileDevice", "createArchive"), packed(), "a file of the result could not be opened"},
      {record(5, 4, 3, "FileDevice", "createArchive"), packed(), "a folder of the result disappeared"},
      {record(5, 5, 0, "FileDevice", "createArchive"), packed(), "refused an internal handle"},
      {record(5, 6, 8, "FileDevice", "createArchive"), packed(), "ran out of memory while packing"},
      {record(5, 7, 0, "FileDevice", "createArchive"), packed(), "seek error"},
      {record(5, 8, 0, "FileDevice", "createArchive"), packed(),
       "a file in the result is open in another program (sharing violation): close it and run again"},
      {record(5, 9, 112, "FileDevice", "createArchive"), packed(),
       "the disk is full: free some space in the temporary folder and in C:\\Results"},
      {record(5, 10, 0, "FileDevice", "createArchive"), packed(), "could not be read while packing"},
      {record(5, 11, 0, "FileDevice", "createArchive"), packed(), "the archive could not be written"},
      {record(5, 12, 0, "FileDevice", "createArchive"), packed(), "could not be compressed"},
      {record(5, 13, 0, "FileDevice", "createArchive"), packed(), "4 GB or larger"},
      {record(5, 14, 0, "FileDevice", "createArchive"), packed(), "packing was stopped"},
      {record(5, 15, 19, "FileDevice", "createArchive"), packed(), "write-protected"},
      {record(5, 16, 21, "FileDevice", "createArchive"), packed(), "not ready"},
      // The file device's own steps, with the system error in words.
      {record(5, 5, 5, "FileDevice", "open"), plain,
       "the result document could not be created in C:\\Results: access is denied"},
      {record(5, 3, 3, "FileDevice", "open"), packed(),
       "could not be created in the temporary folder: the folder does not exist"},
      {record(6, 112, 112, "FileDevice", "write"), packed(), "could not be written: the disk is full"},
      {record(6, 5, 5, "FileDevice", "copyFile(C:\\logs\\a.log, C:\\t\\arcTmp\\PC\\a.log)"), packed(),
       "could not be copied into the result (C:\\logs\\a.log): access is denied"},
      {record(5, 5, 5, "FileDevice", "concatSelfEx"), packed(),
       "NoxResult.exe could not be created in C:\\Results: access is denied"},
      {record(6, 112, 112, "FileDevice", "concatSelfEx"), packed(),
       "NoxResult.exe could not be written in C:\\Results: the disk is full"},
      {record(5, 2, 2, "FileDevice", "concatSelfEx"), packed(), "the archive was not made"},
      {record(5, 80, 80, "FileDevice", "setFileName"), packed(), "no temporary folder could be made"},
      {record(6, 32, 32, "FileDevice", "write"), packed(), "sharing violation): close it and run again"},
      // Other IDs.
      {record(0, 0, 1, "SystemReporter", "startObservation"), packed(), "used before it was ready"},
      {record(0, 0, 126, "Plugin", "load"), packed(), "a plug-in module could not be loaded"},
      {record(1, 9, 0, "Array", "getAt"), packed(), "out of range in Array::getAt"},
      {record(2, 0, 8, "Report", "getImpl"), packed(), "ran out of memory"},
      {record(3, 2, 2, "RegistryValue", "query"), packed(), "a registry value could not be read"},
      {record(4, 0, 127, "SerializerPlugin", "load"), packed(), "lacks its getSerializer export"},
      {serializerRecord(), packed(),
       "a data file of the result could not be created in the temporary folder"},
      {record(5, 5, 5, "Other", "open"), packed(), "a file could not be created or opened: access is denied"},
      {record(6, 0, 32, "", "write"), packed(), "sharing violation"},
      {record(65537, 0, 2, "SerializerPlugin", "load"), packed(), "no plug-in modules (*.nxo) were found"},
      {record(65538, 0, 2, "SerializerPlugin", "load"), packed(), "no serializer module (XML.nxw) was found"},
      {record(77, 0, 0, "X", "y"), packed(), "error ID 77"},
  };
  for (size_t i = 0; i < rows.size(); ++i) {
    std::string words = host::explainFailure(rows[i].facts, rows[i].context);
    EXPECT_NE(words.find(rows[i].words), std::string::npos) << "row " << i << ": " << words;
  }
}

TEST(Explain, TheRecordStaysForSupport) {
  ErrorFacts facts = record(5, 2, 0, "FileDevice", "concatSelfEx");
  EXPECT_EQ(host::errorRecordText(facts),
            "error ID 5, return value 2 (0x2), system error 0, in NoxCore.dll, FileDevice.cpp line 405, "
            "FileDevice::concatSelfEx");
  facts.className = "";
  facts.memo = "note";
  EXPECT_EQ(host::errorRecordText(facts),
            "error ID 5, return value 2 (0x2), system error 0, in NoxCore.dll, FileDevice.cpp line 405, "
            "concatSelfEx (note)");
}

TEST(Explain, TheUsersStopIsNoFailure) {
  EXPECT_TRUE(host::stoppedByUser(record(5, 14, 0, "FileDevice", "concatSelfEx")));
  EXPECT_TRUE(host::stoppedByUser(record(5, 14, 0, "FileDevice", "createArchive")));
  EXPECT_FALSE(host::stoppedByUser(record(5, 2, 0, "FileDevice", "concatSelfEx")));
  EXPECT_FALSE(host::stoppedByUser(record(6, 14, 14, "FileDevice", "write")));
}

TEST(Explain, PartSizes) {
  EXPECT_EQ(host::smallestPartKiB(180000), 176);
  EXPECT_EQ(host::smallestPartKiB(1024 - 96), 1);
  EXPECT_EQ(host::smallestPartKiB(1024 - 95), 2);
  EXPECT_TRUE(host::onDriveLetter("A:\\"));
  EXPECT_TRUE(host::onDriveLetter("d:\\Parts"));
  EXPECT_FALSE(host::onDriveLetter("\\\\server\\share"));
  EXPECT_FALSE(host::onDriveLetter("Parts"));
}

}  // namespace
