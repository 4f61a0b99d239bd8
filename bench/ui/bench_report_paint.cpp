// The shift's sheet of 251 incubators drawn on the user-interface thread: the preview of
// "Отчёт за смену" (every page laid out again) and the painting alone on a PDF printer.
#include <benchmark/benchmark.h>

#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QTemporaryDir>

#include "report/ui/ReportPdf.h"

namespace {

vs::ShiftReport hall251() {
  vs::ShiftReport r;
  r.hall = "Цех 1";
  r.shift = {vs::encodeDateTime({2026, 12, 10, 8, 0, 0, 0}),
             vs::encodeDateTime({2026, 12, 10, 20, 0, 0, 0})};
  r.made = r.shift.end;
  for (int n = 1; n <= 251; ++n) {
    vs::IncubatorReport ir;
    ir.incubator.number = n;
    ir.incubator.name = "Инкубатор " + std::to_string(n);
    ir.incubator.logged = true;
    ir.incubator.program = true;
    ir.incubator.programName = "Куры.ink";
    ir.incubator.day = n % 21;
    ir.incubator.zone = {true, 3700, 3780, 45, 60};
    ir.hasLog = n % 10 != 0;
    for (auto& t : ir.t) t = {4320, 37.41, 37.52, 37.66, 3};
    ir.humidity = {4320, 49, 52, 56, 0};
    if (n % 25 == 0)
      ir.alarms.push_back({n, "№" + std::to_string(n), "Темп. выше зоны", r.shift.start + 0.1,
                           r.shift.start + 0.12, r.shift.start + 0.11, "Иванова"});
    r.incubators.push_back(std::move(ir));
  }
  return r;
}

void BM_ShiftSheetPreview251(benchmark::State& state) {
  const vs::ShiftReport r = hall251();
  QPrinter printer(QPrinter::HighResolution);
  QPrintPreviewWidget preview(&printer);
  QObject::connect(&preview, &QPrintPreviewWidget::paintRequested, [&](QPrinter* p) {
    QPainter painter(p);
    vs::paintShiftReport(r, painter, *p);
  });
  preview.resize(800, 900);
  for (auto _ : state) {
    preview.updatePreview();
    benchmark::DoNotOptimize(preview.pageCount());
  }
  state.counters["pages"] = preview.pageCount();
}
BENCHMARK(BM_ShiftSheetPreview251)->Unit(benchmark::kMillisecond);

void BM_ShiftSheetPdf251(benchmark::State& state) {
  const vs::ShiftReport r = hall251();
  QTemporaryDir dir;
  int pages = 0;
  for (auto _ : state) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath("sheet.pdf"));
    QPainter painter(&printer);
    pages = vs::paintShiftReport(r, painter, printer);
    painter.end();
  }
  state.counters["pages"] = pages;
}
BENCHMARK(BM_ShiftSheetPdf251)->Unit(benchmark::kMillisecond);

}  // namespace
