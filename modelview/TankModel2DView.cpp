#include "modelview/TankModel2DView.h"

#include "platform/Dusmet.h"

#include <boost/make_shared.hpp>
#include <boost/pointer_cast.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <typeinfo>

namespace {

std::vector<_3dPoint> OutlineOf(const Board& board) {
  std::vector<_3dPoint> pts;
  board.GetOutline(pts);
  return pts;
}

std::string FormatElevation(double v) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, std::fabs(v) < g_EqualTolerance ? "+-%.3f" : "%.3f", v);
  return buffer;
}

// An angle made upright for a text: directions pointing left are turned by π.
double Upright(double a) { return (a > g_Pi / 2 && a < 3 * g_Pi / 2) ? a - g_Pi : a; }

boost::shared_ptr<_2dPolyline> ClosedPolyline(const std::vector<_3dPoint>& pts, const std::string& layer) {
  auto pl = boost::make_shared<_2dPolyline>(pts, true);
  pl->SetBulges(std::vector<double>(pts.size(), 0.0));
  pl->SetConstantWidth(0.0);
  pl->SetLayer(layer);
  return pl;
}

template <class T>
bool IsExactly(const VekObject& object) {
  return typeid(object) == typeid(T);
}

}  // namespace

std::vector<std::pair<UnitPtr, BoardPtr>> ShownSlabUnits(const Tank& tank, int planKind) {
  std::vector<std::pair<UnitPtr, BoardPtr>> shown;
  for (const UnitPtr& unit : tank.GetUnits()) {
    // A unit without components, or whose first component is no board,
    // has nothing to show.
    if (!unit || unit->GetComponents().empty()) continue;
    const BoardPtr first = boost::dynamic_pointer_cast<Board>(unit->GetComponents().front());
    if (!first) continue;
    const int kind = first->GetKind();
    if ((planKind == PlanKind::kBottomSlabs && kind == 1) || (planKind == PlanKind::kTopSlabs && kind == 2))
      shown.emplace_back(unit, first);
  }
  return shown;
}

std::vector<_2dPoint> PlanOf(const std::vector<_3dPoint>& pts) {
  std::vector<_2dPoint> plan;
  plan.reserve(pts.size());
  for (const _3dPoint& p : pts) plan.emplace_back(p.x, p.y);
  return plan;
}

bool CentroidOrFirst(const std::vector<_2dPoint>& pts, _2dPoint& c) {
  if (pts.empty()) return false;
  if (!g_VekGeometryComm.GetCentroid(pts, c)) c = pts.front();
  return true;
}

std::string LoadValueText(double v) { return std::to_string(std::llround(v)); }

TankModel2DView::TankModel2DView(AcadViewBoard* board) : TankView(board, ViewSettings(), ViewVolumn()) {
  m_topSlabLayer = GetLayerName(2);
  m_bottomSlabLayer = GetLayerName(1);
  m_slabOpeningLayer = GetLayerName(4);
  m_overhangLayer = m_bottomSlabLayer;
  m_wallLayer = GetLayerName(0);
  m_wallOpeningLayer = GetLayerName(3);
  m_notchLayer = GetLayerName(5);
  m_loadLayer = GetLayerName(6);
  m_textStyle = GetTextStyle(0);
}

TankModel2DView::~TankModel2DView() = default;

void TankModel2DView::Serialize(Archive& ar) {
  VekObject::Serialize(ar);
  File(ar, m_bottomSlabOverhang);
  for (std::string* layer : {&m_topSlabLayer, &m_bottomSlabLayer, &m_slabOpeningLayer, &m_overhangLayer,
                             &m_wallLayer, &m_wallOpeningLayer, &m_notchLayer, &m_loadLayer})
    File(ar, *layer);
  // The text style is filed by its name, so that a design keeps its texts'
  // style when the board's style table is ordered differently; a name the
  // board does not know reads as the standard style 0.
  std::string styleName = GetTextStyleName(m_textStyle);
  File(ar, styleName);
  if (!ar.IsStoring()) {
    const auto& styles = (m_pViewBoard ? *m_pViewBoard : g_ViewBoard).GetDrawingStandard().textStyles;
    m_textStyle = 0;
    for (std::size_t i = 0; i < styles.size(); ++i)
      if (styles[i].name == styleName) {
        m_textStyle = static_cast<int>(i);
        break;
      }
  }
  File(ar, m_textHeight);
  int zoom = m_zoomOnRedraw ? 1 : 0;
  File(ar, zoom);
  m_zoomOnRedraw = zoom != 0;
  File(ar, m_planKind);
  File(ar, m_labelMode);
}

void TankModel2DView::Redraw(Tank& tank) {
  ModelPlanGroups groups = BuildPlanEntities(tank);
  if (m_pViewBoard)
    for (const EntityList& group : groups)
      for (const EntityPtr& e : group) m_pViewBoard->AddEntity(e);
  if (!groups.empty() && m_zoomOnRedraw && m_pViewBoard) {
    m_pViewBoard->SetViewMode(false);
    const Extents box = GetExtent(kKindMaskAll);
    m_pViewBoard->ZoomWindow(_3dPoint(box.maxX, box.maxY, 0), _3dPoint(box.minX, box.minY, 0), false);
  }
}

ModelPlanGroups TankModel2DView::BuildPlanEntities(Tank& tank) {
  // Drawing changes no board's geometry: the neighbours are found once.
  const Structure::TopologyFreeze frozen(tank);
  ModelPlanGroups groups;
  const auto append = [&groups](ModelPlanGroups more) {
    for (EntityList& g : more) groups.push_back(std::move(g));
  };

  const std::vector<BoardPtr> walls = tank.GetWalls();
  if (!walls.empty()) append(DrawWalls(walls));

  const bool isBottom = m_planKind == PlanKind::kBottomSlabs;
  for (const auto& [unit, first] : ShownSlabUnits(tank, m_planKind)) {
    const int n = unit->GetNumber();
    if (unit->GetComponents().size() == 1)
      append(DrawSingleSlab(first, isBottom, tank, n));
    else
      append(DrawSlabUnit(unit, isBottom, tank, n));
  }

  if (m_planKind == PlanKind::kBottomSlabs && std::fabs(m_bottomSlabOverhang) > g_ZeroTolerance) {
    const std::vector<BoardPtr> slabs = tank.GetBottomSlabs();
    if (!slabs.empty()) append(DrawOverhangOutline(slabs, m_bottomSlabOverhang, tank));
  }
  return groups;
}

void TankModel2DView::CollectSelectedEntities(EntityHandleList& out) const {
  if (!m_pViewBoard) return;
  for (const auto& [entity, owners] : m_entityOwners) {
    EntityHandle handle;
    if (m_pViewBoard->FindEntityHandle(entity, handle)) out.push_back(handle);
  }
}

boost::shared_ptr<_Text> TankModel2DView::MakeText(const std::string& text, const _3dPoint& position,
                                                   const std::string& layer, int color, double rotation) const {
  const double u = m_textHeight;
  auto t = boost::make_shared<_Text>(text, position, u, rotation);
  t->SetWidth(u);
  t->SetTextStyle(m_textStyle);
  t->SetStyleName(GetTextStyleName(m_textStyle));
  t->SetColorIndex(color);
  t->SetLayer(layer);
  return t;
}

void TankModel2DView::Register(const EntityList& entities, const ObjectPtr& owner, int kind) {
  if (entities.empty()) return;
  AddEntities(entities, owner, std::vector<int>(entities.size(), kind), {});
}

// --- Slabs ------------------------------------------------------------------

ModelPlanGroups TankModel2DView::DrawSingleSlab(const BoardPtr& board, bool isBottom, Tank& tank, int n) {
  const std::string& layer = board->GetKind() == 1 ? m_bottomSlabLayer : m_topSlabLayer;
  const std::string label = GetBoardLabelText(board, isBottom, n, -1, false);
  EntityList boardGroup;
  auto outline = boost::make_shared<_2dPolyline>();
  if (DrawBoardOutline(board, *outline, layer)) boardGroup.push_back(outline);
  DrawBoardLabel(board, label, layer, boardGroup);
  DrawSlabOpenings(board, boardGroup);
  if (m_labelMode == LabelMode::kNamesWithLoads)
    if (EntityPtr level = DrawWaterLevel(board, tank)) boardGroup.push_back(level);
  EntityList loads;
  if (m_labelMode == LabelMode::kNamesWithLoads) loads = DrawLoads(board);
  Register(boardGroup, board, kKindModelView);
  return {boardGroup, loads};
}

ModelPlanGroups TankModel2DView::DrawSlabUnit(const UnitPtr& unit, bool isBottom, Tank& tank, int n) {
  const std::string& layer = isBottom ? m_bottomSlabLayer : m_topSlabLayer;
  std::vector<std::vector<_3dPoint>> outlines;
  EntityList loads, openings, labels, boardOutlines;
  int m = 0;
  for (const StructureComponentPtr& component : unit->GetComponents()) {
    ++m;
    const BoardPtr board = boost::dynamic_pointer_cast<Board>(component);
    if (!board) continue;
    EntityList boardGroup;
    const std::vector<_3dPoint> pts = OutlineOf(*board);
    outlines.push_back(pts);

    EntityList holes;
    DrawSlabOpenings(board, holes);
    openings.insert(openings.end(), holes.begin(), holes.end());
    boardGroup.insert(boardGroup.end(), holes.begin(), holes.end());

    if (m_labelMode == LabelMode::kNamesWithLoads) {
      EntityList boardLoads = DrawLoads(board);
      loads.insert(loads.end(), boardLoads.begin(), boardLoads.end());
      if (EntityPtr level = DrawWaterLevel(board, tank)) {
        loads.push_back(level);
        boardGroup.push_back(level);
      }
    }

    EntityList label;
    DrawBoardLabel(board, GetBoardLabelText(board, isBottom, n, m, true), layer, label);
    labels.insert(labels.end(), label.begin(), label.end());
    boardGroup.insert(boardGroup.end(), label.begin(), label.end());

    if (!pts.empty()) {
      std::vector<_3dPoint> flat = pts;
      for (_3dPoint& p : flat) p.z = 0.0;
      auto dashed = ClosedPolyline(flat, layer);
      dashed->SetColorIndex(253);
      // The drawing's line-type scale ($LTSCALE, from the drawing scale)
      // sizes the dashes; a scale of its own would multiply it.
      dashed->SetLinetype("DASHED");
      boardOutlines.push_back(dashed);
      boardGroup.push_back(dashed);
    }
    Register(boardGroup, board, kKindModelView);
  }

  const std::string text = std::string(isBottom ? "底板" : "顶板") + std::to_string(n);
  EntityList unitGroup;
  DrawUnitOutline(outlines, text, layer, unitGroup);
  Register(unitGroup, unit, kKindModelView);

  ModelPlanGroups groups{unitGroup};
  if (m_labelMode == LabelMode::kNamesWithLoads) groups.push_back(loads);
  groups.push_back(openings);
  groups.push_back(labels);
  groups.push_back(boardOutlines);
  return groups;
}

bool TankModel2DView::DrawBoardOutline(const BoardPtr& board, _2dPolyline& polyline,
                                       const std::string& layer) const {
  std::vector<_3dPoint> pts = OutlineOf(*board);
  if (pts.size() < 3) return false;
  for (_3dPoint& p : pts) p.z = 0.0;  // a plan is flat, whatever the slab's level
  polyline.SetVertices(pts);
  polyline.SetBulges(std::vector<double>(pts.size(), 0.0));
  polyline.SetClosed(true);
  polyline.SetConstantWidth(0.0);
  polyline.SetColorIndex(253);
  polyline.SetLayer(layer);
  return true;
}

void TankModel2DView::DrawSlabOpenings(const BoardPtr& board, EntityList& out) const {
  const _3dPoint& origin = board->GetOrigin();
  const _3dVector& xAxis = board->GetXAxis();
  const _3dVector& yAxis = board->GetYAxis();
  for (const HolePtr& hole : board->GetHoles()) {
    if (!hole) continue;
    if (IsExactly<RectangleHole>(*hole)) {
      std::vector<_3dPoint> pts;
      for (const _2dPoint& c : static_cast<const RectangleHole&>(*hole).GetCorners()) {
        _3dPoint w = g_VekGeometryComm.LocalToWorld2d(origin, xAxis, yAxis, c);
        w.z = 0.0;
        pts.push_back(w);
      }
      if (pts.size() < 2) continue;
      out.push_back(ClosedPolyline(pts, m_slabOpeningLayer));
    } else if (IsExactly<CircleHole>(*hole)) {
      const auto& circle = static_cast<const CircleHole&>(*hole);
      _3dPoint c = g_VekGeometryComm.LocalToWorld2d(origin, xAxis, yAxis, circle.GetCenter());
      c.z = 0.0;
      auto e = boost::make_shared<_3dCircle>(c, circle.GetRadius(), board->GetNormal());
      e->SetLayer(m_slabOpeningLayer);
      out.push_back(e);
    } else if (IsExactly<Notch>(*hole)) {
      // A notch in a slab is shown by its plan outline on the notch layer.
      std::vector<_3dPoint> pts = static_cast<const Notch&>(*hole).GetOutline();
      if (pts.size() < 2) continue;
      for (_3dPoint& p : pts) p.z = 0.0;
      out.push_back(ClosedPolyline(pts, m_notchLayer));
    }
    // Opening kinds this plan does not know are not drawn.
  }
}

void TankModel2DView::DrawUnitOutline(const std::vector<std::vector<_3dPoint>>& outlines, const std::string& text,
                                      const std::string& layer, EntityList& out) const {
  std::vector<_2dLine> lines;
  for (const auto& pts : outlines)
    for (std::size_t k = 0; k < pts.size(); ++k) {
      const _3dPoint& a = pts[k];
      const _3dPoint& b = pts[(k + 1) % pts.size()];
      lines.emplace_back(_2dPoint(a.x, a.y), _2dPoint(b.x, b.y));
    }
  const PointLoops loops = g_PolygonAlgorithm.BuildLoops(lines);
  if (loops.size() != 1 || loops.front().size() <= 2) return;
  PointLoop loop = loops.front();
  // The loop repeats its first point; the closed polyline needs it once.
  if (loop.size() > 3 && loop.front() == loop.back()) loop.pop_back();
  std::vector<_3dPoint> pts;
  for (const _2dPoint& p : loop) pts.emplace_back(p.x, p.y, 0.0);
  auto pl = ClosedPolyline(pts, layer);
  pl->SetColorIndex(256);
  out.push_back(pl);
  auto t = boost::make_shared<_Text>();
  PlaceLabelText(loop, text, layer, *t);
  out.push_back(t);
}

// --- Slab labels --------------------------------------------------------------

std::string TankModel2DView::GetBoardLabelText(const BoardPtr& board, bool isBottom, int n, int m,
                                               bool inUnit) const {
  const auto name = [&] {
    std::string s = std::string(isBottom ? "底板" : "顶板") + std::to_string(n);
    if (m != -1) s += "_" + std::to_string(m);
    return s;
  };
  switch (m_labelMode) {
    case LabelMode::kElevations: {
      std::string s;
      GetBoardElevationText(board, s);
      return s;
    }
    case LabelMode::kNamesWithLoads:
      return name();
    case LabelMode::kThicknesses:
      return "H=" + std::to_string(static_cast<long long>(board->GetThickness()));
    default:
      return inUnit ? std::string() : name();
  }
}

void TankModel2DView::GetBoardElevationText(const BoardPtr& board, std::string& out) const {
  const std::vector<_3dPoint> pts = OutlineOf(*board);
  double zmax = -g_MaxValue, zmin = g_MaxValue;
  for (const _3dPoint& p : pts) {
    if (p.z > zmax) zmax = p.z;
    if (p.z < zmin) zmin = p.z;
  }
  if (pts.empty()) zmax = zmin = 0.0;
  // The outline lies on the slab's mid-plane; the label shows the top face.
  const double h = board->GetThickness() * 0.5;
  if (std::fabs(zmax - zmin) < g_EqualTolerance)
    out = FormatElevation((zmax + h) * 0.001);
  else
    out = FormatElevation((zmin + h) * 0.001) + "~" + FormatElevation((zmax + h) * 0.001);
}

bool TankModel2DView::DrawBoardLabel(const BoardPtr& board, const std::string& text, const std::string& layer,
                                     EntityList& out) const {
  const std::vector<_2dPoint> pts = PlanOf(OutlineOf(*board));
  if (pts.size() <= 2) return true;
  _2dPoint c;
  CentroidOrFirst(pts, c);
  if (m_labelMode == LabelMode::kElevations) {
    EntityList marker = DrawElevationMarker(c, text, layer, true);
    out.insert(out.end(), marker.begin(), marker.end());
  } else {
    out.push_back(MakeText(text, _3dPoint(c.x, c.y, 0.0), layer, 256));
  }
  return true;
}

EntityList TankModel2DView::DrawElevationMarker(const _2dPoint& P, const std::string& text,
                                                const std::string& layer, bool right) const {
  const double u = m_textHeight;
  const double v = static_cast<double>(text.size()) * u;
  const _2dPoint a(right ? P.x - 0.375 * v : P.x + 0.375 * v, P.y - (1.1 * u + u) * 0.5);
  const _3dPoint textPos(right ? a.x + 0.375 * v + u : a.x - u - 0.375 * v, a.y + 0.55 * u + u, 0.0);
  const _2dPoint g(a.x - u, a.y + u), f(a.x + u, a.y + u);
  const _2dPoint e = right ? _2dPoint(f.x + 0.75 * v, f.y) : _2dPoint(g.x - 0.75 * v, g.y);

  auto t = MakeText(text, textPos, layer, 256);
  const int style = GetTextStyle(0);
  t->SetTextStyle(style);
  t->SetStyleName(GetTextStyleName(style));
  EntityList out{t};
  const auto line = [&](const _2dPoint& p, const _2dPoint& q) {
    auto l = boost::make_shared<_2dLine>(p, q);
    l->SetColorIndex(256);
    l->SetLayer(layer);
    out.push_back(l);
  };
  line(a, g);
  line(a, f);
  line(g, f);
  line(right ? f : g, e);
  return out;
}

bool TankModel2DView::PlaceLabelText(const std::vector<_2dPoint>& polygon, const std::string& text,
                                     const std::string& layer, _Text& t) const {
  if (polygon.size() <= 2) return true;
  _2dPoint c;
  CentroidOrFirst(polygon, c);
  t = *MakeText(text, _3dPoint(c.x, c.y, 0.0), layer, 256);
  return true;
}

// --- Walls --------------------------------------------------------------------

WallLines GroupWallLines(const std::vector<BoardPtr>& walls) {
  WallLines w;
  for (std::size_t i = 0; i < walls.size(); ++i) {
    if (!walls[i]) continue;
    _2dLine line;
    if (!TankModel2DView::GetWallBaseLine(walls[i], line)) continue;
    int index = -1;
    if (TankModel2DView::FindCoincidentLine(line, w.baseLines, index)) {
      w.members[static_cast<std::size_t>(index)].push_back(static_cast<int>(i));
      continue;
    }
    w.baseLines.push_back(line);
    w.members.push_back({static_cast<int>(i)});
    w.offsets.emplace_back(walls[i]->GetUpperOffset(), walls[i]->GetLowerOffset());
    w.codes.emplace_back(walls[i]->GetWallStartCode(), walls[i]->GetWallEndCode());
  }
  const std::string axisLayer = GetLayerName(18);
  for (const _2dLine& base : w.baseLines) {
    _2dVector d = base.GetDirection();
    d.Normalize(0.1);
    auto axis = boost::make_shared<_2dLine>(base.GetStartPoint() - d * 500.0, base.GetEndPoint() + d * 500.0);
    axis->SetColorIndex(256);
    axis->SetLayer(axisLayer);
    w.axes.push_back(axis);
  }
  w.outlines = g_GeomAlgorithm.BuildOutlineGroups(w.baseLines, w.codes, w.offsets);
  w.outlines.resize(w.baseLines.size());
  return w;
}

ModelPlanGroups TankModel2DView::DrawWalls(const std::vector<BoardPtr>& walls) {
  WallLines lines = GroupWallLines(walls);
  const std::vector<_2dLine>& baseLines = lines.baseLines;
  const std::vector<std::vector<int>>& members = lines.members;
  const std::vector<std::pair<double, double>>& offsets = lines.offsets;

  ModelPlanGroups axisGroups, outlineGroups;
  for (std::size_t k = 0; k < baseLines.size(); ++k) {
    EntityList group{lines.axes[k]};
    for (int i : members[k]) Register(group, walls[static_cast<std::size_t>(i)], kKindWallAxis);
    axisGroups.push_back(group);
  }

  for (std::size_t k = 0; k < baseLines.size(); ++k) {
    EntityList group = lines.outlines[k];
    for (const EntityPtr& e : group) {
      e->SetLayer(m_wallLayer);
      e->SetColorIndex(2);
    }
    const BoardPtr& first = walls[static_cast<std::size_t>(members[k].front())];
    for (int i : members[k]) DrawWallOpenings(walls[static_cast<std::size_t>(i)], group);
    if (m_labelMode == LabelMode::kWallTexts) {
      std::vector<double> zs;
      for (int i : members[k]) {
        double lo = 0.0, hi = 0.0;
        GetBoardZRange(walls[static_cast<std::size_t>(i)], lo, hi);
        zs.push_back(lo);
        zs.push_back(hi);
      }
      std::sort(zs.begin(), zs.end());
      const double H = std::fabs(zs.front() - zs.back());
      DrawWallTexts(first, offsets[k].first, offsets[k].second, H, group);
    } else {
      std::vector<int> numbers;
      for (int i : members[k]) numbers.push_back(walls[static_cast<std::size_t>(i)]->GetNumber());
      DrawWallLabel(first, numbers, group);
    }

    // The outline belongs to every wall of the wall line.
    ObjectList owners;
    for (int i : members[k]) owners.push_back(walls[static_cast<std::size_t>(i)]);
    for (const ObjectPtr& owner : owners) {
      if (EntityList* list = m_objectEntities.Find(owner))
        list->insert(list->end(), group.begin(), group.end());
      else
        m_objectEntities.Insert(owner, group);
    }
    for (const EntityPtr& e : group) {
      m_entityOwners.Insert(e, owners);
      m_entityKinds.Insert(e, kKindModelView);
    }
    outlineGroups.push_back(group);
  }

  ModelPlanGroups groups = std::move(axisGroups);
  for (EntityList& g : outlineGroups) groups.push_back(std::move(g));
  return groups;
}

bool TankModel2DView::GetWallBaseLine(const BoardPtr& wall, _2dLine& line) {
  const std::vector<_2dPoint> plan = g_VekGeometryComm.GetPlanPoints(OutlineOf(*wall));
  if (plan.size() < 2) return false;
  line = _2dLine(plan.front(), plan.back());
  return true;
}

bool TankModel2DView::FindCoincidentLine(const _2dLine& line, const std::vector<_2dLine>& lines, int& index) {
  for (std::size_t i = 0; i < lines.size(); ++i)
    if (lines[i] == line) {
      index = static_cast<int>(i);
      return true;
    }
  return false;
}

void TankModel2DView::GetBoardZRange(const ObjectPtr& object, double& zmin, double& zmax) {
  zmin = zmax = 0.0;
  const auto board = boost::dynamic_pointer_cast<Board>(object);
  if (!board) return;
  const std::vector<_3dPoint> pts = OutlineOf(*board);
  if (pts.empty()) return;
  zmin = g_MaxValue;
  zmax = -g_MaxValue;
  for (const _3dPoint& p : pts) {
    zmin = std::min(zmin, p.z);
    zmax = std::max(zmax, p.z);
  }
}

void TankModel2DView::DrawWallLabel(const BoardPtr& wall, const std::vector<int>& numbers, EntityList& out) const {
  const std::vector<_2dPoint> plan = g_VekGeometryComm.GetPlanPoints(OutlineOf(*wall));
  if (plan.size() < 2) return;
  const _2dPoint s = plan.front(), e = plan.back();
  const _2dPoint M = s + (e - s) * 0.5;
  const double a = Upright(g_VekGeometryComm.GetAngle(s, e));
  std::string text;
  for (int n : numbers) text += "池壁" + std::to_string(n) + "  ";
  out.push_back(MakeText(text, _3dPoint(M.x, M.y, 0.0), m_wallLayer, 7, a));
}

void TankModel2DView::DrawWallTexts(const BoardPtr& wall, double upper, double lower, double height,
                                    EntityList& out) const {
  const std::vector<_2dPoint> plan = g_VekGeometryComm.GetPlanPoints(OutlineOf(*wall));
  if (plan.size() < 2) return;
  const double u = m_textHeight;
  const _2dPoint s = plan.front(), e = plan.back();
  const _2dPoint M = s + (e - s) * 0.5;
  const double a = Upright(g_VekGeometryComm.GetAngle(s, e));
  const _2dVector across(std::cos(a + g_Pi / 2), std::sin(a + g_Pi / 2));
  const std::string text1 = "t=" + std::to_string(static_cast<long long>(upper + lower)) +
                            " pz=" + std::to_string(static_cast<long long>((upper - lower) * 0.5));
  const std::string text2 = "H=" + std::to_string(static_cast<long long>(height));
  const _2dPoint p1 = M + across * (0.75 * u), p2 = M - across * (0.75 * u);
  out.push_back(MakeText(text1, _3dPoint(p1.x, p1.y, 0.0), m_wallLayer, 7, a));
  out.push_back(MakeText(text2, _3dPoint(p2.x, p2.y, 0.0), m_wallLayer, 7, a));

  // The arrow shows the wall's direction, from the base line's start to its end.
  _2dVector d = e - s;
  d.Normalize(0.1);
  const _2dPoint B = M + d * 300.0;
  _2dVector w1 = d, w2 = d;
  w1.Rotate(5 * g_Pi / 6);
  w2.Rotate(-5 * g_Pi / 6);
  const std::vector<_3dPoint> pts{_3dPoint(M.x, M.y, 0), _3dPoint(B.x, B.y, 0),
                                  _3dPoint((B + w1 * 90.0).x, (B + w1 * 90.0).y, 0), _3dPoint(B.x, B.y, 0),
                                  _3dPoint((B + w2 * 90.0).x, (B + w2 * 90.0).y, 0)};
  auto arrow = boost::make_shared<_2dPolyline>(pts, false);
  arrow->SetBulges(std::vector<double>(pts.size(), 0.0));
  arrow->SetColorIndex(6);
  arrow->SetConstantWidth(5.0);
  arrow->SetLayer(m_wallLayer);
  out.push_back(arrow);
}

void TankModel2DView::DrawWallOpenings(const BoardPtr& wall, EntityList& out) const {
  const _3dPoint& origin = wall->GetOrigin();
  const _3dVector& xAxis = wall->GetXAxis();
  const _3dVector& yAxis = wall->GetYAxis();
  const double upper = wall->GetUpperOffset(), lower = wall->GetLowerOffset();
  const _3dVector n = wall->GetNormal();
  for (const HolePtr& hole : wall->GetHoles()) {
    if (!hole) continue;
    _2dPoint e, f;
    if (IsExactly<Notch>(*hole)) {
      std::vector<_3dPoint> pts = static_cast<const Notch&>(*hole).GetOutline();
      if (pts.size() < 2) continue;
      for (_3dPoint& p : pts) p.z = 0.0;
      out.push_back(ClosedPolyline(pts, m_notchLayer));
      continue;
    }
    if (IsExactly<RectangleHole>(*hole)) {
      std::vector<_3dPoint> world;
      for (const _2dPoint& c : static_cast<const RectangleHole&>(*hole).GetCorners())
        world.push_back(g_VekGeometryComm.LocalToWorld2d(origin, xAxis, yAxis, c));
      const std::vector<_2dPoint> plan = g_VekGeometryComm.GetPlanPoints(world);
      if (plan.size() < 2) continue;
      e = plan.front();
      f = plan.back();
    } else if (IsExactly<CircleHole>(*hole)) {
      const auto& circle = static_cast<const CircleHole&>(*hole);
      const _2dPoint c = circle.GetCenter();
      const double r = circle.GetRadius();
      e = _2dPoint(g_VekGeometryComm.LocalToWorld2d(origin, xAxis, yAxis, _2dPoint(c.x - r, c.y)));
      f = _2dPoint(g_VekGeometryComm.LocalToWorld2d(origin, xAxis, yAxis, _2dPoint(c.x + r, c.y)));
    } else {
      continue;  // an opening kind the plan does not know
    }
    const double normalAngle = _2dVector(n.x, n.y).GetAngle();
    if (!g_VekGeometryComm.Equal(g_VekGeometryComm.GetSweepAngle(normalAngle, (f - e).GetAngle()), g_Pi / 2, 0.01))
      std::swap(e, f);
    const double C = g_VekGeometryComm.GetAngle(e, f);
    const _2dVector right(std::cos(C - g_Pi / 2), std::sin(C - g_Pi / 2));
    const _2dVector left(std::cos(C + g_Pi / 2), std::sin(C + g_Pi / 2));
    const _2dPoint c0 = e + right * upper, c1 = f + right * upper, c2 = f + left * lower, c3 = e + left * lower;
    out.push_back(ClosedPolyline({_3dPoint(c0.x, c0.y, 0), _3dPoint(c1.x, c1.y, 0), _3dPoint(c2.x, c2.y, 0),
                                  _3dPoint(c3.x, c3.y, 0)},
                                 m_wallOpeningLayer));
  }
}

// --- Loads and water level ----------------------------------------------------------

EntityList TankModel2DView::DrawLoads(const BoardPtr& board) {
  int points = 1, lines = 1, regions = 1, wholes = 1, ramps = 1;
  EntityList result;
  for (const LoadPtr& load : board->GetLoads()) {
    if (!load || load->GetDistribution() == 0) continue;
    EntityList entities;
    int* counter = nullptr;
    if (IsExactly<PointLoad>(*load)) {
      counter = &points;
      entities = DrawPointLoad(boost::static_pointer_cast<PointLoad>(load), *counter);
    } else if (IsExactly<LineLoad>(*load)) {
      counter = &lines;
      entities = DrawLineLoad(boost::static_pointer_cast<LineLoad>(load), *counter);
    } else if (IsExactly<AreaLoad>(*load)) {
      switch (load->GetDistribution()) {
        case 1: counter = &regions; break;
        case 2: counter = &wholes; break;
        case 3: counter = &ramps; break;
        default: break;
      }
      if (counter) entities = DrawAreaLoad(board, boost::static_pointer_cast<AreaLoad>(load), *counter);
    }
    if (!entities.empty()) {
      result.insert(result.end(), entities.begin(), entities.end());
      ++*counter;
    }
  }
  return result;
}

EntityList TankModel2DView::DrawPointLoad(const boost::shared_ptr<PointLoad>& load, int n) {
  const double h = m_textHeight * 0.5;
  _3dPoint P;
  const double v = load->GetValue(P);
  const auto line = [&](double x0, double y0, double x1, double y1) {
    auto l = boost::make_shared<_3dLine>(_3dPoint(x0, y0, 0), _3dPoint(x1, y1, 0));
    l->SetColorIndex(6);
    l->SetLayer(m_loadLayer);
    return l;
  };
  const std::string text = "P" + std::to_string(n) + "=" + LoadValueText(v);
  EntityList out{line(P.x - h, P.y + h, P.x + h, P.y - h), line(P.x - h, P.y - h, P.x + h, P.y + h),
                 MakeText(text, _3dPoint(P.x + h * (static_cast<double>(text.size()) + 1), P.y, 0), m_loadLayer, 6)};
  Register(out, load, kKindModelView);
  return out;
}

EntityList TankModel2DView::DrawLineLoad(const boost::shared_ptr<LineLoad>& load, int n) {
  const double h = m_textHeight * 0.5;
  _3dPoint S, E;
  const double a = load->GetStartValue(S);
  const double b = load->GetEndValue(E);
  auto line = boost::make_shared<_3dLine>(S, E);
  line->SetColorIndex(2);
  line->SetLayer(m_loadLayer);
  std::string text = "Q" + std::to_string(n) + "=" + LoadValueText(a);
  if (std::fabs(a - b) >= g_EqualTolerance) text += "~" + LoadValueText(b);
  const _2dPoint s(S.x, S.y), e(E.x, E.y);
  const double ang = g_VekGeometryComm.GetAngle(s, e);
  const _2dPoint M = s + (e - s) * 0.5;
  const _2dPoint at = M + _2dVector(std::cos(ang + g_Pi / 2), std::sin(ang + g_Pi / 2)) * h;
  EntityList out{line, MakeText(text, _3dPoint(at.x, at.y, 0), m_loadLayer, 2, ang)};
  Register(out, load, kKindModelView);
  return out;
}

EntityList TankModel2DView::DrawAreaLoad(const BoardPtr& board, const boost::shared_ptr<AreaLoad>& load, int n) {
  const double h = m_textHeight * 0.5;
  const int distribution = load->GetDistribution();
  EntityList out;
  std::string base = "Q";
  double a = 0.0, b = 0.0;
  _3dPoint at;
  double rotation = 0.0;
  int color = 7;
  if (distribution == 1) {
    const _2dPolyline& region = load->GetRegion();
    std::vector<_3dPoint> pts;
    std::vector<double> bulges;
    for (int i = 0; i < region.VerNums(); ++i) {
      _3dPoint p = region.GetVertexAt(i);
      p.z = 0.0;
      pts.push_back(p);
      bulges.push_back(region.GetBulgeAt(i));
    }
    if (pts.empty()) return {};
    auto pl = boost::make_shared<_2dPolyline>(pts, true);
    pl->SetBulges(bulges);
    pl->SetColorIndex(4);
    pl->SetLayer(m_loadLayer);
    out.push_back(pl);
    _2dPoint c;
    CentroidOrFirst(PlanOf(pts), c);
    a = b = load->GetValue();
    at = _3dPoint(c.x, c.y - h, 0);
    color = 4;
  } else if (distribution == 2) {
    _2dPoint c;
    if (!CentroidOrFirst(PlanOf(OutlineOf(*board)), c)) return {};  // a board without outline
    a = b = load->GetValue();
    // A whole-board load of another type is placed like a permanent one.
    double below = 5 * h;
    if (load->GetLoadType() == 2) base = "Qg";
    if (load->GetLoadType() == 5) {
      base = "Qq";
      below = 7 * h;
    }
    at = _3dPoint(c.x, c.y - below, 0);
    color = 7;
  } else if (distribution == 3) {
    _3dPoint S, E;
    a = load->GetStartValue(S);
    b = load->GetEndValue(E);
    const _2dPoint s(S.x, S.y), e(E.x, E.y);
    const double ang = g_VekGeometryComm.GetAngle(s, e);
    const double k = g_VekGeometryComm.Distance3d(S, E) * 0.25;
    const _2dVector N(std::cos(ang + g_Pi / 2), std::sin(ang + g_Pi / 2));
    std::vector<_2dPoint> v;
    if (std::fabs(a - b) < g_EqualTolerance)
      v = {s, e, e + N * k, s + N * k};
    else if (a > b && std::fabs(b) >= g_EqualTolerance)
      v = {s, e, e + N * k, s + N * (2 * k)};
    else if (a > b)
      v = {s, e, e, s + N * k};
    else if (std::fabs(a) < g_EqualTolerance)
      v = {s, e, e + N * k, s};
    else
      v = {s, e, e + N * (2 * k), s + N * k};
    std::vector<_3dPoint> pts;
    for (const _2dPoint& p : v) pts.emplace_back(p.x, p.y, 0.0);
    auto pl = ClosedPolyline(pts, m_loadLayer);
    pl->SetColorIndex(3);
    out.push_back(pl);
    const _2dPoint M = s + (e - s) * 0.5;
    const _2dPoint p = M + _2dVector(std::cos(ang - g_Pi / 2), std::sin(ang - g_Pi / 2)) * h;
    at = _3dPoint(p.x, p.y, 0);
    rotation = ang;
    color = 3;
  } else {
    return {};
  }
  std::string text = base;
  if (distribution != 2) text += std::to_string(n);
  text += "=" + LoadValueText(a);
  if (std::fabs(a - b) >= g_EqualTolerance) text += "~" + LoadValueText(b);
  out.push_back(MakeText(text, at, m_loadLayer, color, rotation));
  Register(out, load, kKindModelView);
  return out;
}

EntityPtr TankModel2DView::DrawWaterLevel(const BoardPtr& board, Tank& tank) const {
  _2dPoint c;
  if (!CentroidOrFirst(PlanOf(OutlineOf(*board)), c)) return {};  // a board without outline
  double level = 0.0;
  TankCellPtr cell;
  if (FindCellOfBoard(board, tank, cell)) level = cell->GetWaterLevel() * 0.001;
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "hw=%.3f", level);
  // A full text line below the whole-slab load labels (Qq's baseline at
  // 7 h), clear of their descenders.
  return MakeText(buffer, _3dPoint(c.x, c.y - 11 * m_textHeight * 0.5, 0), m_loadLayer, 7);
}

bool TankModel2DView::FindCellOfBoard(const BoardPtr& board, Tank& tank, TankCellPtr& cell) {
  for (const TankCellPtr& c : tank.GetCells())
    for (const UnitPtr& unit : c->GetUnits())
      for (const StructureComponentPtr& component : unit->GetComponents())
        if (component.get() == board.get()) {
          cell = c;
          return true;
        }
  return false;
}

// --- Bottom-slab overhang outline -------------------------------------------------------

namespace {

void DrawClosedLines(const std::vector<_2dPoint>& pts, const std::string& layer, EntityList& out) {
  for (std::size_t k = 0; k < pts.size(); ++k) {
    const _2dPoint& a = pts[k];
    const _2dPoint& b = pts[(k + 1) % pts.size()];
    auto l = boost::make_shared<_3dLine>(_3dPoint(a.x, a.y, 0), _3dPoint(b.x, b.y, 0));
    l->SetLayer(layer);
    l->SetColorIndex(7);
    out.push_back(l);
  }
}

}  // namespace

void OffsetPolygon(std::vector<_2dPoint> pts, std::vector<double> d, std::vector<_2dPoint>& out) {
  if (std::fabs(g_VekGeometryComm.GetArea(pts)) < g_ZeroTolerance) std::reverse(pts.begin(), pts.end());
  const std::size_t n = pts.size();
  std::vector<_2dLine> lines;
  for (std::size_t k = 0; k < n; ++k) {
    const _2dPoint& p = pts[k];
    const _2dPoint& q = pts[(k + 1) % n];
    const double a = g_VekGeometryComm.GetAngle(p, q) - g_Pi * 0.5;
    const _2dVector off = _2dVector(std::cos(a), std::sin(a)) * d.at(k);
    lines.emplace_back(p + off, q + off);
  }
  for (std::size_t k = 0; k < n; ++k) {
    const _2dLine& L = lines[k];
    const _2dLine& N = lines[(k + 1) % n];
    if (g_VekGeometryComm.IsParallel(L, N)) {
      if (!g_VekGeometryComm.IsCollinear(L.GetStartPoint(), L.GetEndPoint(), N.GetEndPoint(), 1.0)) {
        out.push_back(L.GetEndPoint());
        out.push_back(N.GetStartPoint());
      }
    } else {
      _2dPoint x;
      if (g_VekGeometryComm.IntersectLines(L, N, x, 1.0)) out.push_back(x);
    }
  }
}

ModelPlanGroups TankModel2DView::DrawOverhangOutline(const std::vector<BoardPtr>& slabs, double C, Tank& tank) {
  std::vector<_2dLine> lines;
  std::vector<double> wallOffsets;
  for (const BoardPtr& slab : slabs)
    if (slab) CollectOverhangEdges(slab, lines, wallOffsets, tank);
  EntityList group;
  for (const PointLoop& loop : g_PolygonAlgorithm.BuildLoops(lines)) {
    if (loop.size() < 4) continue;
    const std::vector<_2dPoint> pts(loop.begin(), loop.end() - 1);
    std::vector<double> offsets;
    for (std::size_t k = 0; k < pts.size(); ++k) {
      const _2dLine side(pts[k], pts[(k + 1) % pts.size()]);
      double offset = C;
      for (std::size_t j = 0; j < lines.size(); ++j)
        if (lines[j] == side) {
          offset = C + wallOffsets[j];
          break;
        }
      offsets.push_back(offset);
    }
    std::vector<_2dPoint> moved;
    OffsetPolygon(pts, offsets, moved);
    if (moved.size() >= 2) DrawClosedLines(moved, m_overhangLayer, group);
  }
  Register(group, ObjectPtr(), kKindModelView);
  return {group};
}

void TankModel2DView::CollectOverhangEdges(const BoardPtr& slab, std::vector<_2dLine>& lines,
                                           std::vector<double>& wallOffsets, Tank& tank) {
  const _3dPoint& origin = slab->GetOrigin();
  const _3dVector& xAxis = slab->GetXAxis();
  const _3dVector& yAxis = slab->GetYAxis();
  std::vector<BoardPtr> neighbours;
  std::vector<int> ownEdges, otherEdges;
  tank.GetNeighbourBoards(slab, neighbours, ownEdges, otherEdges);
  const auto& edges = slab->GetEdges();
  for (std::size_t g = 0; g < edges.size(); ++g) {
    const _3dVector d3 = slab->GetEdgeDirection(static_cast<int>(g));
    _2dVector dir(d3.x, d3.y);
    dir.Normalize(0.1);
    double length = 0.0;
    if (!edges[g].GetOverhang(length)) continue;
    const _3dPoint a = g_VekGeometryComm.LocalToWorld2d(origin, xAxis, yAxis, edges[g].GetStartPoint());
    const _3dPoint b = g_VekGeometryComm.LocalToWorld2d(origin, xAxis, yAxis, edges[g].GetEndPoint());
    lines.emplace_back(_2dPoint(a.x, a.y), _2dPoint(b.x, b.y));

    double w = -10000.0;
    for (std::size_t k = 0; k < neighbours.size(); ++k) {
      const BoardPtr& other = neighbours[k];
      if (!other || other->GetKind() != 0) continue;
      bool counted = ownEdges[k] == static_cast<int>(g);
      if (!counted && ownEdges[k] == -1) {
        _3dLine common;
        counted = tank.GetIntersectionLine(slab, other, common) &&
                  g_VekGeometryComm.GetOverlapByPoints3d(common.GetEndPoint(), common.GetStartPoint(), b, a);
      }
      if (!counted) continue;
      const _3dVector n3 = other->GetNormal();
      _2dVector nrm(n3.x, n3.y);
      nrm.Normalize(0.1);
      const double off = dir == nrm ? other->GetLowerOffset() : other->GetUpperOffset();
      if (off > w) w = off;
    }
    if (g_VekGeometryComm.Equal(w, -10000.0, 0.0001)) w = 0.0;
    wallOffsets.push_back(w);
  }
}
