// TankModel3DView: the structural model as solids in the CAD host's 3D
// space.  Every shown wall and slab becomes an extruded solid on its
// mid-plane with its openings and notches cut out, every slab edge that
// carries an overhang gets a solid of its own, and the joint lines of the
// model are drawn as 3D lines, each line once.  All entities carry kind
// 0x2000.
//
// The solids show the concrete as it is cast (platform/quenby/concrete.h),
// closed at the tank's outer corners and meeting face to face, while the
// structural model keeps its boards on the wall axes: a slab's edges on the
// tank's outside reach the outer faces of their walls; walls stand on the
// bottom slab and end under the top slab; of two walls that end at an outer
// corner, the first in the model is carried to the other's outer face and
// the other ends at its inner face; a wall that stops at a wall running
// through ends at its face; the bottom-slab overhang is the plan outline
// moved out to the overhang's edge less the slabs, each overhanging edge
// owning its part (a re-entrant corner once).
#pragma once

#include "view/TankView.h"

#include <boost/shared_ptr.hpp>

#include <string>
#include <vector>

class TankModel3DView : public TankView, public VekObject {
 public:
  explicit TankModel3DView(AcadViewBoard* board);
  ~TankModel3DView() override;

  // Files the four display flags as ints.
  void Serialize(Archive& ar) override;

  // Draws the whole model on the view board (on a freshly created view).
  void Redraw(Tank& tank);
  // One entity list per drawn board, in component order, each registered
  // under its board.
  std::vector<EntityList> BuildBoardSolids(Tank& tank);
  // Appends the CAD handles of the view's entities (not cleared first).
  void CollectSelectedEntities(EntityHandleList& out) const;

  // The solid of one board: its outline moved to the mid-plane between the
  // faces, extruded by the thickness, openings and notches cut out.  Null
  // for a board whose outline has fewer than three points.
  static boost::shared_ptr<_3dExtrudant> MakeBoardSolid(const Board& board);
  // The same with each edge i of the outline moved outwards by grow[i] (a
  // list of another length than the outline moves nothing).
  static boost::shared_ptr<_3dExtrudant> MakeBoardSolid(const Board& board, const std::vector<double>& grow);
  // Cuts the openings and notches of the board out of its solid; opening
  // kinds other than circles, rectangles and notches are skipped.
  static void AddOpeningCutters(const Board& board, _3dExtrudant& solid);
  // The solids of the overhang of a slab: per overhanging edge its part of
  // the overhang (see above), on the slab's mid-plane with the slab's
  // thickness.
  static EntityList BuildOverhangSolids(const BoardPtr& board, Tank& tank);

  int m_showTopSlabs = 1;
  int m_showWalls = 1;
  int m_showBottomSlabs = 1;
  int m_zoomToExtent = 1;
};
