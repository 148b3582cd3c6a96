#include "link/saved_adapter.h"

#include <charconv>

#include "link/user_settings.h"

namespace daxwel {

namespace {

// The named adapter, with the delay saved beside it.
void Resolve(SavedAdapter& saved, const std::string& file, const std::string& name,
             const SettingLine* delay) {
  saved.found = true;
  if (std::string problem = ResolveAdapter(name, saved.choice); !problem.empty()) {
    saved.problem = "Adaptador guardado en " + Printable(file) + ": " + problem;
    return;
  }
  if (delay == nullptr) return;
  const std::string& text = delay->value;
  int us = -1;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), us);
  if (ec != std::errc() || end != text.data() + text.size() || us < 0 ||
      us > kMaxExtraHalfPeriodUs) {
    saved.problem =
        Printable(file + ":" + std::to_string(delay->line) + ": retardo=" + text +
                  ": se esperan microsegundos, de 0 a " + std::to_string(kMaxExtraHalfPeriodUs));
    return;
  }
  saved.choice.extraHalfPeriod = std::chrono::microseconds(us);
}

SavedAdapter SavedAdapterFrom(const SettingsText& settings, const std::string& file) {
  SavedAdapter saved;
  if (!settings.problem.empty()) {
    saved.found = true;
    saved.problem =
        settings.unreadable ? "Adaptador guardado en " + settings.problem : settings.problem;
    return saved;
  }
  const SettingName& name = NameOf(Setting::Adapter);
  const SettingName& delay = NameOf(Setting::AdapterDelay);
  const SettingLine* chosen = settings.Find(name.section, name.key);
  if (chosen != nullptr && !chosen->value.empty()) {
    Resolve(saved, file, chosen->value, settings.Find(delay.section, delay.key));
  }
  return saved;
}

}  // namespace

std::filesystem::path SavedAdapterFile() { return SettingsFile(); }

SavedAdapter ParseSavedAdapter(std::string_view text, const std::string& file) {
  return SavedAdapterFrom(ParseSettings(text, file), file);
}

SavedAdapter LoadSavedAdapter() {
  return SavedAdapterFrom(LoadSettings(), SettingsFile().string());
}

std::string SaveAdapter(const AdapterChoice& choice) {
  const SettingName& name = NameOf(Setting::Adapter);
  const SettingName& delay = NameOf(Setting::AdapterDelay);
  if (choice.name.find_first_of("\r\n") != std::string::npos) {
    return "No se pudo guardar el adaptador en " + Printable(SettingsFile().string()) +
           ": el nombre tiene un salto de línea";
  }
  return SaveSettings({{std::string(name.section), std::string(name.key), choice.name},
                       {std::string(delay.section), std::string(delay.key),
                        std::to_string(choice.extraHalfPeriod.count())}},
                      "el adaptador");
}

}  // namespace daxwel
