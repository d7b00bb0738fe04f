#include "XmlText.h"

#include <cstdio>
#include <cstring>

namespace xmltext {

namespace {

bool isAsciiLetter(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool isDigit(unsigned char c) { return c >= '0' && c <= '9'; }

// Control pictures: U+2400 + the control byte.
void appendControlPicture(std::string& out, unsigned char c) {
  char reference[16];
  std::snprintf(reference, sizeof reference, "&#x%X;", 0x2400u + c);
  out += reference;
}

void appendEscaped(std::string& out, const char* text, const CodePageBytes& bytes, bool attribute) {
  if (!text) return;
  while (*text) {
    unsigned char c = static_cast<unsigned char>(*text);
    if (bytes.isLead(c)) {
      if (bytes.charLength(text) == 2) {
        out.append(text, 2);
        text += 2;
      } else {
        out += "&#xFFFD;";
        ++text;
      }
      continue;
    }
    switch (c) {
      case '"':
        out += "&quot;";
        break;
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '\t':
        out += attribute ? "&#9;" : "\t";
        break;
      case '\n':
        out += attribute ? "&#10;" : "\n";
        break;
      case '\r':
        out += attribute ? "&#13;" : "\r";
        break;
      default:
        if (c < 0x20) {
          appendControlPicture(out, c);
        } else {
          out += static_cast<char>(c);
        }
    }
    ++text;
  }
}

bool isDeviceName(const std::string& component) {
  std::string stem = component.substr(0, component.find('.'));
  while (!stem.empty() && stem.back() == ' ') stem.pop_back();
  for (char& c : stem) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL"};
  for (const char* device : kDevices) {
    if (stem == device) return true;
  }
  return stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) &&
         stem[3] >= '1' && stem[3] <= '9';
}

}  // namespace

void CodePageBytes::setTrailBytes(unsigned int codePage) {
  auto range = [this](unsigned int first, unsigned int last) {
    for (unsigned int b = first; b <= last; ++b) trail_[b] = true;
  };
  switch (codePage) {
    case 932:
      range(0x40, 0x7E);
      range(0x80, 0xFC);
      break;
    case 936:
      range(0x40, 0x7E);
      range(0x80, 0xFE);
      break;
    case 949:
      range(0x41, 0x5A);
      range(0x61, 0x7A);
      range(0x81, 0xFE);
      break;
    case 950:
      range(0x40, 0x7E);
      range(0xA1, 0xFE);
      break;
    default:
      range(0x40, 0xFF);
  }
}

const char* encodingName(unsigned int codePage) {
  switch (codePage) {
    case 932:
      return "Shift_JIS";
    case 936:
      return "gb2312";
    case 949:
      return "ks_c_5601-1987";
    case 950:
      return "big5";
    case 1250:
      return "iso-8859-2";
    default:
      return "iso-8859-1";
  }
}

std::string declaration(unsigned int codePage) {
  return std::string("<?xml version=\"1.0\" encoding=\"") + encodingName(codePage) + "\" ?>\r\n";
}

ElementName elementName(const char* reportName, const CodePageBytes& bytes) {
  ElementName result{std::string(), false};
  const char* p = reportName ? reportName : "";
  while (*p) {
    unsigned char c = static_cast<unsigned char>(*p);
    int length = bytes.charLength(p);
    if (length == 1 && (isAsciiLetter(c) || isDigit(c) || c == '-')) {
      result.name += static_cast<char>(c);
    } else {
      result.name.append(length, '_');
      result.changed = true;
    }
    p += length;
  }
  if (result.name.empty() || isDigit(static_cast<unsigned char>(result.name[0])) || result.name[0] == '-') {
    result.name.insert(result.name.begin(), '_');
    result.changed = true;
  }
  return result;
}

std::string attributeName(const char* name, const CodePageBytes& bytes) {
  std::string result;
  const char* p = name ? name : "";
  while (*p) {
    unsigned char c = static_cast<unsigned char>(*p);
    int length = bytes.charLength(p);
    bool keep = length == 1 && (isAsciiLetter(c) || isDigit(c) || c == '_' || c == '-' || c == '.');
    if (keep) {
      result += static_cast<char>(c);
    } else {
      result.append(length, '_');
    }
    p += length;
  }
  if (result.empty() || isDigit(static_cast<unsigned char>(result[0])) || result[0] == '-' ||
      result[0] == '.' || result == "xmlns") {
    result.insert(result.begin(), '_');
  }
  return result;
}

bool StartTagNames::taken(const std::string& name) const {
  for (const std::string& existing : names_) {
    if (existing == name) return true;
  }
  return false;
}

std::string StartTagNames::claim(std::string name) {
  while (taken(name)) name.insert(name.begin(), '_');
  names_.push_back(name);
  return name;
}

void appendText(std::string& out, const char* text, const CodePageBytes& bytes) {
  appendEscaped(out, text, bytes, false);
}

void appendAttributeValue(std::string& out, const char* text, const CodePageBytes& bytes) {
  appendEscaped(out, text, bytes, true);
}

void appendIndent(std::string& out, int depth) {
  for (int i = 0; i < depth; ++i) out += "  ";
}

std::string integerText(int32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%d", static_cast<int>(value));
  return text;
}

std::string realText(double value) {
  // Up to 309 integer digits, the point and six decimals.
  char text[330];
  std::snprintf(text, sizeof text, "%lf", value);
  return text;
}

std::string dateTimeText(const unsigned char* record) {
  auto field = [record](int index) { return record[2 * index] | (record[2 * index + 1] << 8); };
  char text[48];
  std::snprintf(text, sizeof text, "%4d/%02d/%02d %02d:%02d:%02d", field(0), field(1), field(3), field(4),
                field(5), field(6));
  return text;
}

const char* baseName(const char* path, const CodePageBytes& bytes) {
  const char* base = path;
  for (const char* p = path; *p;) {
    int length = bytes.charLength(p);
    if (length == 1 && *p == '\\') base = p + 1;
    p += length;
  }
  return base;
}

std::string safePathComponent(const char* name, const CodePageBytes& bytes) {
  std::string result;
  bool dotsOnly = true;
  for (const char* p = name; *p;) {
    unsigned char c = static_cast<unsigned char>(*p);
    int length = bytes.charLength(p);
    if (length == 2) {
      result.append(p, 2);
    } else if (c < 0x20 || std::strchr("\\/:*?\"<>|", c)) {
      result += '_';
    } else {
      result += static_cast<char>(c);
    }
    if (c != '.') dotsOnly = false;
    p += length;
  }
  if (dotsOnly) result.assign(result.size(), '_');
  if (isDeviceName(result)) result.insert(result.begin(), '_');
  return result;
}

std::string pathRelativeName(const std::string& folder, const char* reportName, const char* fullPath,
                             const CodePageBytes& bytes) {
  std::string result;
  if (!folder.empty()) result = folder + "\\";
  result += safePathComponent(reportName ? reportName : "", bytes);
  result += "\\";
  result += safePathComponent(baseName(fullPath ? fullPath : "", bytes), bytes);
  return result;
}

std::string binaryRelativeName(const std::string& folder, const char* fileName) {
  return folder.empty() ? std::string(fileName) : folder + "\\" + fileName;
}

}  // namespace xmltext
