#include "device/catalogue.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "device/family.h"
#include "device/parts_table.h"
#include "link/adapters.h"
#include "link/shipped_data.h"

namespace daxwel {

void RegisterEveryFamily(FamilyAdder add);

namespace {

std::map<std::string, const FamilyDescriptor*, std::less<>>& Families() {
  static std::map<std::string, const FamilyDescriptor*, std::less<>> families;
  return families;
}

void AddFamily(std::string_view key, const FamilyDescriptor& family) {
  Families().emplace(std::string(key), &family);
}

const std::map<std::string, const FamilyDescriptor*, std::less<>>& RegisteredFamilies() {
  static const bool registered = [] {
    RegisterEveryFamily(AddFamily);
    return true;
  }();
  (void)registered;
  return Families();
}

std::string HexWord(int value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%04X", static_cast<unsigned>(value));
  return text;
}

// Everything one row views, at one address for the catalogue's life.
struct Record {
  PartSection section;
  std::optional<FamilyDescriptor> family;  // holds a reference: set once, never assigned
  std::vector<std::string_view> aliases;
  std::vector<int> calibration;
  std::vector<PreservedBits> preserved;
  IcspPins pins{};
};

// The row's own family: the registered one with the facts its section gives.
std::string MakeFamily(Record& r, const FamilyDescriptor& base) {
  const PartSection& p = r.section;
  if (static_cast<int>(p.config.size()) != base.configWords) {
    return "config: la familia " + p.family + " tiene " + std::to_string(base.configWords) +
           " palabra(s) de configuración";
  }
  r.family->configMask = p.config[0].mask;
  if (p.config.size() > 1) r.family->config2Mask = p.config[1].mask;
  if (!p.calibration.empty()) {
    r.calibration = p.calibration;
    for (int a : r.calibration) {
      if (r.family->IsConfigWord(a)) return "calibration: " + HexWord(a) + " es de configuración";
    }
    r.family->calibrationWords = r.calibration;
  }
  if (!p.preserved.empty()) {
    for (const PartSection::Kept& kept : p.preserved) {
      const auto known = std::find_if(base.preserved.begin(), base.preserved.end(),
                                      [&](const PreservedBits& b) { return b.name == kept.name; });
      if (known == base.preserved.end()) {
        return "preserved: la familia " + p.family + " no sabe conservar " + kept.name;
      }
      if (kept.address >= p.programWords && !r.family->IsConfigWord(kept.address)) {
        return "preserved: " + HexWord(kept.address) +
               " no es de la memoria de programa ni "
               "de configuración";
      }
      PreservedBits bits = *known;
      bits.address = kept.address;
      bits.mask = kept.mask;
      r.preserved.push_back(bits);
    }
    r.family->preserved = r.preserved;
  }
  // A part may take less VPP than its family, never more.
  if (p.vppMaxVolts > 0 && (base.vppLimitVolts == 0 || p.vppMaxVolts < base.vppLimitVolts)) {
    r.family->vppLimitVolts = p.vppMaxVolts;
  }
  if (!p.vdd.empty()) r.family->vddRange = p.vdd;
  return {};
}

std::string MakeRow(Record& r, int index, DeviceModel& m) {
  const PartSection& p = r.section;
  if (std::string missing = MissingKeys(p); !missing.empty()) return missing;
  const auto family = RegisteredFamilies().find(p.family);
  if (family == RegisteredFamilies().end()) {
    std::string keys;
    for (const auto& entry : RegisteredFamilies())
      keys.append(keys.empty() ? "" : ", ").append(entry.first);
    return "family=" + p.family + ": familia desconocida (" + keys + ")";
  }
  if ((*p.id & *p.idMask) != *p.id) return "id: tiene bits fuera de id-mask";
  r.family.emplace(*family->second);
  if (std::string why = MakeFamily(r, *family->second); !why.empty()) return why;
  for (const std::string& alias : p.aliases) r.aliases.push_back(alias);
  if (p.packagePins != 0 && p.pins.size() == 3) {
    const auto pin = [](const PartSection::Pin& pin) { return IcspPin{pin.name, pin.number}; };
    r.pins = {p.packagePins > 0 ? p.packagePins : 0, pin(p.pins[0]), pin(p.pins[1]),
              pin(p.pins[2])};
  }
  m = DeviceModel{.index = index,
                  .listText = p.list.empty() ? std::string_view(p.name) : p.list,
                  .modelName = p.name,
                  .aliases = r.aliases,
                  .programWords = p.programWords,
                  .eepromBytes = p.eepromBytes,
                  .family = &*r.family,
                  .familyKey = p.family,
                  .deviceId = *p.id,
                  .deviceIdMask = *p.idMask,
                  .cycles = r.family->cycles,
                  .identifiedCycles = r.family->identifiedCycles,
                  .pins = p.packagePins != 0 ? &r.pins : nullptr,
                  .pgm = p.pgm ? IcspPin{p.pgm->name, p.pgm->number} : IcspPin{},
                  .noIdName = p.noId,
                  .latches = p.latches,
                  .hv = p.hv,
                  .source = p.where};
  return {};
}

// Two rows that answer to one name, or that one device ID would name.
std::string Clash(const DeviceModel& a, const DeviceModel& b) {
  for (std::string_view name : {b.listText, b.modelName}) {
    if (a.Answers(name))
      return "el nombre " + std::string(name) + " ya es de " + std::string(a.modelName);
  }
  for (std::string_view alias : b.aliases) {
    if (a.Answers(alias))
      return "el nombre " + std::string(alias) + " ya es de " + std::string(a.modelName);
  }
  if (a.Identifies(b.deviceId) || b.Identifies(a.deviceId)) {
    return "id " + HexWord(b.deviceId) + " ya nombra a " + std::string(a.modelName);
  }
  return {};
}

}  // namespace

struct PartsCatalogue::Impl {
  std::vector<PartSection> sections;
  std::deque<Record> records;
  std::vector<DeviceModel> rows;
};

PartsCatalogue::PartsCatalogue() : impl_(std::make_unique<Impl>()) {}
PartsCatalogue::~PartsCatalogue() = default;

std::string PartsCatalogue::Add(std::string_view text, std::string_view fileName) {
  return ParsePartsText(text, fileName, impl_->sections);
}

std::string PartsCatalogue::Build() {
  std::deque<Record> records;
  std::vector<DeviceModel> rows(impl_->sections.size());
  for (std::size_t i = 0; i < impl_->sections.size(); ++i) {
    Record& r = records.emplace_back();
    r.section = impl_->sections[i];
    const auto fail = [&](const std::string& why) {
      return r.section.where + ": [" + r.section.name + "] " + why;
    };
    if (std::string why = MakeRow(r, static_cast<int>(i) + 1, rows[i]); !why.empty()) {
      return fail(why);
    }
    for (std::size_t j = 0; j < i; ++j) {
      if (std::string why = Clash(rows[j], rows[i]); !why.empty()) return fail(why);
    }
  }
  impl_->records = std::move(records);
  impl_->rows = std::move(rows);
  return {};
}

std::span<const DeviceModel> PartsCatalogue::Rows() const { return impl_->rows; }

namespace {

std::string& ExtraPartsFile() {
  static std::string path;
  return path;
}

std::string ReadWhole(const std::filesystem::path& path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream all;
  all << in.rdbuf();
  if (!in && !in.eof()) return "no se puede leer";
  text = all.str();
  return {};
}

// The user's files, in name order, then the one the command line gives.
std::vector<std::filesystem::path> UserPartsFiles() {
  std::vector<std::filesystem::path> files;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(UserDataFolder("pics"), error)) {
    if (entry.path().extension() == ".ini") files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  if (!ExtraPartsFile().empty()) files.emplace_back(ExtraPartsFile());
  return files;
}

struct Loaded {
  std::unique_ptr<PartsCatalogue> parts = std::make_unique<PartsCatalogue>();
  std::string problem;
};

std::string Fill(PartsCatalogue& parts, const std::string& shipped, const std::string& name,
                 bool withUser) {
  if (std::string why = parts.Add(shipped, name); !why.empty()) return why;
  for (const std::filesystem::path& file :
       withUser ? UserPartsFiles() : decltype(UserPartsFiles()){}) {
    std::string text;
    if (std::string why = ReadSmallFile(file, text); !why.empty())
      return file.string() + ": " + why;
    if (std::string why = parts.Add(text, file.string()); !why.empty()) return why;
  }
  return parts.Build();
}

// The shipped table, then the user's files; after a mistake in the user's, the shipped table
// alone, so lists and help still work while operations refuse to run.
void Load(Loaded& loaded) {
  const auto shipped = ShippedDataFile(kPartsFileName);
  if (!shipped) {
    loaded.problem = std::string("No se encuentra la tabla de PIC (")
                         .append(kPartsFileName)
                         .append("): reinstale Daxwel o indique su carpeta en DAXWEL_DATA_DIR");
    return;
  }
  std::string text;
  if (std::string why = ReadWhole(*shipped, text); !why.empty()) {
    loaded.problem = shipped->string() + ": " + why;
    return;
  }
  loaded.problem = Fill(*loaded.parts, text, shipped->string(), true);
  if (loaded.problem.empty()) return;
  loaded.parts = std::make_unique<PartsCatalogue>();
  if (std::string why = Fill(*loaded.parts, text, shipped->string(), false); !why.empty()) {
    loaded.problem = why;
  }
}

const Loaded& TheCatalogue() {
  static Loaded loaded;
  static const bool done = [] {
    Load(loaded);
    return true;
  }();
  (void)done;
  return loaded;
}

std::span<const DeviceModel> kModels() { return TheCatalogue().parts->Rows(); }

}  // namespace

std::span<const DeviceModel> Catalogue() { return kModels(); }

const std::string& CatalogueProblem() { return TheCatalogue().problem; }

void SetExtraPartsFile(std::string path) { ExtraPartsFile() = std::move(path); }

const FamilyDescriptor* FamilyByKey(std::string_view key) {
  const auto found = RegisteredFamilies().find(key);
  return found == RegisteredFamilies().end() ? nullptr : found->second;
}

std::vector<std::string_view> FamilyKeys() {
  std::vector<std::string_view> keys;
  for (const auto& entry : RegisteredFamilies()) keys.push_back(entry.first);
  return keys;
}

const DeviceModel* ModelByIndex(int index) {
  const auto models = kModels();
  if (index < 1 || index > static_cast<int>(models.size())) return nullptr;
  return &models[static_cast<std::size_t>(index - 1)];
}

int ModelIndexById(std::uint16_t id) {
  for (const DeviceModel& m : kModels()) {
    if (m.Identifies(id)) return m.index;
  }
  return 0;
}

const ConfigLayout* ConfigLayoutOf(int index) {
  const DeviceModel* model = ModelByIndex(index);
  return model != nullptr ? model->family->layout : nullptr;
}

ImageLimits ImageLimitsOf(const DeviceModel& model) {
  return {model.programWords, model.eepromBytes, model.family->ConfigMap()};
}

std::vector<const ConfigLayout*> ConfigLayouts() {
  std::vector<const ConfigLayout*> layouts;
  for (const DeviceModel& m : kModels()) {
    if (std::find(layouts.begin(), layouts.end(), m.family->layout) == layouts.end()) {
      layouts.push_back(m.family->layout);
    }
  }
  return layouts;
}

std::vector<std::string> ModelListTexts() {
  std::vector<std::string> texts{std::string(kAutodetect)};
  for (const DeviceModel& m : kModels()) texts.emplace_back(m.listText);
  return texts;
}

std::string ModelNames(std::string_view separator) {
  std::string names;
  for (const DeviceModel& m : kModels()) {
    std::vector<std::string_view> all{m.modelName};
    all.insert(all.end(), m.aliases.begin(), m.aliases.end());
    for (std::string_view name : all) {
      if (!names.empty()) names += separator;
      names += name;
    }
  }
  return names;
}

std::optional<int> ModelIndexByName(std::string_view text) {
  std::string upper;
  for (char c : text) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (upper == "AUTO" || upper == "AUTODETECTAR") return 0;
  std::string_view name = upper;
  if (name.substr(0, 3) == "PIC") name.remove_prefix(3);
  for (const DeviceModel& m : kModels()) {
    if (m.Answers(name)) return m.index;
  }
  return std::nullopt;
}

}  // namespace daxwel
