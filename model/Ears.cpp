// Haunches between boards: rebuilt from the detailing settings before every
// analysis.
#include "model/TankModeler.h"

#include "platform/Zarvel.h"

#include <boost/make_shared.hpp>

#include <cmath>
#include <unordered_set>
#include <typeinfo>

namespace {

// One haunch kind of the detailing settings: mode 2 makes none; angle in
// degrees; size and threshold in mm.
struct EarKind {
  int mode = kEarModeNone;
  double angle = 0.0;
  int size = 0;
  int threshold = 0;

  bool Enabled() const { return mode != kEarModeNone; }
  EarPtr Make() const {
    auto ear = boost::make_shared<Ear>();
    ear->SetAngle(angle * g_Pi / 180.0);
    ear->SetLength(size);
    return ear;
  }
};

}  // namespace

bool TankModeler::IsJointCoveredByThirdBoard(const BoardPtr& a, const BoardPtr& b,
                                             const _3dLine& joint, const Tank& tank) const {
  if (!a || !b) return false;
  const int e = a->FindEdge(joint, 1);
  if (e == -1) return false;
  std::vector<BoardPtr> boards;
  std::vector<int> edges;
  tank.GetBoardsOnEdge(a, e, boards, edges);
  if (boards.size() < 2) return false;
  _3dVector da = a->GetInwardDirection(joint);
  _3dVector db = b->GetInwardDirection(joint);
  double phi = da.GetAngleTo(db);
  if (phi > g_Pi) {  // the kernel's angle stays within [0, π]; kept for other kernels
    phi = 2 * g_Pi - phi;
    std::swap(da, db);
  }
  for (const BoardPtr& h : boards) {
    if (!h || h == b) continue;
    const _3dVector dh = h->GetInwardDirection(joint);
    if (std::fabs(da.GetAngleTo(dh) + dh.GetAngleTo(db) - phi) < g_AngleTolerance) return true;
  }
  return false;
}

void TankModeler::BuildEars(Tank& tank, const DetailingSettings& settings) const {
  const EarKind top{settings.GetTopSlabEarMode(), settings.GetTopSlabEarAngle(),
                    settings.GetTopSlabEarSize(), settings.GetTopSlabEarThreshold()};
  const EarKind bottom{settings.GetBottomSlabEarMode(), settings.GetBottomSlabEarAngle(),
                       settings.GetBottomSlabEarSize(), settings.GetBottomSlabEarThreshold()};
  const EarKind corner{settings.GetWallCornerEarMode(), settings.GetWallCornerEarAngle(),
                       settings.GetWallCornerEarSize(), settings.GetWallCornerEarThreshold()};
  const EarKind side{settings.GetBottomSlabSideEarMode(), settings.GetBottomSlabSideEarAngle(),
                     settings.GetBottomSlabSideEarSize(), settings.GetBottomSlabSideEarThreshold()};
  const EarKind outer{settings.GetBottomSlabOuterEarMode(), settings.GetBottomSlabOuterEarAngle(),
                      settings.GetBottomSlabOuterEarSize(), 0};

  ClearEars(tank);
  // Haunches change no board's geometry: the joints are found once.
  const Structure::TopologyFreeze frozen(tank);

  // Plain boards only (not boards of derived kinds).
  std::unordered_set<const Board*> plain;
  for (const auto& component : tank.GetComponents())
    if (component && typeid(*component) == typeid(Board)) plain.insert(static_cast<const Board*>(component.get()));

  auto z = [](const BoardPtr& board) { return board->GetOrigin().GetZ(); };

  // The tank's joints, found once: each pair of adjoining boards in the
  // order of the tank's components, as a walk over every pair would meet
  // them.
  std::vector<BoardPtr> firsts, seconds;
  std::vector<BoardJointPtr> joints;
  tank.GetJoints(firsts, seconds, joints);
  for (std::size_t n = 0; n < joints.size(); ++n) {
    {
      const BoardPtr& a = firsts[n];
      const BoardPtr& b = seconds[n];
      const BoardJointPtr& joint = joints[n];
      if (!a || !b || !joint || !plain.count(a.get()) || !plain.count(b.get())) continue;
      if (!a->GetNormal().IsPerpendicularTo(b->GetNormal())) continue;
      JointContact contact;
      if (!GetJointContact(joint, contact)) continue;
      const _3dLine line = GetContactLine(contact);
      if (IsJointCoveredByThirdBoard(a, b, line, tank)) continue;

      const int ka = a->GetKind(), kb = b->GetKind();
      if (ka == 0 && kb == 0) {
        const double m = std::min(a->GetJointMeasure(line), b->GetJointMeasure(line));
        if (corner.Enabled() && m >= corner.threshold && !AreOuterFacesFacing(a, b, line))
          SetJointEar(joint, corner.Make());
      } else if ((ka == 0 && kb == 1) || (ka == 1 && kb == 0)) {
        // Wall and bottom slab, in either order: the wall standing at the
        // slab's level takes the bottom kind, a wall meeting the slab
        // elsewhere the side kind; each kind answers to its own mode.
        const BoardPtr& wall = ka == 0 ? a : b;
        const BoardPtr& slab = ka == 0 ? b : a;
        const EarKind& kind = std::fabs(z(wall) - z(slab)) < g_ZeroTolerance ? bottom : side;
        if (kind.Enabled() && wall->GetJointMeasure(line) > kind.threshold)
          SetJointEar(joint, kind.Make());
        // The overhang haunch, whatever happened to the first one.
        if (outer.Enabled()) {
          const int edge = slab->FindEdge(line, 1);
          double length = 0.0;
          if (edge != -1 && slab->GetEdgeOverhang(edge, length))
            SetJointOverhangEar(joint, outer.Make());
        }
      } else if ((ka == 0 && kb == 2) || (ka == 2 && kb == 0)) {
        const BoardPtr& wall = ka == 0 ? a : b;
        const BoardPtr& slab = ka == 0 ? b : a;
        if (top.Enabled() && std::fabs(z(wall) - z(slab)) >= g_ZeroTolerance &&
            wall->GetJointMeasure(line) >= top.threshold)
          SetJointEar(joint, top.Make());
      }
    }
  }
}
