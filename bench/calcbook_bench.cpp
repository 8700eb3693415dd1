// The calculation book of the built-in 3×2-cell example (29 members) as the
// host writes it: the plan pictures and member pictures drawn, then the
// whole .docx written.  The tank is built, analysed and designed once.
#include "app/BookPictures.h"
#include "bench/designed_example.h"
#include "designer/TankDesigner.h"
#include "platform/Nirvox.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <unistd.h>

namespace {

void BM_CalcBookGrid3x2(benchmark::State& state) {
  const auto designer = benchfx::DesignedExample("grid-3x2", state);
  if (!designer) return;
  const std::filesystem::path path = benchfx::ScratchPath(".docx");
  g_ViewBoard.SetDocumentPath(path.string());
  const CalcBookOptions options(8, 1);
  const int mode = 0;
  for (auto _ : state) {
    const tank::app::BookPictures pictures = tank::app::MakeBookPictures(*designer, CalcBookOptions(8, 1));
    const bool ok = designer->WriteCalcBook(pictures.Handles(), &mode, options, pictures.bottom, pictures.top,
                                            pictures.walls, {}, {}, {}, nullptr);
    designer->GetCalcBookWriter().ReleaseDocument();
    if (!ok) state.SkipWithError(designer->GetCalcBookError().c_str());
  }
  state.counters["members"] = static_cast<double>(designer->GetTank().GetBoards().size());
  std::error_code ec;
  std::filesystem::remove(path, ec);
}
BENCHMARK(BM_CalcBookGrid3x2)->Unit(benchmark::kMillisecond);

}  // namespace
