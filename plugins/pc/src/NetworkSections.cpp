// Sections "network" and "scsi": adapters, protocols, clients and services of
// the network set-up, domain membership, and the SCSI devices.
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "InventorySections.h"
#include "nox/ReportLeaves.h"
#include "nox/Sections.h"
#include "pchelpers/Registry.h"
#include "pchelpers/SystemInformation.h"

namespace pc {

namespace {

// A string value's text; false when the value is not valid. A value of
// another kind raises when its text is asked for.
bool readString(RegistryKey& key, const char* name, std::string& text) {
  RegistryValue value = key.queryValue(name);
  if (!value.isValid()) return false;
  text = value.getStringValue().getData();
  return true;
}

// Calls `visit` with each sub-key of `key` that opens.
template <class Visit>
void eachSubKey(RegistryKey& key, Visit visit) {
  for (RegistryKey sub = key.nextSubKey(); sub.getPath().length() > 0; sub = key.nextSubKey()) {
    sub.reopen();
    if (sub.isOpen()) visit(sub);
  }
}

// A node of its own until it is complete: the section ends without it when an error is raised.
std::unique_ptr<Report> detachedNode(const char* name) {
  auto node = std::make_unique<Report>();
  node->setName(name);
  return node;
}

void attach(Report& section, std::unique_ptr<Report> node) {
  section.getSubReportsImpl().addItem(node.release());
}

// Windows 9x: "DeviceDesc" of every device instance under ENUM\Network of the class.
void addNetworkDevices9x(Report& node, const char* className, const char* leaf) {
  RegistryKey network;
  network.open(HKEY_LOCAL_MACHINE, "ENUM\\Network");
  eachSubKey(network, [&](RegistryKey& device) {
    eachSubKey(device, [&](RegistryKey& instance) {
      std::string kind, description;
      if (!readString(instance, "Class", kind) || kind != className) return;
      if (readString(instance, "DeviceDesc", description) && !description.empty()) {
        addText(node, leaf, description.c_str());
      }
    });
  });
}

// NT 4: "Title" of the installed software under `base` whose "SoftwareType" is `type`.
void addInstalledSoftwareNt4(Report& node, const char* base, const char* type, const char* leaf) {
  RegistryKey products;
  products.open(HKEY_LOCAL_MACHINE, base);
  for (RegistryKey product = products.nextSubKey(); product.getPath().length() > 0;
       product = products.nextSubKey()) {
    std::string path = std::string(base) + "\\" + product.getPath().getData() + "\\currentVersion";
    RegistryKey current;
    current.open(HKEY_LOCAL_MACHINE, path.c_str());
    if (!current.isOpen()) continue;
    std::string softwareType, title;
    if (!readString(current, "SoftwareType", softwareType) || softwareType != type) continue;
    if (readString(current, "Title", title) && !title.empty()) addText(node, leaf, title.c_str());
  }
}

// Windows 2000 and later: network components of a class, each as its
// description followed by its characteristics, "[%u]".
void addNetworkComponents(Report& node, const char* className, const char* leaf) {
  RegistryKey network;
  network.open(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Network");
  eachSubKey(network, [&](RegistryKey& group) {
    std::string kind;
    if (!readString(group, "Class", kind) || kind != className) return;
    eachSubKey(group, [&](RegistryKey& component) {
      RegistryValue description = component.queryValue("Description");
      RegistryValue characteristics = component.queryValue("Characteristics");
      if (!description.isValid() || !characteristics.isValid()) return;
      char flags[16];
      std::snprintf(flags, sizeof flags, "[%lu]",
                    static_cast<unsigned long>(characteristics.getDWORDValue()));
      std::string text = std::string(description.getStringValue().getData()) + flags;
      addText(node, leaf, text.c_str());
    });
  });
}

// Whether the LSA policy names a primary domain with a SID; any failure reads as a workgroup.
bool isDomainMember() {
  Win32ApiWrapper api;
  LSA_OBJECT_ATTRIBUTES attributes;
  std::memset(&attributes, 0, sizeof attributes);
  LSA_HANDLE policy = nullptr;
  if (api.LsaOpenPolicy(nullptr, &attributes, POLICY_VIEW_LOCAL_INFORMATION, &policy) != 0) return false;
  PVOID buffer = nullptr;
  bool member = false;
  if (api.LsaQueryInformationPolicy(policy, PolicyPrimaryDomainInformation, &buffer) == 0 && buffer) {
    member = static_cast<POLICY_PRIMARY_DOMAIN_INFO*>(buffer)->Sid != nullptr;
    api.LsaFreeMemory(buffer);
  }
  api.LsaClose(policy);
  return member;
}

void fillNetwork9x(Report& section) {
  auto adapters = detachedNode("adapterInformation");
  RegistryKey classKey;
  classKey.open(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\Class\\Net");
  eachSubKey(classKey, [&](RegistryKey& adapter) {
    std::string description;
    if (readString(adapter, "DriverDesc", description) && !description.empty()) {
      addText(*adapters, "adapter", description.c_str());
    }
  });
  addNetworkDevices9x(*adapters, "NetTrans", "protocol");
  addNetworkDevices9x(*adapters, "NetClient", "client");
  attach(section, std::move(adapters));
}

void fillNetworkNt(Report& section) {
  auto configuration = detachedNode("configurationInformation");
  addText(*configuration, "configuration", isDomainMember() ? "Domain" : "WorkGroup");
  attach(section, std::move(configuration));

  auto adapters = detachedNode("adapterInformation");
  RegistryKey cards;
  cards.open(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\NetworkCards");
  eachSubKey(cards, [&](RegistryKey& card) {
    std::string description;
    if (readString(card, "Description", description) && !description.empty()) {
      addText(*adapters, "adapter", description.c_str());
    }
  });
  if (SystemInformation().getWindowsKind() == 4) {
    addInstalledSoftwareNt4(*adapters, "SOFTWARE\\Microsoft", "transport", "protocol");
    addInstalledSoftwareNt4(*adapters, "SOFTWARE\\Microsoft", "service", "service");
    addInstalledSoftwareNt4(*adapters, "SOFTWARE\\Novell", "service", "service");
  } else {
    addNetworkComponents(*adapters, "NetClient", "client");
    addNetworkComponents(*adapters, "NetTrans", "protocol");
    addNetworkComponents(*adapters, "NetService", "service");
  }
  attach(section, std::move(adapters));
}

// The instances of one SCSI device key, each with its identifier and name values.
void describeScsiInstances(Report& section, RegistryKey& device, const char* idValue, const char* nameValue) {
  eachSubKey(device, [&](RegistryKey& instance) {
    if (instance.queryValue("IDEMaster").isValid()) return;
    RegistryValue id = instance.queryValue(idValue);
    if (!id.isValid()) return;
    Report& node = addNode(section, "scsiInformation");
    std::string text = id.getStringValue().getData();
    if (!text.empty()) {
      static const char kTarget[] = "Target ID ";
      size_t at = text.find(kTarget);
      if (at != std::string::npos) {
        text = text.substr(at + sizeof kTarget - 1);
        text = text.substr(0, text.find(','));
      }
      addText(node, "scsiID", text.c_str());
    }
    std::string kind, name;
    if (readString(instance, "Class", kind) && !kind.empty()) addText(node, "deviceType", kind.c_str());
    if (readString(instance, nameValue, name) && !name.empty()) addText(node, "deviceName", name.c_str());
  });
}

void listScsiDevices(Report& section, const char* path, const char* idValue, const char* nameValue) {
  RegistryKey scsi;
  scsi.open(HKEY_LOCAL_MACHINE, path);
  eachSubKey(scsi, [&](RegistryKey& device) { describeScsiInstances(section, device, idValue, nameValue); });
}

}  // namespace

void fillNetworkSection(Report& section) {
  // A raised error ends the section quietly.
  guarded([&] {
    if (SystemInformation().getPlatform() == 1) {
      fillNetwork9x(section);
    } else {
      fillNetworkNt(section);
    }
  });
}

void fillScsiSection(Report& section) {
  bool ok = guarded([&] {
    if (SystemInformation().getPlatform() != 1) {
      listScsiDevices(section, "SYSTEM\\CurrentControlSet\\Enum\\SCSI", "LocationInformation",
                      "FriendlyName");
      return;
    }
    // Windows 9x: the devices once per SCSI adapter on the PCI bus.
    RegistryKey pci;
    pci.open(HKEY_LOCAL_MACHINE, "Enum\\PCI");
    eachSubKey(pci, [&](RegistryKey& device) {
      eachSubKey(device, [&](RegistryKey& instance) {
        std::string kind;
        if (readString(instance, "Class", kind) && kind == "SCSIAdapter") {
          listScsiDevices(section, "Enum\\SCSI", "SCSITargetID", "DeviceDesc");
        }
      });
    });
  });
  if (!ok) section.setSuccess(false);
}

}  // namespace pc
