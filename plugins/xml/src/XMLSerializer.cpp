#include "XMLSerializer.h"

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <new>

#include "XmlText.h"
#include "nox/Error.h"
#include "nox/FileUtil.h"
#include "nox/Module.h"

namespace {

// The document is handed to the device in large pieces, not one write per
// token: every device write is a file system call.
constexpr size_t kWriteChunk = 64 * 1024;

// Comment line of the settings file: up to 1023 characters.
constexpr DWORD kCommentBuffer = 1024;

const char* typeWord(IReport::ReportType type) {
  switch (type) {
    case IReport::REPORT_TEXT:
      return "text";
    case IReport::REPORT_INTEGER:
      return "integer";
    case IReport::REPORT_REAL:
      return "real";
    case IReport::REPORT_DATETIME:
      return "datetime";
    case IReport::REPORT_PATH:
      return "path";
    case IReport::REPORT_BINARY:
      return "binary";
    default:
      return nullptr;
  }
}

[[noreturn]] void raiseLastError(unsigned int id, const char* method) {
  DWORD error = GetLastError();
  throwException(id, error, error, noxThisModule(), __FILE__, __LINE__, "FileDevice", method);
}

// Writes the bytes of a binary value to a fresh data file in the work folder's
// "binaries" folder and returns the data file's full path.
std::string writeDataFile(const void* data, long length) {
  std::string folder = std::string(getWorkFolder()) + "\\binaries";
  noxMkDir(folder.c_str());
  char path[MAX_PATH];
  if (!noxUniqFileName(path, folder.c_str(), "binary.dat")) raiseLastError(NOX_ERR_FILE_OPEN, "open");
  HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) raiseLastError(NOX_ERR_FILE_OPEN, "open");
  DWORD written = 0;
  bool ok = length <= 0 || !data ||
            (WriteFile(file, data, static_cast<DWORD>(length), &written, nullptr) &&
             written == static_cast<DWORD>(length));
  DWORD error = GetLastError();
  CloseHandle(file);
  if (!ok)
    throwException(NOX_ERR_FILE_WRITE, error, error, noxThisModule(), __FILE__, __LINE__, "FileDevice",
                   "write");
  return path;
}

}  // namespace

// One document: the output buffer and the walk over the tree.
class XmlSerializer::Writer {
 public:
  Writer(IFileDevice& device, String& binariesFolder, const xmltext::CodePageBytes& bytes)
      : device_(device), binariesFolder_(binariesFolder), bytes_(bytes) {}

  std::string& out() { return out_; }

  void element(const IReport& report, int depth) {
    xmltext::ElementName name = xmltext::elementName(report.getName().getData(), bytes_);
    if (depth == 2) binariesFolder_ = name.name.c_str();

    bool success = report.isSuccess();
    std::string value = success ? valueText(report) : std::string(report.getErrorText().getData());
    const char* type = success && !value.empty() ? typeWord(report.getType()) : nullptr;

    // The writer's own attributes keep their names; a report attribute of the
    // same name moves aside.
    xmltext::StartTagNames names;
    if (name.changed) names.reserve("formalName");
    if (type) names.reserve("type");
    if (!success) names.reserve("IsSuccess");

    xmltext::appendIndent(out_, depth);
    out_ += '<';
    out_ += name.name;
    if (name.changed) {
      out_ += " formalName=\"";
      xmltext::appendAttributeValue(out_, report.getName().getData(), bytes_);
      out_ += '"';
    }
    const IReportAttributes& attributes = report.getAttributes();
    for (unsigned int i = 0; i < attributes.getCount(); ++i) {
      const IReportAttribute& attribute = attributes.getItem(i);
      out_ += ' ';
      out_ += names.claim(xmltext::attributeName(attribute.getName().getData(), bytes_));
      out_ += "=\"";
      xmltext::appendAttributeValue(out_, attribute.getValue().getData(), bytes_);
      out_ += '"';
    }
    if (type) {
      out_ += " type=\"";
      out_ += type;
      out_ += '"';
    }
    if (!success) out_ += " IsSuccess=\"false\"";
    out_ += ">\r\n";
    if (!value.empty()) {
      xmltext::appendIndent(out_, depth + 1);
      xmltext::appendText(out_, value.c_str(), bytes_);
      out_ += "\r\n";
    }
    if (out_.size() >= kWriteChunk) flush();

    const IReports& children = report.getSubReports();
    for (unsigned int i = 0; i < children.getCount(); ++i) element(children.getItem(i), depth + 1);

    xmltext::appendIndent(out_, depth);
    out_ += "</";
    out_ += name.name;
    out_ += ">\r\n";
  }

  void flush() {
    if (out_.empty()) return;
    device_.write(out_.data(), static_cast<int>(out_.size()));
    out_.clear();
  }

 private:
  std::string valueText(const IReport& report) {
    const void* value = report.getValue();
    switch (report.getType()) {
      case IReport::REPORT_TEXT:
        return value ? static_cast<const char*>(value) : "";
      case IReport::REPORT_INTEGER: {
        if (!value) return std::string();
        int32_t number;
        std::memcpy(&number, value, sizeof number);
        return xmltext::integerText(number);
      }
      case IReport::REPORT_REAL: {
        if (!value) return std::string();
        double number;
        std::memcpy(&number, value, sizeof number);
        return xmltext::realText(number);
      }
      case IReport::REPORT_DATETIME:
        return value ? xmltext::dateTimeText(static_cast<const unsigned char*>(value)) : std::string();
      case IReport::REPORT_PATH: {
        const char* source = static_cast<const char*>(value);
        // No path, no file to carry: the element stays without text. The same
        // for a path naming nothing: plug-ins may name a file they could not
        // produce, and the rest of the document must not be lost for it.
        if (!source || !*source || GetFileAttributesA(source) == INVALID_FILE_ATTRIBUTES)
          return std::string();
        std::string name =
            xmltext::pathRelativeName(binariesFolder_.getData(), report.getName().getData(), source, bytes_);
        device_.copyFile(source, name.c_str());
        return name;
      }
      case IReport::REPORT_BINARY: {
        std::string dataFile = writeDataFile(value, report.getValueLength());
        std::string name =
            xmltext::binaryRelativeName(binariesFolder_.getData(), noxGetBaseName(dataFile.c_str()));
        device_.copyFile(dataFile.c_str(), name.c_str());
        return name;
      }
      default:
        return std::string();
    }
  }

  IFileDevice& device_;
  String& binariesFolder_;
  const xmltext::CodePageBytes& bytes_;
  std::string out_;
};

XmlSerializer::XmlSerializer() = default;

XmlSerializer::~XmlSerializer() = default;

void XmlSerializer::open(IFileDevice* device) {
  device_ = device;
  if (device_) device_->open();
}

void XmlSerializer::close(IFileDevice*) {
  IFileDevice* device = device_;
  device_ = nullptr;
  if (device) device->close();
}

void XmlSerializer::flush() {
  if (!device_) return;
  device_->flush();
  device_->close();
}

const char* XmlSerializer::getExtension() { return "xml"; }

std::string XmlSerializer::settingsFile() const {
  if (!settingsFile_.empty()) return settingsFile_;
  char program[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, program, MAX_PATH);
  char folder[MAX_PATH] = {};
  noxGetPath(program, folder, MAX_PATH);
  return std::string(folder) + "\\NxInfo.ini";
}

void XmlSerializer::serialize(IReport& root) {
  if (!device_)
    throwException(NOX_ERR_FILE_WRITE, 0, 0, noxThisModule(), __FILE__, __LINE__, "XMLSerializer",
                   "serialize");
  try {
    unsigned int codePage = codePage_ ? codePage_ : GetACP();
    xmltext::CodePageBytes bytes(codePage,
                                 [codePage](unsigned char b) { return IsDBCSLeadByteEx(codePage, b) != 0; });
    Writer writer(*device_, binariesFolder_, bytes);
    writer.out() = xmltext::declaration(codePage);

    char comment[kCommentBuffer] = {};
    GetPrivateProfileStringA("Serializer", "Comment", "", comment, kCommentBuffer, settingsFile().c_str());
    if (comment[0]) {
      writer.out() += comment;
      writer.out() += "\r\n";
    }

    writer.element(root, 0);
    writer.flush();
  } catch (const std::bad_alloc&) {
    throwMemoryException(noxThisModule(), __FILE__, __LINE__, "XMLSerializer", "serialize");
  }
}
