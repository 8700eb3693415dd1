// The calculation book of the built-in 3×2-cell example (29 members) as the
// host writes it: the plan pictures and member pictures drawn, then the
// whole .docx written.  The tank is built, analysed and designed once.
#include "app/BookPictures.h"
#include "app/NewTank.h"
#include "app/ProjectFile.h"
#include "designer/TankDesigner.h"
#include "platform/Nirvox.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <unistd.h>

namespace {

void BM_CalcBookGrid3x2(benchmark::State& state) {
  auto designer = std::make_unique<TankDesigner>();
  tank::app::BuildNewTank(*designer, tank::app::ReadProject(tank::app::ExampleProject("grid-3x2"), "grid-3x2"),
                          "grid-3x2");
  if (!designer->Analyse()) {
    state.SkipWithError("analysis failed");
    return;
  }
  designer->DesignRein(nullptr);
  designer->SetReinDesigned(true);
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() / ("tankdesign-bench-" + std::to_string(::getpid()) + ".docx");
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
