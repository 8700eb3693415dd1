// Host-facing geometry and statistics of the model.
#include "designer/Statistics.h"

#include "designer/TankDesigner.h"
#include "platform/Zarvel.h"
#include "view/ModuleStart.h"
#include "view/TankView.h"

#include <boost/make_shared.hpp>

#include <algorithm>
#include <cmath>
#include <typeinfo>

namespace {

const Board* ExactBoard(const boost::shared_ptr<VekObject>& object) {
  return object && typeid(*object) == typeid(Board) ? static_cast<const Board*>(object.get()) : nullptr;
}

EntityPtr ClosedPolyline(const std::vector<_3dPoint>& points) {
  std::vector<_3dPoint> flat;
  for (const _3dPoint& p : points) flat.emplace_back(p.x, p.y, 0.0);
  return boost::make_shared<_2dPolyline>(flat, true);
}

}  // namespace

void MakeHoleOutlineEntities(const boost::shared_ptr<VekObject>& object, std::vector<EntityPtr>& out) {
  const Board* board = ExactBoard(object);
  if (!board) return;
  for (const HolePtr& hole : board->GetHoles()) {
    if (!hole) continue;
    if (typeid(*hole) == typeid(CircleHole)) {
      const auto& c = static_cast<const CircleHole&>(*hole);
      out.push_back(boost::make_shared<_3dCircle>(_3dPoint(c.GetCenter().x, c.GetCenter().y, 0.0), c.GetRadius()));
    } else if (typeid(*hole) == typeid(RectangleHole)) {
      std::vector<_3dPoint> corners;
      for (const _2dPoint& p : static_cast<const RectangleHole&>(*hole).GetCorners()) corners.emplace_back(p.x, p.y);
      out.push_back(ClosedPolyline(corners));
    }
  }
}

void MakeNotchOutlineEntities(const boost::shared_ptr<VekObject>& object, std::vector<EntityPtr>& out) {
  const Board* board = ExactBoard(object);
  if (!board) return;
  for (const HolePtr& hole : board->GetHoles())
    if (hole && typeid(*hole) == typeid(Notch)) out.push_back(ClosedPolyline(static_cast<const Notch&>(*hole).GetOutline()));
}

void ForEachHole(TankView* view, BoardPtr board) {
  if (!view || !board) return;
  for (const HolePtr& hole : board->GetHoles())
    if (hole && typeid(*hole) != typeid(Notch)) view->ProcessHole(hole);
}

double GetBoardLowestZ(const BoardPtr& board) {
  if (!board) return 0.0;
  const std::vector<_3dPoint> outline = board->GetOutlinePoints();
  if (outline.empty()) return 0.0;
  double lowest = outline.front().z;
  for (const _3dPoint& p : outline) lowest = std::min(lowest, p.z);
  return lowest;
}

void SortBoardGroups(std::vector<std::vector<boost::shared_ptr<VekObject>>>& groups) {
  auto key = [](const boost::shared_ptr<VekObject>& object) {
    const std::vector<double> values = ExactBoard(object)->GetSortValues();
    if (values.empty()) return 0LL;
    long long sum = 0;
    for (double v : values) sum = static_cast<long long>(static_cast<double>(sum) + v);
    return sum / static_cast<long long>(values.size());
  };
  for (auto& group : groups) {
    std::vector<std::size_t> at;
    for (std::size_t i = 0; i < group.size(); ++i)
      if (ExactBoard(group[i])) at.push_back(i);
    for (std::size_t i = 0; i < at.size(); ++i)
      for (std::size_t j = i + 1; j < at.size(); ++j)
        if (key(group[at[i]]) < key(group[at[j]])) std::swap(group[at[i]], group[at[j]]);
  }
}

void GetResultColumns(std::vector<int>& flags, std::vector<std::string>& captions) {
  ListResultColumns(flags, captions);
}

double TankDesigner::GetFoundationLevel() const {
  const Tank& tank = GetProject().GetTank();
  const double depth = GetProject().GetSettings().GetGeologySettings().GetBurialDepth();
  BoardPtr lowest;
  double zmin = 0.0;
  for (const BoardPtr& slab : tank.GetBottomSlabs()) {
    const double z = GetBoardLowestZ(slab);
    if (!lowest || z < zmin) {
      lowest = slab;
      zmin = z;
    }
  }
  if (!lowest) return 0.0;
  // The underside lies below the reference plane by the offset of the face
  // that looks down, measured across the slab; vertically that is the offset
  // over the cosine of the slab's slope.
  _3dVector n = lowest->GetXAxis().CrossProduct(lowest->GetYAxis());
  n.Normalize(1e-8);
  const double cosine = std::abs(n.z);
  const double below = n.z >= 0 ? lowest->GetLowerOffset() : lowest->GetUpperOffset();
  const double underside = cosine > 1e-9 ? zmin - below / cosine : zmin;
  return depth + 0.001 * underside;
}

int TankDesigner::CountBoards(int kind) const {
  const Tank& tank = GetProject().GetTank();
  if (kind == 0) return static_cast<int>(tank.GetWalls().size());
  if (kind == 1) return static_cast<int>(tank.GetBottomSlabs().size());
  return static_cast<int>(tank.GetTopSlabs().size());
}

double TankDesigner::GetMaxWallThickness() const {
  double thickest = 0.0;
  for (const BoardPtr& wall : GetProject().GetTank().GetWalls()) thickest = std::max(thickest, wall->GetThickness());
  return thickest;
}

double TankDesigner::GetMinWallThickness() const {
  const std::vector<BoardPtr> walls = GetProject().GetTank().GetWalls();
  if (walls.empty()) return 0.0;
  double thinnest = walls.front()->GetThickness();
  for (const BoardPtr& wall : walls) thinnest = std::min(thinnest, wall->GetThickness());
  return thinnest;
}

void TankDesigner::GetBoardRecords(std::vector<BoardZoneRecord>& walls, std::vector<BoardZoneRecord>& topSlabs,
                                   std::vector<BoardZoneRecord>& bottomSlabs, std::vector<ReinZonePtr>& otherZones,
                                   std::vector<ReinZonePtr>& supportReins) const {
  const Tank& tank = GetProject().GetTank();
  for (const StructureComponentPtr& c : tank.GetComponents()) {
    const Board* board = ExactBoard(c);
    if (!board) continue;
    BoardZoneRecord record{board->GetNumber(), board->GetAllZones()};
    (board->GetKind() == 0 ? walls : board->GetKind() == 1 ? bottomSlabs : topSlabs).push_back(std::move(record));
  }
  for (const ReinZonePtr& zone : tank.GetOtherReinZones()) otherZones.push_back(zone);
  for (const ReinZonePtr& zone : tank.GetSupportReins()) supportReins.push_back(zone);
}
