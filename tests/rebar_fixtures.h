// Small fixtures of the rebar design tests: a rectangular board with its four
// edges and a design options record over a settings object.
#pragma once

#include "platform/Quenby.h"
#include "platform/Zarvel.h"
#include "rebar/ReinDesignOptions.h"

#include <boost/make_shared.hpp>

#include <cmath>
#include <string>
#include <vector>

namespace rebarfx {

// A board of the given kind: a lx × ly rectangle in its local frame (origin at
// 0, x along world x, y along world y), thickness h split evenly about the
// reference plane, concrete `concrete`, every face and edge of rebar grade
// `grade`.  The local corners may be turned by `turn` (radians) about the
// origin, so that the edges run at that angle.
inline BoardPtr MakeBoard(int kind, double lx, double ly, double h, const std::string& concrete = "C30",
                          const std::string& grade = "HRB335", double turn = 0.0) {
  auto b = boost::make_shared<Board>();
  b->SetKind(kind);
  b->SetUpperOffset(h / 2);
  b->SetLowerOffset(h / 2);
  b->SetConcreteGrade(concrete);
  b->SetUpperXGrade(grade);
  b->SetUpperYGrade(grade);
  b->SetLowerXGrade(grade);
  b->SetLowerYGrade(grade);
  const double c = std::cos(turn), s = std::sin(turn);
  auto at = [&](double x, double y) { return _2dPoint(x * c - y * s, x * s + y * c); };
  const _2dPoint p[4] = {at(0, 0), at(lx, 0), at(lx, ly), at(0, ly)};
  std::vector<BoardEdge> edges(4);
  for (int i = 0; i < 4; ++i) edges[i].SetLine(_2dLine(p[i], p[(i + 1) % 4]));
  b->SetEdges(edges);
  return b;
}

// Gives all four mid-span groups of a board the same HRB335 bars.
inline void SetAllFaceBars(const BoardPtr& b, int diameter, int spacing) {
  for (bool upper : {true, false})
    for (bool x : {true, false}) {
      FaceValues& v = b->GetFaceValues(upper, x);
      v.diameter = diameter;
      v.spacing = spacing;
      v.grade = "HRB335";
    }
}

// Gives every board its grades from the material settings by kind, as the
// designer's analysis command does before it analyses.
inline void AssignGrades(Tank& tank, const ProjectSettings& settings) {
  const MaterialSettings& m = settings.GetMaterialSettings();
  for (const BoardPtr& b : tank.GetBoards()) {
    const int kind = b->GetKind();
    const std::string concrete = kind == 0   ? m.GetWallConcreteGrade()
                                 : kind == 1 ? m.GetBottomConcreteGrade()
                                             : m.GetTopConcreteGrade();
    const std::string rein = kind == 0 ? m.GetWallReinGrade() : kind == 1 ? m.GetBottomReinGrade() : m.GetTopReinGrade();
    b->SetConcreteGrade(concrete);
    b->SetUpperXGrade(rein);
    b->SetLowerXGrade(rein);
    b->SetUpperYGrade(rein);
    b->SetLowerYGrade(rein);
    for (BoardEdge& e : b->GetEdges()) {
      e.SetUpperGrade(rein);
      e.SetLowerGrade(rein);
    }
  }
}

struct Design {
  ProjectSettings settings;
  ReinDesignOptions options;
  Design() { options.SetSettings(&settings); }
  Design(const Design&) = delete;
};

}  // namespace rebarfx
