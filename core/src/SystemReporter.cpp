#include "SystemReporterImpl.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "FileDevice.h"
#include "nox/FileUtil.h"
#include "nox/Memory.h"
#include "nox/Module.h"
#include "nox/PluginLoader.h"
#include "nox/Report.h"
#include "nox/ReportLeaves.h"
#include "nox/Serializer.h"

namespace {
const char kSource[] = "Core/Src/SystemReporter";

[[noreturn]] void raiseMemory(const char* method) {
  throwMemoryException(noxThisModule(), kSource, __LINE__, "SystemReporter", method);
}

std::string mainProgramFolder() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string text(path);
  return text.substr(0, text.find_last_of('\\') + 1);
}

// folder\name; a folder that already ends in a backslash gets none more.
std::string inFolder(const char* folder, const char* name) {
  std::string path = folder;
  if (!noxEndsWithBackslash(folder)) path += '\\';
  return path + name;
}

void addPluginNodes(Report& list, Plugins& plugins, const char* nodeName) {
  for (unsigned int i = 0; i < plugins.getCount(); ++i) {
    Plugin* plugin = plugins.getItem(i);
    Report& node = addNode(list, nodeName);
    char index[16];
    std::snprintf(index, sizeof index, "%d", static_cast<int>(i));
    addAttribute(node, "index", index);
    IPluginInformation* info = plugin->getInformation();
    addText(node, "Name", info ? info->getName().getData() : "");
    addText(node, "fileName", noxGetBaseName(plugin->getPath().getData()));
    addNumber(node, "version", info ? info->getVersion() : 0);
  }
}
}  // namespace

struct SystemReporterImpl {
  CategoryProvider* categories = nullptr;
  PluginLoader* loader = nullptr;
  int splitSize = 0;
  ErrorObject* error = nullptr;
  bool compress = false;
  FileDevice* device = nullptr;
  String* resultFileName = nullptr;
  EventQueue* queue = nullptr;
  String pluginFolder;
  String settingsFile;
  // The host's listeners as registered, and those last copied into the device.
  std::vector<ProgressEventListener*> progressListeners, progressCopied;
  std::vector<UIEventListener*> uiListeners, uiCopied;

  EventQueue& events() {
    if (!queue) {
      queue = new (std::nothrow) EventQueue();
      if (!queue) raiseMemory("getEventQueue");
    }
    return *queue;
  }

  // The device fires its archive and media events to the host's listeners: they
  // are copied in for every run, after the copies of the run before are taken
  // out, so none is called twice and one the host removed is called no more.
  void passListenersTo(FileDevice& device) {
    EventQueue& target = device.getEventQueue();
    for (ProgressEventListener* l : progressCopied) target.removeProgressEventListener(l);
    for (UIEventListener* l : uiCopied) target.removeUIEventListener(l);
    progressCopied.clear();
    uiCopied.clear();
    events().copyEventListner(target);
    progressCopied = progressListeners;
    uiCopied = uiListeners;
  }
};

namespace {
template <class Listener>
void forgetFirst(std::vector<Listener*>& list, Listener* listener) {
  for (auto it = list.begin(); it != list.end(); ++it) {
    if (*it == listener) {
      list.erase(it);
      return;
    }
  }
}
}  // namespace

String timezoneText(long bias) {
  String text;
  long magnitude = bias < 0 ? -bias : bias;
  text.format("GMT%c%02ld%02ld", bias > 0 ? '-' : '+', magnitude / 60, magnitude % 60);
  return text;
}

String moduleFileVersion(HMODULE module) {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(module, path, MAX_PATH);
  DWORD handle = 0;
  DWORD size = GetFileVersionInfoSizeA(path, &handle);
  String text;
  if (size == 0) return text;
  std::vector<unsigned char> block;
  try {
    block.resize(size);
  } catch (const std::bad_alloc&) {
    return text;
  }
  if (!GetFileVersionInfoA(path, handle, size, block.data())) return text;
  static const wchar_t kWideKey[] = L"FileVersion";
  for (DWORD offset = 0; offset + 11 < size; ++offset) {
    const unsigned char* at = block.data() + offset;
    if (std::memcmp(at, "FileVersion", 11) == 0) {
      std::string narrow(
          reinterpret_cast<const char*>(at) + 12,
          strnlen(reinterpret_cast<const char*>(at) + 12, offset + 12 < size ? size - offset - 12 : 0));
      return String(narrow.c_str());
    }
    if (offset + 26 < size && std::memcmp(at, kWideKey, 22) == 0) {
      std::wstring wide;
      for (DWORD p = offset + 26; p + 1 < size; p += 2) {
        wchar_t c = static_cast<wchar_t>(block[p] | (block[p + 1] << 8));
        if (!c) break;
        wide += c;
      }
      int length = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
      if (length > 0) {
        std::vector<char> narrow(static_cast<size_t>(length));
        WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, narrow.data(), length, nullptr, nullptr);
        text = narrow.data();  // a later match replaces it
      }
    }
  }
  return text;
}

SystemReporter::SystemReporter() : impl_(noxNew<SystemReporterImpl>()) {
  if (!impl_) raiseMemory("getInstance");
}

SystemReporter::~SystemReporter() {
  // Categories go before the modules that own their observations.
  delete impl_->categories;
  delete impl_->error;
  delete impl_->device;
  delete impl_->loader;
  noxDelete(impl_->resultFileName);
  delete impl_->queue;
  noxDelete(impl_);
}

void SystemReporter::addProgressEventListener(ProgressEventListener* l) {
  impl_->events().addProgressEventListener(l);
  impl_->progressListeners.push_back(l);
}
void SystemReporter::removeProgressEventListener(ProgressEventListener* l) {
  impl_->events().removeProgressEventListener(l);
  forgetFirst(impl_->progressListeners, l);
}
void SystemReporter::addUIEventListener(UIEventListener* l) {
  impl_->events().addUIEventListener(l);
  impl_->uiListeners.push_back(l);
}
void SystemReporter::removeUIEventListener(UIEventListener* l) {
  impl_->events().removeUIEventListener(l);
  forgetFirst(impl_->uiListeners, l);
}

IReportCategories& SystemReporter::getReportCategories() {
  ReportCategories* list = impl_->categories ? impl_->categories->getReportCategories() : nullptr;
  if (!list)
    throwException(0, 0, GetLastError(), noxThisModule(), kSource, __LINE__, "SystemReporter",
                   "getReportCategories");
  return *list;
}

int SystemReporter::getSplitSize() { return impl_->splitSize; }
void SystemReporter::setSplitSize(int kib) { impl_->splitSize = kib; }
bool SystemReporter::isCompress() { return impl_->compress; }
void SystemReporter::setCompress(bool compress) { impl_->compress = compress; }

ErrorObject& SystemReporter::getErrorObject() {
  if (!impl_->error) {
    impl_->error = new (std::nothrow) ErrorObject();
    if (!impl_->error) raiseMemory("getErrorObject");
  }
  return *impl_->error;
}

PluginLoader* SystemReporter::getPluginLoader() { return impl_->loader; }
CategoryProvider* SystemReporter::getCategoryProvider() { return impl_->categories; }
FileDevice* SystemReporter::getFileDevice() { return impl_->device; }
void SystemReporter::setPluginFolder(const char* folder) { impl_->pluginFolder = folder; }
void SystemReporter::setSettingsFile(const char* path) { impl_->settingsFile = path; }

void SystemReporter::initializeSystemReporter() {
  if (impl_->loader || impl_->categories) return;
  impl_->loader = new (std::nothrow) PluginLoader();
  if (!impl_->loader) raiseMemory("initializeSystemReporter");
  impl_->categories = new (std::nothrow) CategoryProvider();
  if (!impl_->categories) raiseMemory("initializeSystemReporter");
  if (impl_->pluginFolder.length()) impl_->loader->setSearchFolder(impl_->pluginFolder.getData());
  if (impl_->settingsFile.length()) impl_->categories->setSettingsFile(impl_->settingsFile.getData());
  impl_->loader->loadAll();
  impl_->categories->createCategories(impl_->loader->getObservationPlugins());
  impl_->device = new (std::nothrow) FileDevice();
  if (!impl_->device) raiseMemory("initializeSystemReporter");
}

String& SystemReporter::getProfileString(const char* section, const char* key, const char* fallback,
                                         String& out) {
  std::string file =
      impl_->settingsFile.length() ? impl_->settingsFile.getData() : mainProgramFolder() + "NxInfo.ini";
  char value[260] = {};
  GetPrivateProfileStringA(section, key, fallback, value, 260, file.c_str());
  out = value;
  return out;
}

namespace {
ISerializer* selectSerializer(SystemReporter& reporter, PluginLoader* loader) {
  if (!loader) return nullptr;
  String name;
  reporter.getProfileString("Serializer", "FileName", "", name);
  Plugins& serializers = loader->getSerializerPlugins();
  Plugin* chosen = serializers.findByFileName(name.getData());
  if (!chosen && serializers.getCount() > 0) chosen = serializers.getItem(0);
  return chosen ? static_cast<SerializerPlugin*>(chosen)->getSerializer() : nullptr;
}

void refuseBeforeInitialization(const char* method) {
  SetLastError(ERROR_INVALID_FUNCTION);
  throwException(0, 0, ERROR_INVALID_FUNCTION, noxThisModule(), kSource, __LINE__, "SystemReporter", method);
}
}  // namespace

String& SystemReporter::getResultFileName(String& out) {
  if (!impl_->resultFileName) {
    ISerializer* serializer = selectSerializer(*this, impl_->loader);
    String* name = noxNew<String>();
    if (!name) raiseMemory("getResultFileName");
    name->format("NoxInfo.%s", serializer ? serializer->getExtension() : "");
    // Only a name made with a serializer is kept; before loading, ask again later.
    if (!serializer) {
      out = *name;
      noxDelete(name);
      return out;
    }
    impl_->resultFileName = name;
  }
  out = *impl_->resultFileName;
  return out;
}

bool SystemReporter::startObservation(const char* folder) {
  if (!impl_->device || !impl_->loader) refuseBeforeInitialization("startObservation");
  FileDevice& device = *impl_->device;
  impl_->passListenersTo(device);
  ProgressEvent progress;
  progress.setCurrentStatusText("Start Observation...");
  progress.setCurrentStatusValue(-1);
  impl_->events().fireProgressEvent(progress);

  Report root;
  root.setName("SystemInformation");
  SYSTEMTIME now;
  GetLocalTime(&now);
  Report& date = addTime(root, "Date", now);
  TIME_ZONE_INFORMATION zone;
  GetTimeZoneInformation(&zone);
  addAttribute(date, "timezone", timezoneText(zone.Bias).getData());
  Report& tool = addText(root, "toolVersion", moduleFileVersion(noxThisModule()).getData());
  Report& plugins = addNode(tool, "pluginVersion");
  addPluginNodes(plugins, impl_->loader->getObservationPlugins(), "observationPlugin");
  addPluginNodes(plugins, impl_->loader->getSerializerPlugins(), "serializerPlugin");

  ISerializer* serializer = selectSerializer(*this, impl_->loader);
  if (!serializer) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    throwException(65538, 0, ERROR_FILE_NOT_FOUND, noxThisModule(), kSource, __LINE__, "SystemReporter",
                   "startObservation");
  }
  device.setCompress(impl_->compress);
  device.setSecondFlag(impl_->compress);
  device.setSplitSize(impl_->splitSize);
  String name;
  getResultFileName(name);
  std::string path = inFolder(folder, name.getData());
  try {
    device.setFileName(path.c_str());
    serializer->open(&device);

    IReportCategories& categories = getReportCategories();
    // Each observation runs inside a guard: one failing plug-in leaves its
    // category node empty and the run goes on.
    auto observe = [&](IReportCategory& category, Report& node) {
      IObservation* observation = category.getObservation();
      if (!observation) return;
      try {
        IReport& report = observation->createReport();
        node.getSubReportsImpl().addItem(static_cast<Report*>(&report));
      } catch (IException* e) {
        e->release();
      } catch (...) {
      }
      progress.setCurrentStatusText(category.getName().getData());
      progress.setCurrentStatusValue(category.getID());
      impl_->events().fireProgressEvent(progress);
    };
    for (unsigned int i = 0; i < categories.getCount() && !progress.isCancel(); ++i) {
      IReportCategory& category = *categories.getItem(i);
      if (!category.isSelected()) continue;
      Report& node = addNode(root, category.getName().getData());
      observe(category, node);
      IReportCategories* subs = category.getSubCategories();
      for (unsigned int j = 0; subs && j < subs->getCount() && !progress.isCancel(); ++j) {
        IReportCategory& sub = *subs->getItem(j);
        if (sub.isSelected()) observe(sub, node);
      }
    }
    if (progress.isCancel()) {
      serializer->close(&device);
      return false;
    }
    progress.setCurrentStatusText("Write to file...");
    progress.setCurrentStatusValue(-2);
    impl_->events().fireProgressEvent(progress);
    if (progress.isCancel()) {
      serializer->close(&device);
      return false;
    }
    serializer->serialize(root);
    serializer->flush();
    serializer->close(&device);
  } catch (...) {
    // The document was not written completely: the device is closed without
    // packing it, and nothing raised while closing hides the cause.
    device.setCompress(false);
    try {
      serializer->close(&device);
    } catch (IException* e) {
      e->release();
    } catch (...) {
    }
    throw;
  }
  progress.setCurrentStatusText("Observation completed!");
  impl_->events().fireProgressEvent(progress);
  return true;
}

bool SystemReporter::packFolder(const char* source, const char* target) {
  if (!impl_->device) refuseBeforeInitialization("packFolder");
  FileDevice& device = *impl_->device;
  impl_->passListenersTo(device);
  device.setCompress(true);
  device.setSecondFlag(true);
  device.setSplitSize(impl_->splitSize);
  String name;
  getResultFileName(name);
  device.setFileName(inFolder(target, name.getData()).c_str());
  String archive;
  device.createArchive(archive, source);
  if (impl_->splitSize != 0) {
    device.splitOverMedia(archive.getData());
  } else {
    device.makeSelfExtractor(archive.getData());
  }
  return true;
}
