#include "XmlTestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "nox/FileUtil.h"

namespace xmltest {

void RecordingDevice::open() {
  calls.push_back("open");
  open_ = true;
}

void RecordingDevice::close() {
  calls.push_back("close");
  open_ = false;
}

void RecordingDevice::write(const char* buffer, int length) { document.append(buffer, length); }

void RecordingDevice::write(const IString& text) { document += text.getData(); }

void RecordingDevice::copyFile(const char* source, const char* name) {
  copies.push_back({source, name});
  if (failCopy == static_cast<int>(copies.size())) {
    throwException(NOX_ERR_FILE_WRITE, 0, ERROR_ACCESS_DENIED, nullptr, __FILE__, __LINE__, "FileDevice",
                   "copyFile");
  }
  if (folder_.empty()) return;
  std::string target = folder_ + "\\" + name;
  char parent[MAX_PATH];
  noxGetPath(target.c_str(), parent, MAX_PATH);
  noxMkDir(parent);
  DWORD attributes = GetFileAttributesA(source);
  bool ok = (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
                ? noxCpDir(source, target.c_str()) != 0
                : CopyFileA(source, target.c_str(), FALSE) != 0;
  if (!ok) {
    DWORD error = GetLastError();
    throwException(NOX_ERR_FILE_WRITE, error, error, nullptr, __FILE__, __LINE__, "FileDevice", "copyFile");
  }
}

Report& add(Report& parent, const char* name, IReport::ReportType type) {
  Report* report = new Report();
  report->setName(name);
  report->setType(type);
  parent.getSubReportsImpl().addItem(report);
  return *report;
}

Report& addText(Report& parent, const char* name, const char* value) {
  Report& report = add(parent, name, IReport::REPORT_TEXT);
  report.setValue(const_cast<char*>(value), static_cast<long>(strlen(value) + 1));
  return report;
}

Report& addInteger(Report& parent, const char* name, int value) {
  Report& report = add(parent, name, IReport::REPORT_INTEGER);
  report.setValue(&value, sizeof value);
  return report;
}

Report& addReal(Report& parent, const char* name, double value) {
  Report& report = add(parent, name, IReport::REPORT_REAL);
  report.setValue(&value, sizeof value);
  return report;
}

Report& addDateTime(Report& parent, const char* name, const SYSTEMTIME& value) {
  Report& report = add(parent, name, IReport::REPORT_DATETIME);
  SYSTEMTIME copy = value;
  report.setValue(&copy, sizeof copy);
  return report;
}

Report& addPath(Report& parent, const char* name, const char* path) {
  Report& report = add(parent, name, IReport::REPORT_PATH);
  report.setValue(const_cast<char*>(path), static_cast<long>(strlen(path) + 1));
  return report;
}

Report& addBinary(Report& parent, const char* name, const std::string& bytes) {
  Report& report = add(parent, name, IReport::REPORT_BINARY);
  report.setValue(const_cast<char*>(bytes.data()), static_cast<long>(bytes.size()));
  return report;
}

Report& addFailed(Report& parent, const char* name, const char* errorText) {
  Report& report = add(parent, name);
  report.setSuccess(false);
  report.setErrorText(errorText);
  return report;
}

void addAttribute(Report& report, const char* name, const char* value) {
  ReportAttribute* attribute = new ReportAttribute();
  attribute->setName(name);
  attribute->setValue(value);
  report.getAttributesImpl().addItem(attribute);
}

namespace {
class UtilityEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { ASSERT_EQ(initializeUtility(), 1); }
  void TearDown() override { uninitializeUtility(); }
};
}  // namespace

void initializeUtilityForTests() { ::testing::AddGlobalTestEnvironment(new UtilityEnvironment); }

}  // namespace xmltest
