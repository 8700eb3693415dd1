// Small model fixtures shared by the tests of the structural model.
#pragma once

#include "platform/Quenby.h"

#include <boost/make_shared.hpp>

namespace fixtures {

// A wall as the model builder makes it: origin at the start of the base line,
// x axis along the base line, y axis up, four edges base, end, top, start.
inline BoardPtr MakeWall(double x0, double y0, double x1, double y1, double base, double height,
                         double thickness = 300) {
  auto wall = boost::make_shared<Board>();
  wall->SetKind(0);
  wall->SetUpperOffset(thickness / 2);
  wall->SetLowerOffset(thickness / 2);
  wall->SetOrigin(_3dPoint(x0, y0, base));
  wall->SetXAxis(_3dVector(x1 - x0, y1 - y0, 0));
  wall->SetYAxis(_3dVector(0, 0, 1));
  const _3dPoint corners[4] = {{x0, y0, base}, {x1, y1, base}, {x1, y1, base + height}, {x0, y0, base + height}};
  std::vector<BoardEdge> edges(4);
  for (int i = 0; i < 4; ++i)
    edges[i].SetLine(_2dLine(wall->WorldToLocal(corners[i]), wall->WorldToLocal(corners[(i + 1) % 4])));
  wall->SetEdges(edges);
  return wall;
}

}  // namespace fixtures
