#include "device/program_plan.h"

#include <algorithm>
#include <cstdio>

namespace daxwel::detail {

namespace {

using std::chrono::microseconds;

// Program words from..to, reading from a fresh entry.
std::vector<std::uint16_t> ReadProgramWords(Session& s, int from, int to, const ShowAddress& show) {
  std::vector<std::uint16_t> words;
  s.Reset();
  s.Enter();
  s.Walk(to, [&](int a) {
    if (a < from) return true;
    show(a);
    s.Command(cmd::kReadDataProgram);
    words.push_back(WordOf(s.Read()));
    return true;
  });
  return words;
}

}  // namespace

ProgramPlan PlanProgram(Session& s, const HexImage& image, const ConfigMemory& wantConfig,
                        const FactoryBits& factory, const ShowAddress& show) {
  const FamilyAlgorithm& algorithm = AlgorithmOf(*s.model);
  const FamilyDescriptor& family = *s.model->family;
  const CycleTimes& t = s.cycles;
  ProgramPlan plan;
  plan.wantConfig = wantConfig;
  // Words past the file are kept as they are, up to the last one with factory bits.
  const int end = std::max<int>(image.ProgramEnd, factory.LastProgramAddress());
  plan.have = ReadProgramWords(s, 0, end, show);
  plan.haveConfig = ReadIdsAndConfig(s);
  // Bits the part keeps from the factory stay as the chip holds them, whatever the file says.
  for (int a = 0; a <= end; ++a) {
    const auto i = static_cast<std::size_t>(a);
    const auto word = a <= image.ProgramEnd
                          ? static_cast<std::uint16_t>(image.ProgramWords[i] & 0x3FFF)
                          : plan.have[i];
    plan.want.push_back(factory.Apply(a, word));
  }
  const std::vector<int> written = WrittenConfigAddresses(family);
  for (int address : written) {
    const std::size_t j = family.ConfigIndex(address);
    if (family.IsConfigWord(address))
      plan.wantConfig[j] = factory.Apply(address, plan.wantConfig[j]);
  }
  // IDs the file leaves out stay as the chip holds them, after an erase too.
  for (std::size_t j = 0; j < 4; ++j) {
    if (!FileDecidesId(image, family, j)) plan.wantConfig[j] = plan.haveConfig[j];
  }
  // Calibration words are never written: what the plan leaves there is what the chip holds.
  for (int address : family.calibrationWords) {
    const std::size_t j = family.ConfigIndex(address);
    plan.wantConfig[j] = plan.haveConfig[j];
  }

  microseconds inPlace{0};
  microseconds erased = t.bulkErase;
  bool possible = true;
  for (std::size_t a = 0; a < plan.want.size(); ++a) {
    const auto cost = algorithm.InPlaceCostAt(t, static_cast<int>(a), plan.have[a], plan.want[a]);
    possible = possible && cost.has_value();
    if (cost) inPlace += *cost;
    erased += algorithm.ErasedCost(t, plan.want[a]);
  }
  for (int address : written) {
    const std::size_t j = family.ConfigIndex(address);
    const std::uint16_t mask =
        family.IsConfigWord(address) ? family.ConfigMaskAt(address) : kErasedValue;
    if ((plan.haveConfig[j] & mask) != (plan.wantConfig[j] & mask) &&
        !algorithm.RewritesConfigInPlace(address, plan.haveConfig[j], plan.wantConfig[j], mask)) {
      possible = false;
    }
  }
  if (possible) plan.inPlaceTime = inPlace;
  plan.eraseFirstTime = erased;
  // What the file leaves out only counts once erasing first could pay.
  if (possible && inPlace <= erased) return plan;

  const int last = s.model->programWords - 1;
  if (end < last) {
    for (std::uint16_t word : ReadProgramWords(s, end + 1, last, show)) {
      plan.want.push_back(word);
      plan.eraseFirstTime += algorithm.ErasedCost(t, word);
    }
  }
  plan.eraseFirst = !possible || plan.eraseFirstTime < inPlace;
  if (!plan.eraseFirst) {
    plan.want.resize(plan.have.size());
  } else {
    plan.have.resize(plan.want.size(), kErasedValue);
  }
  s.Reset();
  s.Enter();
  return plan;
}

void EraseForPlan(Session& s, ProgramPlan& plan) {
  if (!plan.eraseFirst) return;
  const FamilyAlgorithm& algorithm = AlgorithmOf(*s.model);
  algorithm.EraseProgramMemory(s);
  plan.have.assign(plan.want.size(), kErasedValue);
  if (algorithm.EraseFirstClearsConfig()) {
    const FamilyDescriptor& family = *s.model->family;
    for (int address : WrittenConfigAddresses(family)) {
      plan.haveConfig[family.ConfigIndex(address)] = kErasedValue;
    }
  }
}

std::string DescribePlan(const ProgramPlan& plan) {
  char text[160];
  const double erased = static_cast<double>(plan.eraseFirstTime.count()) / 1e6;
  if (plan.inPlaceTime) {
    std::snprintf(text, sizeof text, "Programa: %s (en el lugar %.3f s, borrando primero %.3f s)",
                  plan.eraseFirst ? "borrando primero" : "en el lugar",
                  static_cast<double>(plan.inPlaceTime->count()) / 1e6, erased);
  } else {
    std::snprintf(text, sizeof text,
                  "Programa: borrando primero (%.3f s; en el lugar haría falta reescribir "
                  "palabras que esta familia solo cambia borrando)",
                  erased);
  }
  return text;
}

}  // namespace daxwel::detail
