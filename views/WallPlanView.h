// The wall reinforcement plan: the tank's walls seen from above with their
// face lines and junction haunch lines, the result labels of every wall and
// of its four edges, on request the bars of the tallest walls with their
// range dimensions, and the drawing title.
#pragma once

#include "views/DrawingViews.h"

class TankWallReinPlanView : public DrawingView {
 public:
  TankWallReinPlanView(AcadViewBoard* board, const ViewSettings& settings, const ViewVolumn& volume)
      : DrawingView(board, settings, volume) {}
  ~TankWallReinPlanView() override = default;

  bool Draw(Tank& tank, double scale, const ViewSettings& settings, bool usePoint, _3dPoint insertPoint) override;
  void DrawAllRein(Tank& tank, const ViewSettings& settings) override;
  void DrawTitle(const DetailingSettings& detailing) override;
  // The result labels of the walls the view drew (also after a change of
  // the label size).
  void DrawWalls(double crackWidthLimit);
};

// The first wall's highest outline point lies lower than the second's.
struct WallTopLess {
  bool operator()(const BoardPtr& a, const BoardPtr& b) const;
};
