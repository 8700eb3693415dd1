#include "modelview/CTankRein3DView.h"

#include <boost/make_shared.hpp>

#include <algorithm>
#include <cmath>
#include <typeinfo>
#include <unordered_set>

namespace {

constexpr double kPi = 3.14159265358979323846;
// Largest turn of one chord of a tessellated arc.
constexpr double kMaxChordTurn = kPi / 18.0;

bool IsBulged(double bulge) { return std::isfinite(bulge) && std::fabs(bulge) >= g_DefaultTolerance; }

_3dVector Unit(const _3dVector& v) {
  const double l = v.GetLength();
  return l > 0.0 ? v * (1.0 / l) : _3dVector(0, 0, 0);
}

// The normal turned to the side the bulges are seen from: upwards, or for a
// vertical plane towards +x, or towards +y.
_3dVector Oriented(_3dVector n) {
  constexpr double eps = 1e-9;
  const bool flip = n.z < -eps || (std::fabs(n.z) <= eps && (n.x < -eps || (std::fabs(n.x) <= eps && n.y < 0.0)));
  return flip ? -n : n;
}

// Appends the points of the arc from p to q (q included, p not) that the
// bulge describes in the plane of normal n (unit).
void AppendArc(const _3dPoint& p, const _3dPoint& q, double bulge, const _3dVector& n, std::vector<_3dPoint>& out) {
  const _3dVector chord = q - p;
  const double length = chord.GetLength();
  if (length < g_DefaultTolerance) {
    out.push_back(q);
    return;
  }
  const double sweep = 4.0 * std::atan(bulge);  // counter-clockwise about n when positive
  const _3dVector u = chord * (1.0 / length);
  const _3dVector left = n.CrossProduct(u);
  // The centre lies left of the chord for a turn under a half circle.
  const _3dPoint middle = p + chord * 0.5;
  const _3dPoint centre = middle + left * (0.5 * length / std::tan(0.5 * sweep));
  const _3dVector r0 = p - centre;
  const _3dVector r0Turned = n.CrossProduct(r0);
  const int steps = std::max(2, static_cast<int>(std::ceil(std::fabs(sweep) / kMaxChordTurn - 1e-9)));
  for (int i = 1; i < steps; ++i) {
    const double a = sweep * i / steps;
    out.push_back(centre + r0 * std::cos(a) + r0Turned * std::sin(a));
  }
  out.push_back(q);
}

}  // namespace

CTankRein3DView::CTankRein3DView(AcadViewBoard* board) : TankView(board, ViewSettings{}, ViewVolumn{}) {}

CTankRein3DView::~CTankRein3DView() { Clear(); }

// ---------------------------------------------------------------------------
// Bar geometry

_3dVector CTankRein3DView::BarPlaneNormal(const std::vector<_3dPoint>& v) {
  // The widest triangle of the first vertex with two others spans the plane.
  _3dVector best(0, 0, 0);
  double bestLength = 0.0;
  for (std::size_t i = 1; i < v.size(); ++i)
    for (std::size_t j = i + 1; j < v.size(); ++j) {
      const _3dVector n = (v[i] - v[0]).CrossProduct(v[j] - v[0]);
      const double l = n.GetLength();
      if (l > bestLength) best = n, bestLength = l;
    }
  // Collinear vertices: a plane through the bar's line, the horizontal one
  // when the line is level, else the one facing x (facing y for a line along x).
  double chordLength = 0.0;
  _3dVector chord(0, 0, 0);
  for (std::size_t i = 1; i < v.size(); ++i) {
    const _3dVector d = v[i] - v[0];
    if (d.GetLength() > chordLength) chord = d, chordLength = d.GetLength();
  }
  if (bestLength <= 1e-6 * std::max(1.0, chordLength * chordLength)) {
    if (chordLength < g_DefaultTolerance) return _3dVector(0, 0, 1);
    const _3dVector d = chord * (1.0 / chordLength);
    for (const _3dVector axis : {_3dVector(0, 0, 1), _3dVector(1, 0, 0), _3dVector(0, 1, 0)}) {
      const _3dVector n = axis - d * axis.DotProduct(d);
      if (n.GetLength() > 0.1) return Oriented(Unit(n));
    }
    return _3dVector(0, 0, 1);
  }
  return Oriented(Unit(best));
}

bool CTankRein3DView::IsRingBar(const _2dPolyline& bar, _3dPoint& centre, double& radius, _3dVector& normal) {
  const auto& v = bar.GetVertices();
  const auto& b = bar.GetBulges();
  if (v.size() != 4 || b.size() != v.size()) return false;
  // The last bulge belongs to the closing segment; an open ring (as the
  // design lays it, ending on its lap) has none, and its last bulge is
  // whatever the bar left there.
  const std::size_t segments = bar.IsClosed() ? 4 : 3;
  for (std::size_t i = 0; i < segments; ++i)
    if (!IsBulged(b[i])) return false;
  if (std::fabs(std::fabs(b[0]) - 1.0) > 1e-4 || std::fabs(std::fabs(b[1]) - 1.0) > 1e-4) return false;
  if (v[2].DistanceTo(v[0]) > 1e-3 || v[1].DistanceTo(v[0]) < g_DefaultTolerance) return false;
  const _3dPoint c((v[0].x + v[1].x) / 2, (v[0].y + v[1].y) / 2, (v[0].z + v[1].z) / 2);
  const _3dVector n = (v[0] - c).CrossProduct(v[3] - c);
  const double r = v[0].DistanceTo(v[1]) / 2;
  if (!std::isfinite(n.GetLength()) || n.GetLength() <= 1e-9 * r * r) return false;
  centre = c;
  radius = r;
  normal = n;
  return true;
}

std::vector<_3dPoint> CTankRein3DView::TessellateBar(const _2dPolyline& bar) {
  const auto& v = bar.GetVertices();
  const auto& b = bar.GetBulges();
  if (v.empty()) return {};
  const bool anyBulge = std::any_of(b.begin(), b.end(), IsBulged);
  if (!anyBulge) return v;
  const _3dVector n = BarPlaneNormal(v);
  std::vector<_3dPoint> out{v.front()};
  const std::size_t segments = bar.IsClosed() && v.size() > 1 ? v.size() : v.size() - 1;
  for (std::size_t i = 0; i < segments; ++i) {
    const _3dPoint& q = v[(i + 1) % v.size()];
    const double bulge = i < b.size() ? b[i] : 0.0;
    const bool closing = i + 1 == v.size();
    if (!IsBulged(bulge)) {
      if (!closing) out.push_back(q);
      continue;
    }
    AppendArc(v[i], q, bulge, n, out);
    // The closing arc ends on the first vertex, which the closed flag joins.
    if (closing) out.pop_back();
  }
  return out;
}

std::string CTankRein3DView::CategoryLayerName(int category) {
  const std::string base = GetLayerName(7);
  switch (category) {
    case ReinZone::PEDESTAL: return base + "-节点";
    case 2: return base + "-板面";
    case 4: return base + "-腋角";
    case 5: return base + "-支座";
    case 6: return base + "-洞口";
    default: return base + "-类别" + std::to_string(category);
  }
}

int CTankRein3DView::CategoryColor(int category) {
  switch (category) {
    case ReinZone::PEDESTAL: return 3;  // green
    case 2: return 1;                   // red
    case 4: return 5;                   // blue
    case 5: return 6;                   // magenta
    case 6: return 30;                  // orange
    default: return 8;                  // grey
  }
}

EntityPtr CTankRein3DView::MakeBarEntity(const Rein& rein, const std::string& layer) {
  const _2dPolyline& bar = rein.GetPolyline();
  EntityPtr entity;
  _3dPoint centre;
  double radius = 0.0;
  _3dVector normal;
  if (IsRingBar(bar, centre, radius, normal)) {
    auto circle = boost::make_shared<_3dCircle>();
    circle->SetCenter(centre);
    circle->SetRadius(radius);
    circle->SetNormal(normal);
    entity = circle;
  } else {
    auto polyline = boost::make_shared<_3dPolyline>();
    polyline->SetVertices(TessellateBar(bar));
    polyline->SetClosed(bar.IsClosed());
    entity = polyline;
  }
  entity->SetColorIndex(1);
  entity->SetLayer(layer);
  return entity;
}

// ---------------------------------------------------------------------------
// Drawing

EntityPtr CTankRein3DView::DrawBar(const ReinPtr& rein, const ReinZonePtr& zone) {
  if (!rein || rein->GetPolyline().GetVertices().empty() || m_reinEntities.Find(rein)) return nullptr;
  const std::string layer = m_layerPerCategory ? CategoryLayerName(zone->GetCategory()) : GetLayerName(7);
  EntityPtr entity = MakeBarEntity(*rein, layer);
  if (m_layerPerCategory) entity->SetColorIndex(CategoryColor(zone->GetCategory()));
  m_entityReins.Insert(entity, rein);
  m_reinEntities.Insert(rein, EntityList{entity});
  return entity;
}

void CTankRein3DView::ShowRecorded() {
  if (!m_pViewBoard) return;
  for (const auto& [rein, entities] : m_reinEntities)
    for (const EntityPtr& entity : entities) m_pViewBoard->AddEntity(entity);
}

void CTankRein3DView::BuildAll(const std::vector<ReinZonePtr>& zones) {
  for (const ReinZonePtr& zone : zones) {
    if (!zone) continue;
    for (const ReinPtr& rein : zone->GetReins()) DrawBar(rein, zone);
  }
  ShowRecorded();
}

void CTankRein3DView::BuildAll(const std::vector<BoardPtr>& boards) {
  std::vector<ReinZonePtr> zones;
  std::unordered_set<const ReinZone*> seen;
  for (const BoardPtr& board : boards) {
    if (!board) continue;
    for (const ReinZonePtr& zone : board->GetAllZones())
      if (zone && seen.insert(zone.get()).second) zones.push_back(zone);
  }
  BuildAll(zones);
}

void CTankRein3DView::RebuildObject(Tank& tank) {
  const TankReinZones collection = tank.GetReinZones();
  for (const ReinZonePtr& zone : collection.GetZones()) {
    if (!zone) continue;
    bool faceFlag = true;
    if (!IsZoneShown(zone, &faceFlag)) continue;
    for (const ReinPtr& rein : zone->GetReins()) {
      const EntityPtr entity = DrawBar(rein, zone);
      if (entity && !faceFlag) entity->SetColorIndex(2);
    }
  }
  ShowRecorded();
}

bool CTankRein3DView::IsZoneShown(const ReinZonePtr& zone, bool* faceFlag) const {
  if (!zone) return false;
  const int category = zone->GetCategory();
  switch (m_viewMode) {
    case 0: return true;
    case 1:
    case 2: {
      const bool face = m_viewMode == 1;
      if (category != (face ? 2 : ReinZone::PEDESTAL)) return false;
      if (m_selectedObjects.empty()) return true;
      bool scratch = true;
      bool* flag = faceFlag ? faceFlag : &scratch;
      for (const ObjectPtr& object : m_selectedObjects) {
        if (!object || typeid(*object) != typeid(Board)) continue;
        const auto& board = static_cast<const Board&>(*object);
        if (face ? board.ContainsFaceZone(zone, flag) : board.ContainsEdgeZone(zone, flag)) return true;
      }
      return false;
    }
    case 3: return category == 4;
    case 4: return category == 5;
    case 5: return category == 6;
    default: return false;
  }
}

void CTankRein3DView::Clear() {
  if (m_pViewBoard)
    for (const auto& [rein, entities] : m_reinEntities)
      for (const EntityPtr& entity : entities) m_pViewBoard->EraseEntity(entity);
  m_reinEntities.clear();
  m_entityReins.clear();
}

// ---------------------------------------------------------------------------
// Records

EntityList CTankRein3DView::GetEntities() const {
  EntityList out;
  out.reserve(m_reinEntities.size());
  for (const auto& [rein, entities] : m_reinEntities) out.insert(out.end(), entities.begin(), entities.end());
  return out;
}

ReinPtr CTankRein3DView::GetEntityRein(const EntityPtr& entity) const {
  const ReinPtr* rein = m_entityReins.Find(entity);
  return rein ? *rein : ReinPtr();
}

const EntityList* CTankRein3DView::GetReinEntities(const ReinPtr& rein) const { return m_reinEntities.Find(rein); }
