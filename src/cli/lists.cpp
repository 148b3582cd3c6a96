#include "cli/lists.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <vector>

#include "device/catalogue.h"
#include "device/part_facts.h"

namespace daxwel::cli {

namespace {

namespace fs = std::filesystem;

std::string Hex(int value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%0*X", digits, static_cast<unsigned>(value));
  return text;
}

std::string Joined(const std::vector<std::vector<std::string>>& rows, bool tabs) {
  std::vector<std::size_t> widths(PartFactHeader().size(), 0);
  for (const auto& row : rows) {
    for (std::size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], row[i].size());
  }
  std::string text;
  for (const auto& row : rows) {
    std::string line;
    for (std::size_t i = 0; i < row.size(); ++i) {
      if (i > 0) line += tabs ? "\t" : "  ";
      line += row[i];
      if (!tabs && i + 1 < row.size()) line.append(widths[i] - row[i].size(), ' ');
    }
    text += line + "\n";
  }
  return text;
}

}  // namespace

std::optional<std::string> PartsListing(std::string_view format) {
  if (format == "names") {
    std::string names = ModelNames("\n");
    return names.empty() ? names : names + "\n";
  }
  if (format != "texto" && format != "tsv") return std::nullopt;
  std::vector<std::vector<std::string>> rows{PartFactHeader()};
  for (const DeviceModel& m : Catalogue()) rows.push_back(PartFactFields(m));
  return Joined(rows, format == "tsv");
}

namespace {

// "888\t1912" -> "0x378".
std::string BaseAddress(const fs::path& file) {
  std::ifstream in(file);
  long value = -1;
  if (!(in >> value) || value < 0) return "?";
  return Hex(static_cast<int>(value), 3);
}

std::string Access(const fs::path& device) {
  std::error_code error;
  if (!fs::exists(device, error)) return "no existe " + device.string();
  if (::access(device.c_str(), R_OK | W_OK) == 0) return "sí";
  return "no (sin permiso; el grupo lp suele darlo)";
}

}  // namespace

std::string PortsListing(const fs::path& root) {
  // Port name ("parport0") -> base address; ports with only a device node get "?".
  std::map<std::string, std::string> ports;
  std::error_code error;
  const fs::path proc = root / "proc/sys/dev/parport";
  for (const auto& entry : fs::directory_iterator(proc, error)) {
    const fs::path base = entry.path() / "base-addr";
    if (fs::exists(base, error)) ports[entry.path().filename().string()] = BaseAddress(base);
  }
  for (const auto& entry : fs::directory_iterator(root / "dev", error)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("parport", 0) == 0 && !ports.contains(name)) ports[name] = "?";
  }
  if (ports.empty()) {
    return "No hay puertos paralelos: el núcleo no informa ninguno en /proc/sys/dev/parport ni "
           "hay /dev/parport* (¿falta cargar parport_pc?)\n";
  }
  std::string text;
  for (const auto& [name, base] : ports) {
    const fs::path device = root / "dev" / name;
    text += "/dev/" + name + "  base " + base + "  acceso: " + Access(device) + "\n";
  }
  return text;
}

}  // namespace daxwel::cli
