#include "modelview/TankModel3DView.h"

#include "platform/Dusmet.h"

#include <boost/make_shared.hpp>

#include <algorithm>
#include <cmath>
#include <typeinfo>

namespace {

constexpr int kKindModel3d = 8192;

// A closed loop of lines through the points (last back to first).
std::vector<_3dLine> Loop(const std::vector<_3dPoint>& pts) {
  std::vector<_3dLine> loop;
  for (std::size_t i = 0; i < pts.size(); ++i) loop.emplace_back(pts[i], pts[(i + 1) % pts.size()]);
  return loop;
}

// The points without consecutive repeats and without a repeated closing point.
std::vector<_3dPoint> Distinct(std::vector<_3dPoint> pts) {
  std::vector<_3dPoint> out;
  for (const _3dPoint& p : pts)
    if (out.empty() || !(out.back() == p)) out.push_back(p);
  while (out.size() > 1 && out.front() == out.back()) out.pop_back();
  return out;
}

// The shift from a board's reference plane to the plane half-way between its
// faces.
_3dVector MidPlaneShift(const Board& board) {
  const double up = board.GetUpperOffset(), lo = board.GetLowerOffset();
  if (g_VekGeometryComm.Equal(up, lo, 0.0)) return _3dVector(0, 0, 0);
  _3dVector n = board.GetNormal();
  n.Normalize(0.1);
  return n * ((up - lo) * 0.5);
}

std::string LayerOfKind(int kind, const std::string layers[3]) {
  return kind >= 0 && kind <= 2 ? layers[kind] : std::string();
}

bool Parallel(const _3dVector& a, const _3dVector& b) {
  _3dVector x = a, y = b;
  if (!x.Normalize(1e-9) || !y.Normalize(1e-9)) return false;
  return x.CrossProduct(y).GetLength() < 1e-6;
}

double Dot(const _3dVector& a, const _3dVector& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// How far the wall reaches beyond its reference plane in world direction
// `towards` (a unit vector): its face offset on that side, measured along
// `towards`.
double FaceReach(const Board& wall, const _3dVector& towards) {
  _3dVector n = wall.GetNormal();
  if (!n.Normalize(1e-9)) return 0.0;
  const double c = Dot(n, towards);
  if (std::fabs(c) < 0.1) return 0.0;
  return (c > 0.0 ? wall.GetUpperOffset() : wall.GetLowerOffset()) / std::fabs(c);
}

// The outward unit vector of a board's edge in world coordinates (away from
// the board, in its plane).
_3dVector Outward(const Board& board, int edge) {
  _3dVector d = board.GetEdgeDirection(edge);
  return _3dVector(-d.x, -d.y, -d.z);
}

// The polygon with every edge i (from point i to point i + 1) moved outwards
// by grow[i] (0 keeps it): each corner is where the neighbouring moved edges
// meet, or the corner moved with its edges when they run in line.
std::vector<_2dPoint> GrowEdges(const std::vector<_2dPoint>& pts, const std::vector<double>& grow) {
  const std::size_t n = pts.size();
  double area2 = 0.0;
  for (std::size_t i = 0; i < n; ++i) area2 += pts[i].x * pts[(i + 1) % n].y - pts[(i + 1) % n].x * pts[i].y;
  const double turn = area2 >= 0.0 ? 1.0 : -1.0;  // outward is right of a counter-clockwise edge
  const auto dir = [&](std::size_t i) {
    _2dVector t = pts[(i + 1) % n] - pts[i];
    if (!t.Normalize(1e-9)) t = _2dVector(0, 0);
    return t;
  };
  const auto out = [&](std::size_t i) {
    const _2dVector t = dir(i);
    return _2dVector(t.y * turn, -t.x * turn);
  };
  std::vector<_2dPoint> result(n);
  for (std::size_t k = 0; k < n; ++k) {
    const std::size_t a = (k + n - 1) % n, b = k;
    const double da = a < grow.size() ? grow[a] : 0.0, db = b < grow.size() ? grow[b] : 0.0;
    if (da == 0.0 && db == 0.0) {
      result[k] = pts[k];
      continue;
    }
    const _2dVector ta = dir(a), tb = dir(b);
    const _2dPoint pa = pts[k] + out(a) * da, pb = pts[k] + out(b) * db;
    const double cross = ta.x * tb.y - ta.y * tb.x;
    if (std::fabs(cross) < 1e-9) {
      result[k] = std::fabs(da) >= std::fabs(db) ? pa : pb;
      continue;
    }
    // pa + ta * u = pb + tb * v
    const _2dVector w = pb - pa;
    const double u = (w.x * tb.y - w.y * tb.x) / cross;
    result[k] = pa + ta * u;
  }
  return result;
}

// Per edge of a slab: how far the slab's material reaches outside the edge
// in the model (0 for an edge inside the tank or without a wall on it), and
// whether the edge carries an overhang solid of its own.
struct SlabEdgeReach {
  double wall = 0.0;      // to the outer face of the wall on the edge
  double overhang = 0.0;  // the overhang beyond that face
  bool hasOverhang = false;
};

std::vector<SlabEdgeReach> SlabReaches(const BoardPtr& slab, Tank& tank) {
  std::vector<SlabEdgeReach> reach(slab->GetEdges().size());
  for (std::size_t i = 0; i < reach.size(); ++i) {
    std::vector<BoardPtr> others;
    std::vector<int> otherEdges;
    tank.GetBoardsOnEdge(slab, static_cast<int>(i), others, otherEdges);
    bool inside = false;
    double m = 0.0;
    const _3dVector out = Outward(*slab, static_cast<int>(i));
    for (const BoardPtr& other : others) {
      if (!other || other == slab) continue;
      if (other->GetKind() == slab->GetKind() && Parallel(other->GetNormal(), slab->GetNormal())) inside = true;
      if (other->GetKind() == 0) m = std::max(m, FaceReach(*other, out));
    }
    double len = 0.0;
    const bool overhang = slab->GetEdges()[i].GetOverhang(len) && std::fabs(len) >= g_ZeroTolerance;
    if (inside && !overhang) continue;
    reach[i].wall = m;
    reach[i].hasOverhang = overhang;
    reach[i].overhang = overhang ? len : 0.0;
  }
  return reach;
}

// The grow of each edge of a board's own solid, so that the solids meet
// face to face without overlapping, as the concrete is cast:
// - a slab's edges without an overhang solid reach the outer faces of their
//   walls;
// - a wall stands on the bottom slab's upper face and ends under the top
//   slab's lower face;
// - at an outer corner (two walls that both end there) the wall first in
//   the model is carried to the other's outer face and the other ends at
//   its inner face;
// - where a wall line runs through (a T), the wall that stops there ends at
//   the face of the through wall; at a cross the line first in the model
//   runs through.
std::vector<double> SolidGrow(const BoardPtr& board, Tank& tank) {
  std::vector<double> grow(board->GetEdges().size(), 0.0);
  if (board->GetKind() == 1 || board->GetKind() == 2) {
    const std::vector<SlabEdgeReach> reach = SlabReaches(board, tank);
    for (std::size_t i = 0; i < grow.size(); ++i)
      if (!reach[i].hasOverhang) grow[i] = reach[i].wall;
    return grow;
  }
  if (board->GetKind() != 0) return grow;
  const auto components = tank.GetComponents();
  const auto position = [&](const BoardPtr& b) {
    return std::find(components.begin(), components.end(), b) - components.begin();
  };
  for (std::size_t i = 0; i < grow.size(); ++i) {
    const _3dVector out = Outward(*board, static_cast<int>(i));
    const _3dVector in(-out.x, -out.y, -out.z);
    std::vector<BoardPtr> others;
    std::vector<int> otherEdges;
    tank.GetBoardsOnEdge(board, static_cast<int>(i), others, otherEdges);
    if (std::fabs(out.z) > 1e-6) {
      // The base or the top: the slabs the wall meets there.
      double cut = 0.0;
      for (const BoardPtr& other : others)
        if (other && other->GetKind() != 0 && Parallel(other->GetNormal(), _3dVector(0, 0, 1)))
          cut = std::max(cut, FaceReach(*other, in));
      grow[i] = -cut;
      continue;
    }
    std::vector<BoardPtr> inLine, across;
    bool acrossEnds = true;
    for (std::size_t k = 0; k < others.size(); ++k) {
      const BoardPtr& other = others[k];
      if (!other || other == board || other->GetKind() != 0) continue;
      if (Parallel(other->GetNormal(), board->GetNormal())) {
        inLine.push_back(other);
      } else {
        across.push_back(other);
        if (otherEdges[k] < 0) acrossEnds = false;  // a wall running on past the joint
      }
    }
    if (across.empty()) continue;
    const bool acrossContinues = across.size() >= 2 || !acrossEnds;
    auto first = [&](const std::vector<BoardPtr>& walls) {
      auto best = static_cast<std::ptrdiff_t>(components.size());
      for (const BoardPtr& w : walls) best = std::min(best, static_cast<std::ptrdiff_t>(position(w)));
      return best;
    };
    std::vector<BoardPtr> mine = inLine;
    mine.push_back(board);
    bool carried = false, cut = false;
    if (inLine.empty() && !acrossContinues) {  // an outer corner
      carried = first(mine) < first(across);
      cut = !carried;
    } else if (inLine.empty()) {  // the wall that stops at a T
      cut = true;
    } else if (acrossContinues) {  // a cross: the first line runs through
      cut = first(across) < first(mine);
    }
    double reach = 0.0;
    for (const BoardPtr& other : across) reach = std::max(reach, FaceReach(*other, carried ? out : in));
    if (carried) grow[i] = reach;
    if (cut) grow[i] = -reach;
  }
  return grow;
}

}  // namespace

TankModel3DView::TankModel3DView(AcadViewBoard* board) : TankView(board, ViewSettings(), ViewVolumn()) {}

TankModel3DView::~TankModel3DView() = default;

void TankModel3DView::Serialize(Archive& ar) {
  VekObject::Serialize(ar);
  File(ar, m_showTopSlabs);
  File(ar, m_showWalls);
  File(ar, m_showBottomSlabs);
  File(ar, m_zoomToExtent);
}

void TankModel3DView::Redraw(Tank& tank) {
  std::vector<EntityList> lists = BuildBoardSolids(tank);

  std::vector<JointLinePtr> jointLines;
  tank.GetJointLines(jointLines);
  // Where several boards meet along one line (walls at a corner or a
  // cross, a wall between two slabs) the tank lists a joint per pair of
  // boards: the line is drawn once.
  EntityList lines;
  std::vector<_3dLine> drawn;
  const auto near = [](const _3dPoint& p, const _3dPoint& q) { return (p - q).GetLength() < 1.0; };
  for (const JointLinePtr& joint : jointLines) {
    if (!joint) continue;
    const _3dLine line = joint->GetLine();
    const _3dPoint a = line.GetStartPoint(), b = line.GetEndPoint();
    const bool seen = std::any_of(drawn.begin(), drawn.end(), [&](const _3dLine& d) {
      return (near(d.GetStartPoint(), a) && near(d.GetEndPoint(), b)) ||
             (near(d.GetStartPoint(), b) && near(d.GetEndPoint(), a));
    });
    if (seen) continue;
    drawn.push_back(line);
    lines.push_back(boost::make_shared<_3dLine>(a, b));
  }
  if (!lines.empty()) {
    AddEntities(lines, ObjectPtr(), std::vector<int>(lines.size(), kKindModel3d), {});
    lists.push_back(lines);
  }

  if (!m_pViewBoard) return;
  for (const EntityList& list : lists)
    for (const EntityPtr& e : list) m_pViewBoard->AddEntity(e);
  if (!lists.empty() && m_zoomToExtent != 0) {
    m_pViewBoard->SetViewMode(true);
    const Extents E = GetExtent(kKindMaskAll);
    m_pViewBoard->ZoomWindow(_3dPoint(E.maxX, E.maxY, E.maxZ), _3dPoint(E.minX, E.minY, E.minZ), true);
  }
}

std::vector<EntityList> TankModel3DView::BuildBoardSolids(Tank& tank) {
  const std::string layers[3] = {GetLayerName(0), GetLayerName(1), GetLayerName(2)};
  std::vector<EntityList> result;
  for (const StructureComponentPtr& component : tank.GetComponents()) {
    if (!component || typeid(*component) != typeid(Board)) continue;
    const BoardPtr board = boost::static_pointer_cast<Board>(component);
    const int kind = board->GetKind();
    if ((kind == 0 && !m_showWalls) || (kind == 1 && !m_showBottomSlabs) || (kind == 2 && !m_showTopSlabs)) continue;
    const boost::shared_ptr<_3dExtrudant> solid = MakeBoardSolid(*board, SolidGrow(board, tank));
    if (!solid) continue;  // a board without an outline has no solid
    const std::string layer = LayerOfKind(kind, layers);
    solid->SetLayer(layer);
    EntityList list{solid};
    for (const EntityPtr& overhang : BuildOverhangSolids(board, tank)) {
      overhang->SetLayer(layer);
      list.push_back(overhang);
    }
    AddEntities(list, board, std::vector<int>(list.size(), kKindModel3d), {});
    result.push_back(list);
  }
  return result;
}

void TankModel3DView::CollectSelectedEntities(EntityHandleList& out) const {
  if (!m_pViewBoard) return;
  for (const auto& [entity, owners] : m_entityOwners) {
    EntityHandle handle;
    if (m_pViewBoard->FindEntityHandle(entity, handle)) out.push_back(handle);
  }
}

boost::shared_ptr<_3dExtrudant> TankModel3DView::MakeBoardSolid(const Board& board) {
  return MakeBoardSolid(board, {});
}

boost::shared_ptr<_3dExtrudant> TankModel3DView::MakeBoardSolid(const Board& board, const std::vector<double>& grow) {
  std::vector<_3dPoint> pts;
  board.GetOutline(pts);
  bool grows = false;
  for (double g : grow) grows = grows || g != 0.0;
  if (grows && grow.size() == pts.size()) {
    std::vector<_2dPoint> local;
    board.GetLocalOutline(local);
    if (local.size() == pts.size()) {
      pts.clear();
      for (const _2dPoint& q : GrowEdges(local, grow)) pts.push_back(board.LocalToWorld(q));
    }
  }
  pts = Distinct(pts);
  if (pts.size() < 3) return {};
  const _3dVector shift = MidPlaneShift(board);
  for (_3dPoint& p : pts) p = p + shift;
  auto solid = boost::make_shared<_3dExtrudant>();
  solid->SetHeight(board.GetUpperOffset() + board.GetLowerOffset());
  solid->SetProfile(Loop(pts));
  AddOpeningCutters(board, *solid);
  return solid;
}

void TankModel3DView::AddOpeningCutters(const Board& board, _3dExtrudant& solid) {
  const _3dPoint& origin = board.GetOrigin();
  const _3dVector& xAxis = board.GetXAxis();
  const _3dVector& yAxis = board.GetYAxis();
  const _3dVector normal = g_VekGeometryComm.CrossProduct(xAxis, yAxis);
  const double cutterHeight = 3.0 * board.GetThickness();
  for (const HolePtr& hole : board.GetHoles()) {
    if (!hole) continue;
    auto cutter = boost::make_shared<_3dExtrudant>();
    if (typeid(*hole) == typeid(CircleHole)) {
      const auto& circle = static_cast<const CircleHole&>(*hole);
      cutter->SetProfile(_3dCircle(g_VekGeometryComm.LocalToWorld2d(origin, xAxis, yAxis, circle.GetCenter()),
                                   circle.GetRadius(), normal));
      cutter->SetHeight(cutterHeight);
    } else if (typeid(*hole) == typeid(RectangleHole)) {
      std::vector<_3dPoint> pts;
      for (const _2dPoint& c : static_cast<const RectangleHole&>(*hole).GetCorners())
        pts.push_back(g_VekGeometryComm.LocalToWorld2d(origin, xAxis, yAxis, c));
      pts = Distinct(pts);
      if (pts.size() < 3) continue;
      cutter->SetProfile(Loop(pts));
      cutter->SetHeight(cutterHeight);
    } else if (typeid(*hole) == typeid(Notch)) {
      // The notch is cut through the board's thickness: its outline is taken
      // into the board's own plane, widened by 1 mm so that no skin is left
      // along the board edges it lies on, and extruded along the normal like
      // the openings.  (Cutting it as a vertical prism of its plan outline
      // would give a cutter without area in a wall and without height in a
      // level slab.)
      std::vector<_3dPoint> local;
      for (const _3dPoint& p : static_cast<const Notch&>(*hole).GetOutline()) {
        const _2dPoint q = g_VekGeometryComm.WorldToLocal2d(origin, xAxis, yAxis, p);
        local.emplace_back(q.x, q.y, 0.0);
      }
      std::vector<_3dPoint> grown;
      if (!g_GeomAlgorithm.MakeCutterOutline(local, grown, 1.0)) continue;
      std::vector<_3dPoint> pts;
      for (const _3dPoint& q : grown)
        pts.push_back(g_VekGeometryComm.LocalToWorld2d(origin, xAxis, yAxis, _2dPoint(q.x, q.y)));
      cutter->SetProfile(Loop(pts));
      cutter->SetHeight(cutterHeight);
    } else {
      continue;  // an opening kind the model view does not know
    }
    solid.AddHole(cutter);
  }
}

EntityList TankModel3DView::BuildOverhangSolids(const BoardPtr& board, Tank& tank) {
  EntityList out;
  const _3dPoint& origin = board->GetOrigin();
  const _3dVector& xAxis = board->GetXAxis();
  const _3dVector& yAxis = board->GetYAxis();
  const _3dVector shift = MidPlaneShift(*board);
  const auto& edges = board->GetEdges();
  // What the slab reaches beyond each edge: an overhang strip is carried
  // over the corner square where the next edge reaches out too, and back
  // over the corner where the edge before reaches out with the slab itself.
  const std::vector<SlabEdgeReach> reach = SlabReaches(board, tank);
  const auto width = [&](std::size_t k) { return reach[k].hasOverhang ? reach[k].overhang + reach[k].wall : reach[k].wall; };
  for (std::size_t i = 0; i < edges.size(); ++i) {
    const _3dVector d3 = board->GetEdgeDirection(static_cast<int>(i));
    _2dVector dir(d3.x, d3.y);
    dir.Normalize(0.1);
    double len = 0.0;
    if (!edges[i].GetOverhang(len) || std::fabs(len) < g_ZeroTolerance) continue;

    // The overhang reaches beyond the wall standing on the edge: its face
    // outside the edge counts.
    std::vector<BoardPtr> others;
    std::vector<int> otherEdges;
    tank.GetBoardsOnEdge(board, static_cast<int>(i), others, otherEdges);
    double m = 0.0;
    for (const BoardPtr& other : others) {
      if (!other || other->GetKind() != 0) continue;
      const _3dVector n3 = other->GetNormal();
      _2dVector n(n3.x, n3.y);
      n.Normalize(0.1);
      m = std::max(m, n == dir ? other->GetLowerOffset() : other->GetUpperOffset());
    }
    len += m;

    const _3dPoint s = g_VekGeometryComm.LocalToWorld2d(origin, xAxis, yAxis, edges[i].GetStartPoint()) + shift;
    const _3dPoint e = g_VekGeometryComm.LocalToWorld2d(origin, xAxis, yAxis, edges[i].GetEndPoint()) + shift;
    // Outwards: away from the board across the edge; the edge direction
    // turned clockwise when the board gives no direction across it.
    _2dVector out2 = -dir;
    if (out2.GetLength() < 0.5) {
      const double a = g_VekGeometryComm.GetAngle(_2dPoint(s.x, s.y), _2dPoint(e.x, e.y));
      out2 = _2dVector(std::cos(a - g_Pi / 2), std::sin(a - g_Pi / 2));
    }
    const _3dVector offset(out2.x * len, out2.y * len, 0.0);
    _2dVector along(e.x - s.x, e.y - s.y);
    along.Normalize(1e-9);
    const std::size_t next = (i + 1) % edges.size(), before = (i + edges.size() - 1) % edges.size();
    const double atEnd = next != i ? width(next) : 0.0;
    const double atStart = before != i && !reach[before].hasOverhang ? reach[before].wall : 0.0;
    const _3dPoint e1 = e + _3dVector(along.x * atEnd, along.y * atEnd, 0.0);
    const _3dPoint s1 = s - _3dVector(along.x * atStart, along.y * atStart, 0.0);
    const _3dPoint e2 = e1 + offset, s2 = s1 + offset;
    auto solid = boost::make_shared<_3dExtrudant>();
    solid->SetProfile(Loop({s1, e1, e2, s2}));
    solid->SetHeight(board->GetThickness());
    out.push_back(solid);
  }
  return out;
}
