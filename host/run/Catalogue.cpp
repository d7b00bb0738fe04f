#include "Catalogue.h"

#include <windows.h>

#include <stdexcept>

#include "Core.h"

namespace host {

namespace {

IReportCategory* subCategory(IReportCategories& top, size_t i, size_t j) {
  IReportCategories* subs = top.getItem(static_cast<unsigned int>(i))->getSubCategories();
  return subs ? subs->getItem(static_cast<unsigned int>(j)) : nullptr;
}

}  // namespace

Catalogue::Catalogue(ISystemReporter& reporter) : reporter_(reporter) {
  IReportCategories& top = reporter.getReportCategories();
  std::vector<IObservation*> observations;
  for (unsigned int i = 0; i < top.getCount(); ++i) {
    IReportCategory& category = *top.getItem(i);
    CategoryChoice choice;
    choice.name = category.getName().getData();
    choice.selected = category.isSelected();
    IReportCategories* subs = category.getSubCategories();
    for (unsigned int j = 0; subs && j < subs->getCount(); ++j) {
      IReportCategory& sub = *subs->getItem(j);
      PluginChoice plugin;
      plugin.name = sub.getName().getData();
      plugin.selected = sub.isSelected();
      IObservation* observation = sub.getObservation();
      plugin.hasObservation = observation != nullptr;
      for (size_t k = 0; observation && k < observations.size(); ++k) {
        if (observations[k] == observation) plugin.parameters = static_cast<int>(k);
      }
      if (observation && plugin.parameters < 0) {
        PluginParameters record;
        record.plugin = plugin.name;
        std::vector<Field> fields;
        IConfigrations& forms = observation->getConfigrations();
        for (unsigned int f = 0; f < forms.getCount(); ++f) {
          IConfigrationEntries& entries = forms.getItem(f).getConfigrationEntries();
          for (unsigned int e = 0; e < entries.getCount(); ++e) {
            IConfigrationEntry& entry = entries.getItem(e);
            Parameter parameter;
            parameter.name = entry.getName().getData();
            parameter.type = entry.getType();
            parameter.value = entry.getValue().getData();
            record.parameters.push_back(parameter);
            fields.push_back(Field{&forms.getItem(f), &entry});
          }
        }
        plugin.parameters = static_cast<int>(parameters_.size());
        observations.push_back(observation);
        parameters_.push_back(record);
        fields_.push_back(fields);
      }
      choice.plugins.push_back(plugin);
    }
    categories_.push_back(choice);
  }
}

void Catalogue::select(const std::string& name, bool on) {
  bool found = false;
  for (CategoryChoice& category : categories_) {
    if (sameText(category.name, name, isLeadByte)) {
      found = true;
      category.selected = on;
      for (PluginChoice& plugin : category.plugins) plugin.selected = plugin.selected || on;
    }
    for (PluginChoice& plugin : category.plugins) {
      if (!sameText(plugin.name, name, isLeadByte)) continue;
      found = true;
      plugin.selected = on;
      if (on) category.selected = true;
    }
  }
  if (!found)
    throw std::invalid_argument("no category or plug-in named \"" + name + "\" (see `NxInfo list`)");
}

void Catalogue::selectOnly(const std::vector<std::string>& names) {
  for (CategoryChoice& category : categories_) {
    category.selected = false;
    for (PluginChoice& plugin : category.plugins) plugin.selected = false;
  }
  for (const std::string& name : names) select(name, true);
}

std::vector<std::string> Catalogue::applySettings(const std::vector<ParameterSetting>& settings) {
  return host::applySettings(parameters_, settings, isLeadByte);
}

std::vector<PluginRun> Catalogue::plan() const {
  std::vector<PluginRun> runs;
  for (const CategoryChoice& category : categories_) {
    if (!category.selected) continue;
    for (const PluginChoice& plugin : category.plugins) {
      if (plugin.selected && plugin.hasObservation) runs.push_back(PluginRun{category.name, plugin.name});
    }
  }
  return runs;
}

void Catalogue::commit() {
  IReportCategories& top = reporter_.getReportCategories();
  for (size_t i = 0; i < categories_.size() && i < top.getCount(); ++i) {
    top.getItem(static_cast<unsigned int>(i))->setSelected(categories_[i].selected);
    for (size_t j = 0; j < categories_[i].plugins.size(); ++j) {
      IReportCategory* sub = subCategory(top, i, j);
      if (sub) sub->setSelected(categories_[i].plugins[j].selected);
    }
  }
  for (size_t p = 0; p < parameters_.size(); ++p) {
    for (size_t e = 0; e < parameters_[p].parameters.size(); ++e) {
      const Parameter& parameter = parameters_[p].parameters[e];
      if (!parameter.changed) continue;
      fields_[p][e].entry->setValue(parameter.value.c_str());
      fields_[p][e].form->setStatus(IConfigration::CONFIG_STATUS_OK);
    }
  }
}

void Catalogue::saveSelection(const std::string& file) const {
  auto read = [&](const char* section, const std::string& key) {
    char value[260] = {};
    GetPrivateProfileStringA(section, key.c_str(), "", value, sizeof value, file.c_str());
    return std::string(value);
  };
  auto write = [&](const std::string& section, const std::string& key, const std::string& value) {
    if (!WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), file.c_str())) {
      throw std::runtime_error("the selection could not be saved in " + file + ": " +
                               systemErrorWords(GetLastError()));
    }
  };
  // The categories as the core read them: one per non-empty key, in order,
  // each with the keys of the plug-ins that are loaded.
  UINT count = GetPrivateProfileIntA("Categories", "Count", 0, file.c_str());
  size_t index = 0;
  for (UINT n = 1; n <= count && n <= 10000 && index < categories_.size(); ++n) {
    std::string section = read("Categories", "Key" + std::to_string(n));
    if (section.empty()) continue;
    const CategoryChoice& category = categories_[index++];
    write(section, "Select", category.selected ? "true" : "false");
    UINT keys = GetPrivateProfileIntA(section.c_str(), "Count", 0, file.c_str());
    size_t plugin = 0;
    for (UINT m = 1; m <= keys && m <= 10000 && plugin < category.plugins.size(); ++m) {
      std::string key = "Key" + std::to_string(m);
      std::string module = read(section.c_str(), key);
      if (!module.empty() && module.back() == '-') module.pop_back();
      if (module.empty() || !GetModuleHandleA(module.c_str())) continue;
      write(section, key, module + (category.plugins[plugin++].selected ? "" : "-"));
    }
  }
}

}  // namespace host
