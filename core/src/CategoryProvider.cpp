#include <cstring>

#include "CoreRaise.h"
#include "nox/Memory.h"
#include "nox/PluginLoader.h"
#include "nox/ReportCategory.h"

namespace {

// Longest values read, in characters; longer values are cut.
constexpr DWORD kKeyChars = 127;
constexpr DWORD kNameChars = 255;
constexpr DWORD kSelectChars = 31;

String mainExecutableFolder() {
  char path[MAX_PATH + 1] = {};
  const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  path[n < MAX_PATH ? n : MAX_PATH] = '\0';
  String folder(path);
  unsigned int slash = 0;
  return folder.reverseFind('\\', slash) ? folder.left(slash + 1) : String();
}

class SettingsFile {
 public:
  explicit SettingsFile(const IString& path) : path_(path.getData()) {}

  String text(const char* section, const char* key, const char* fallback, DWORD maxChars) const {
    char* buffer = static_cast<char*>(noxAlloc(maxChars + 1));
    if (!buffer) CORE_RAISE_MEMORY("CategoryProvider", "createCategories");
    GetPrivateProfileStringA(section, key, fallback, buffer, maxChars + 1, path_);
    String value;
    try {
      value = buffer;
    } catch (...) {
      noxFree(buffer);
      throw;
    }
    noxFree(buffer);
    return value;
  }

  unsigned int number(const char* section, const char* key) const {
    return GetPrivateProfileIntA(section, key, 0, path_);
  }

  // How many "Key<n>" keys are worth asking for: the stated count, but never
  // past the highest such key the section holds. Every key beyond it would read
  // as empty and be skipped, so the result is the same; a count of -1 or
  // 4294967295 no longer means four thousand million file reads.
  unsigned int keyCount(const char* section) const {
    const unsigned int stated = number(section, "Count");
    if (stated == 0) return 0;
    const unsigned int present = highestKeyIndex(section);
    return stated < present ? stated : present;
  }

 private:
  unsigned int highestKeyIndex(const char* section) const {
    DWORD size = 4096;
    char* names = nullptr;
    for (;;) {
      names = static_cast<char*>(noxAlloc(size));
      if (!names) CORE_RAISE_MEMORY("CategoryProvider", "createCategories");
      const DWORD got = GetPrivateProfileStringA(section, nullptr, "", names, size, path_);
      if (got < size - 2) break;  // the list of key names fitted
      noxFree(names);
      size *= 2;
    }
    unsigned int highest = 0;
    for (const char* name = names; *name; name += std::strlen(name) + 1) {
      const unsigned int index = keyIndex(name);
      if (index > highest) highest = index;
    }
    noxFree(names);
    return highest;
  }

  // n for a key name that the lookup of "Key%d" with n finds (key names ignore
  // case); 0 for any other name.
  static unsigned int keyIndex(const char* name) {
    if (CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, name, 3, "Key", 3) != CSTR_EQUAL) return 0;
    const char* digits = name + 3;
    if (*digits < '1' || *digits > '9') return 0;
    unsigned long long value = 0;
    for (const char* p = digits; *p; ++p) {
      if (*p < '0' || *p > '9') return 0;
      value = value * 10 + static_cast<unsigned int>(*p - '0');
      if (value > 0xFFFFFFFFull) return 0;
    }
    return static_cast<unsigned int>(value);
  }

  const char* path_;
};

String keyName(unsigned int n) {
  String key;
  key.format("Key%u", n);
  return key;
}

// Builds the tree; any failure destroys what was built.
void buildCategories(const SettingsFile& settings, Plugins& plugins, ReportCategories& categories) {
  const unsigned int count = settings.keyCount("Categories");
  for (unsigned int n = 1; n <= count; ++n) {
    const String section = settings.text("Categories", keyName(n).getData(), "", kKeyChars);
    if (section.length() == 0) continue;

    ReportCategory* category = noxNew<ReportCategory>();
    if (!category) CORE_RAISE_MEMORY("CategoryProvider", "createCategories");
    try {
      category->setName(settings.text(section.getData(), "Name", "", kNameChars).getData());
      const bool selected =
          std::strcmp(settings.text(section.getData(), "Select", "true", kSelectChars).getData(), "true") ==
          0;

      const unsigned int plugInCount = settings.keyCount(section.getData());
      ReportCategories& subCategories = category->getSubCategoriesImpl();
      for (unsigned int m = 1; m <= plugInCount; ++m) {
        String fileName = settings.text(section.getData(), keyName(m).getData(), "", kKeyChars);
        if (fileName.length() == 0) continue;
        bool subSelected = true;
        if (fileName.getData()[fileName.length() - 1] == '-') {
          fileName = fileName.left(static_cast<unsigned int>(fileName.length() - 1));
          subSelected = false;
        }
        if (!selected) subSelected = false;

        auto* plugin = static_cast<ObservationPlugin*>(plugins.findByFileName(fileName.getData()));
        if (!plugin) continue;
        IPluginInformation* information = plugin->getInformation();
        // A module without an identity cannot be listed; it is treated like
        // one that is not loaded.
        if (!information) continue;

        ReportCategory* sub = noxNew<ReportCategory>();
        if (!sub) CORE_RAISE_MEMORY("CategoryProvider", "createCategories");
        try {
          sub->setName(information->getName().getData());
          sub->setSelected(subSelected);
          sub->setObservation(plugin->getObservation());
          sub->setID(static_cast<int>(information->getID()));
          subCategories.add(sub);
        } catch (...) {
          noxDelete(sub);
          throw;
        }
      }
      category->setSelected(selected);
      categories.add(category);
    } catch (...) {
      noxDelete(category);
      throw;
    }
  }
}

}  // namespace

CategoryProvider::CategoryProvider() : categories_(nullptr) {
  settingsFile_ = mainExecutableFolder();
  settingsFile_ += String("NxInfo.ini");
}

CategoryProvider::~CategoryProvider() { noxDelete(categories_); }

void CategoryProvider::createCategories(Plugins& observationPlugins) {
  if (categories_) return;
  ReportCategories* categories = noxNew<ReportCategories>();
  if (!categories) CORE_RAISE_MEMORY("CategoryProvider", "createCategories");
  try {
    buildCategories(SettingsFile(settingsFile_), observationPlugins, *categories);
  } catch (...) {
    noxDelete(categories);
    throw;
  }
  categories_ = categories;
}

ReportCategories* CategoryProvider::getReportCategories() { return categories_; }

const IString& CategoryProvider::getSettingsFile() const { return settingsFile_; }

void CategoryProvider::setSettingsFile(const char* path) { settingsFile_ = path; }
