// The analysis command of the designer and of the host: preparation, the
// hand-over of the texts, what a failed analysis leaves, and the results
// surviving a saved design.
#include "app/DesignFiles.h"
#include "app/Host.h"
#include "app/NewTank.h"
#include "app/ProjectFile.h"
#include "designer/TankDesigner.h"
#include "platform/HostServices.h"
#include "platform/Tobrin.h"
#include "tests/test_paths.h"
#include "tests/host_run.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

class DesignerAnalysis : public HostCommandTest {
 protected:
  void SetUp() override {
    HostCommandTest::SetUp();
    ClearAnalysisTexts();
  }

  void Build(TankDesigner& designer, const char* example = "buried-two-cell") {
    tank::app::BuildNewTank(designer, tank::app::ReadProject(tank::app::ExampleProject(example), example), example);
  }

  static double LargestMoment(const Tank& tank) {
    double m = 0.0;
    for (const BoardPtr& b : tank.GetBoards())
      for (bool upper : {true, false})
        for (bool x : {true, false}) m = std::max(m, std::abs(b->GetFaceValues(upper, x).basicMoment));
    return m;
  }

};

TEST_F(DesignerAnalysis, AnalyseOverwritesHandGradesAndHandsOverTheTexts) {
  TankDesigner designer;
  Build(designer);
  const BoardPtr wall = designer.GetTank().GetWalls().front();
  wall->SetUpperXGrade("HPB235");
  wall->SetConcreteGrade("C15");
  designer.GetSettings().GetCalcSettings().SetCrackWidthLimit(0.2);

  ASSERT_TRUE(designer.Analyse()) << GetLastAnalysisError();
  EXPECT_EQ(wall->GetUpperXGrade(), designer.GetSettings().GetMaterialSettings().GetWallReinGrade());
  EXPECT_EQ(wall->GetConcreteGrade(), designer.GetSettings().GetMaterialSettings().GetWallConcreteGrade());
  EXPECT_DOUBLE_EQ(designer.GetTank().m_crackWidthLimit, 0.2);
  EXPECT_GT(LargestMoment(designer.GetTank()), 1.0);
  EXPECT_FALSE(GetAntiFloatCheckText().empty());
  EXPECT_FALSE(GetBearingCheckText().empty());
  EXPECT_EQ(GetBottomSlabLoadText().size(), 2u);
  EXPECT_TRUE(IsTankAnalysed(designer.GetTank(), designer.GetSettings()));
}

// A failed analysis leaves no moments and no texts of the analysis before.
TEST_F(DesignerAnalysis, FailedAnalysisLeavesNothingStale) {
  TankDesigner designer;
  Build(designer);
  ASSERT_TRUE(designer.Analyse());
  ASSERT_FALSE(GetAntiFloatCheckText().empty());

  // Keep one wall alone: nothing holds it.
  Tank& tank = designer.GetTank();
  const BoardPtr kept = tank.GetWalls().front();
  for (const BoardPtr& b : tank.GetBoards())
    if (b != kept) designer.GetModeler().RemoveBoard(b, tank);
  ASSERT_EQ(tank.GetBoards().size(), 1u);
  ASSERT_GT(LargestMoment(tank), 1.0);

  EXPECT_FALSE(designer.Analyse());
  EXPECT_FALSE(GetLastAnalysisError().empty());
  EXPECT_EQ(LargestMoment(tank), 0.0);
  for (const BoardEdge& e : kept->GetEdges()) {
    EXPECT_EQ(e.GetFaceValues(true).basicMoment, 0.0);
    EXPECT_EQ(e.GetFaceValues(false).basicMoment, 0.0);
  }
  EXPECT_TRUE(GetAntiFloatCheckText().empty());
  EXPECT_TRUE(GetBottomSlabLoadText().empty());
  EXPECT_FALSE(IsTankAnalysed(tank, designer.GetSettings()));
}

TEST_F(DesignerAnalysis, ResultsSurviveASavedDesign) {
  const std::string path = (dir / "tank.tkd").string();
  std::vector<std::string> checks;
  double moment = 0.0;
  {
    TankDesigner designer;
    Build(designer);
    ASSERT_TRUE(designer.Analyse());
    checks = GetAntiFloatCheckText();
    moment = designer.GetTank().GetWalls().front()->GetUpperYBasicMoment();
    tank::app::SaveDesign(designer, path);
  }
  ClearAnalysisTexts();
  TankDesigner reopened;
  tank::app::OpenDesign(reopened, path);
  EXPECT_TRUE(IsTankAnalysed(reopened.GetTank(), reopened.GetSettings()));
  EXPECT_EQ(GetAntiFloatCheckText(), checks);
  EXPECT_DOUBLE_EQ(reopened.GetTank().GetWalls().front()->GetUpperYBasicMoment(), moment);

  // A change of the model makes it un-analysed again.
  reopened.GetSettings().GetGeologySettings().SetGroundwaterDepth(0.5);
  EXPECT_FALSE(IsTankAnalysed(reopened.GetTank(), reopened.GetSettings()));
}

// The hogging next to a joined edge is the support's moment, not the
// span's, in both methods: the top slabs of a buried tank, loaded downward,
// have no upper-face tension in their span (away from openings), and their
// supports do.
TEST_F(DesignerAnalysis, SpanMomentsLeaveTheSupportBandToTheEdges) {
  for (int method : {0, 1}) {
    TankDesigner designer;
    Build(designer);
    designer.GetSettings().GetLoadSettings().SetAnalysisMethod(method);
    ASSERT_TRUE(designer.Analyse()) << "method " << method << ": " << GetLastAnalysisError();
    for (const BoardPtr& slab : designer.GetTank().GetTopSlabs()) {
      if (!slab->GetHoles().empty()) continue;  // an opening's corners hog locally
      EXPECT_EQ(slab->GetUpperXBasicMoment(), 0.0) << "method " << method;
      EXPECT_EQ(slab->GetUpperYBasicMoment(), 0.0) << "method " << method;
      EXPECT_LT(slab->GetLowerXBasicMoment(), -5.0) << "method " << method;
      double support = 0.0;
      for (const BoardEdge& e : slab->GetEdges()) support = std::max(support, e.GetUpperBasicMoment());
      EXPECT_GT(support, 20.0) << "method " << method;
    }
  }
}

// The whole-tank method shows its long steps as they start: through the
// host's progress callback, and on the terminal (the error stream) from the
// host command; the board method stays quiet.
TEST_F(DesignerAnalysis, WholeTankMethodShowsItsProgress) {
  TankDesigner designer;
  Build(designer, "open-single-cell");
  designer.GetSettings().GetLoadSettings().SetAnalysisMethod(1);
  ASSERT_TRUE(designer.Analyse(&HostTextProgress)) << GetLastAnalysisError();
  const std::vector<ProgressRecord>& steps = GetScriptedHost().GetProgress();
  ASSERT_GE(steps.size(), 5u);
  std::string texts;
  for (std::size_t i = 0; i < steps.size(); ++i) {
    texts += steps[i].text + "\n";
    if (i > 0) {
      EXPECT_GE(steps[i].percent, steps[i - 1].percent) << steps[i].text;
    }
  }
  for (const char* step : {"meshing", "factorising the stiffness", "solving ", "moments of "})
    EXPECT_NE(texts.find(step), std::string::npos) << step << " in\n" << texts;
  EXPECT_EQ(steps.back().percent, 100);

  GetScriptedHost().Reset();
  designer.GetSettings().GetLoadSettings().SetAnalysisMethod(0);
  ASSERT_TRUE(designer.Analyse(&HostTextProgress)) << GetLastAnalysisError();
  EXPECT_TRUE(GetScriptedHost().GetProgress().empty());

  std::string json = tank::app::ExampleProject("open-single-cell");
  json.replace(json.find("\"settings\": {"), 13, "\"settings\": {\n    \"loads\": { \"analysis_method\": 1 },");
  const std::string project = (dir / "p.json").string();
  std::ofstream(project) << json;
  const HostRun run = RunTool({"analyse", project});
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_NE(run.err.find("% shell model: factorising the stiffness"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("100% shell model: done"), std::string::npos) << run.err;
}

TEST_F(DesignerAnalysis, HostCommandWritesDesignAndMoments) {
  const std::string project = (dir / "p.json").string();
  std::ofstream(project) << tank::app::ExampleProject("open-single-cell");
  std::ostringstream out, err;
  const int code = tank::app::RunHost({"tankdesign", "analyse", project, "-o", (dir / "out").string()}, out, err);
  ASSERT_EQ(code, 0) << err.str();
  EXPECT_NE(out.str().find("抗浮验算"), std::string::npos);
  std::ifstream csv(dir / "out" / "moments.csv");
  std::string header, line;
  std::getline(csv, header);
  EXPECT_EQ(header.rfind("board,face,direction_or_edge,basic", 0), 0u) << header;
  int rows = 0;
  while (std::getline(csv, line)) ++rows;
  // 5 boards, each 4 face rows and 2 rows per edge (4 edges).
  EXPECT_EQ(rows, 5 * (4 + 2 * 4));

  // The saved design analyses again without a project file.
  std::ostringstream out2, err2;
  EXPECT_EQ(tank::app::RunHost({"tankdesign", "analyse", (dir / "out" / "tank.tkd").string()}, out2, err2), 0)
      << err2.str();
}

}  // namespace
