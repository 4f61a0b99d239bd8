// Time the mimic view takes from a full document (255 panels, 1000 sensors, labels and icons
// spread over 251 incubators): one answer's dispetchW, the end-of-round refresh of every row,
// and one RedUst pass.
#include <benchmark/benchmark.h>

#include <array>
#include <memory>
#include <string>

#include "mimic/DispetchView.h"

namespace {

struct FullHall {
  std::unique_ptr<vs::konstrT> ks = std::make_unique<vs::konstrT>();
  std::unique_ptr<vs::StationTables> t = std::make_unique<vs::StationTables>();
  std::array<std::int32_t, 256> tab_otvet{};
  std::unique_ptr<vs::TFile_config> cfg = std::make_unique<vs::TFile_config>();
  vs::DispetchView view{*ks, *t, tab_otvet, *cfg};

  FullHall() {
    cfg->kol_inkub = 251;
    for (std::size_t r = 0; r < 251; ++r) cfg->konfig_o[r] = 1;
    ks->kol_Na = 255;
    ks->kol_Dsk = ks->kol_Lb = ks->kol_Za = 1000;
    for (std::size_t i = 0; i < 255; ++i) {
      ks->Na[i].Name.setUtf8("N_" + std::to_string(i + 1));
      ks->Na[i].N_KP = static_cast<std::int32_t>(i % 251 + 1);
    }
    for (std::size_t i = 0; i < 1000; ++i) {
      const auto n = static_cast<std::int32_t>(i / 4 % 251 + 1);
      for (vs::Tlabel_* r : {&ks->Dsk[i], &ks->Lb[i], &ks->Za[i]}) {
        r->Name.setUtf8("X_" + std::to_string(i + 1));
        r->NameNa.setUtf8("N_" + std::to_string(n));
        r->N_KP = i % 50 == 0 ? 0 : n;
        r->privazkaKP = 1;
        r->NazvanieNOM = i % 4 == 0;
      }
      ks->Dsk[i].Tip = static_cast<std::int32_t>(i % 12);
      ks->Za[i].Image = static_cast<std::int32_t>(i % 9);
    }
    ks->nom_KP0 = 1;
    view.CreateDispetch();
  }
};

void BM_MimicAnswer(benchmark::State& state) {
  FullHall h;
  int row = 0;
  for (auto _ : state) {
    h.view.dispetchW(row);
    row = (row + 1) % 251;
  }
}
BENCHMARK(BM_MimicAnswer);

void BM_MimicRoundEnd(benchmark::State& state) {
  FullHall h;
  for (auto _ : state) {
    const auto [from, to] = h.view.panelsToRefresh();
    for (int k = from; k <= to; ++k) h.view.dispetchW(k - 1);
  }
}
BENCHMARK(BM_MimicRoundEnd)->Unit(benchmark::kMillisecond);

void BM_MimicRedUst(benchmark::State& state) {
  FullHall h;
  for (auto _ : state) h.view.RedUst();
}
BENCHMARK(BM_MimicRedUst);

}  // namespace
