// Small model fixtures shared by the tests of the structural model.
#pragma once

#include "platform/Quenby.h"
#include "model/TankModeler.h"

#include <boost/make_shared.hpp>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

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

// A layout record of a regular tank: cellsX × cellsY cells over
// lengthX × lengthY (mm) from the plan origin, walls 300 mm thick and 4000 mm
// high, bottom elevation -3.0 m, bottom slab 400 mm, top slab 250 mm when
// hasTopSlab.  The walls then stand at -3200 mm (the bottom-slab mid-plane)
// and the top slabs' mid-plane lies at 800 mm.
inline TankLayoutParams RegularLayout(std::uint32_t cellsX = 2, std::uint32_t cellsY = 1,
                                      bool hasTopSlab = true, double lengthX = 12000,
                                      double lengthY = 6000) {
  TankLayoutParams p;
  p.origin = _3dPoint(0, 0, 0);
  p.lengthX = lengthX;
  p.lengthY = lengthY;
  p.cellsX = cellsX;
  p.cellsY = cellsY;
  p.wallHeight = 4000;
  p.wallThickness = 300;
  p.bottomElevation = -3.0;
  p.bottomSlabThickness = 400;
  p.hasTopSlab = hasTopSlab;
  p.topSlabThickness = 250;
  return p;
}

// Empties the tank and places the boards of a regular tank from the layout
// record (TankModeler::PlaceRegularBoards): walls along x, then along y, then
// the top slabs and the bottom slabs, one per cell, row by row from the
// origin.  False, with the tank emptied, for a record the modeler refuses.
// With `prepare` the tank also gets what the analysis prepares first: outer
// wall faces marked and the default edge restraints (wall top 1, top-slab
// edge 1, bottom-slab edge 0).
inline bool MakeRegularTank(Tank& tank, const TankLayoutParams& params, bool prepare = false) {
  TankModeler modeler;
  tank.Clear();
  if (!modeler.PlaceRegularBoards(params, tank)) return false;
  if (prepare) {
    modeler.MarkOuterWallFaces(tank);
    modeler.ClassifyBoardEdges(tank, 1, 1, 0);
  }
  return true;
}

// The lowest and highest level of a board (mm).
inline double ZMin(const BoardPtr& b) {
  double lo = 0, hi = 0;
  TankModeler().GetBoardZRange(b, lo, hi);
  return lo;
}
inline double ZMax(const BoardPtr& b) {
  double lo = 0, hi = 0;
  TankModeler().GetBoardZRange(b, lo, hi);
  return hi;
}

// The wall whose base line runs between the two plan points (either way).
inline BoardPtr WallAlong(const Tank& tank, double x0, double y0, double x1, double y1) {
  for (const BoardPtr& w : tank.GetWalls()) {
    _2dLine l;
    if (!TankModeler().GetWallBaseLine(w, l)) continue;
    const _2dPoint a(x0, y0), b(x1, y1);
    if ((l.GetStartPoint() == a && l.GetEndPoint() == b) || (l.GetStartPoint() == b && l.GetEndPoint() == a))
      return w;
  }
  return nullptr;
}

// The tank's own record in an archive, and back (tests of the tank filing).
inline std::vector<std::uint8_t> StoreTank(const Tank& tank) {
  std::ostringstream out;
  {
    Archive ar(out);
    const_cast<Tank&>(tank).Serialize(ar);
    ar.Close();
  }
  const std::string s = out.str();
  return std::vector<std::uint8_t>(s.begin(), s.end());
}

inline void ReadTank(Tank& tank, const std::vector<std::uint8_t>& bytes) {
  Archive ar(bytes);
  tank.Serialize(ar);
  ar.Close();
}

}  // namespace fixtures
