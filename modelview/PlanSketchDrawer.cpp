#include "modelview/PlanSketchDrawer.h"

#include "platform/Dusmet.h"

#include <boost/make_shared.hpp>
#include <boost/pointer_cast.hpp>

#include <cmath>
#include <typeinfo>

namespace {

std::vector<_2dPoint> PlanPointsOf(const Board& board) {
  std::vector<_3dPoint> pts;
  board.GetOutline(pts);
  return PlanOf(pts);
}

template <class T>
bool IsExactly(const VekObject& object) {
  return typeid(object) == typeid(T);
}

}  // namespace

PlanSketchDrawer::PlanSketchDrawer() : m_plan(std::make_unique<TankModel2DView>(nullptr)) {
  // The model plan's layers (top slab, bottom slab, slab opening, overhang,
  // wall, wall opening, notch, load) and text style.
  const TankModel2DView& plan = *m_plan;
  m_topSlabLayer = plan.m_topSlabLayer;
  m_bottomSlabLayer = plan.m_bottomSlabLayer;
  m_slabOpeningLayer = plan.m_slabOpeningLayer;
  m_overhangLayer = plan.m_overhangLayer;
  m_wallLayer = plan.m_wallLayer;
  m_wallOpeningLayer = plan.m_wallOpeningLayer;
  m_notchLayer = plan.m_notchLayer;
  m_loadLayer = plan.m_loadLayer;
  m_textStyle = plan.m_textStyle;
}

PlanSketchDrawer::~PlanSketchDrawer() = default;

TankModel2DView& PlanSketchDrawer::Plan() const {
  TankModel2DView& plan = *m_plan;
  plan.m_planKind = m_planKind;
  plan.m_labelMode = m_showLoads ? LabelMode::kNamesWithLoads : LabelMode::kNames;
  plan.m_bottomSlabOverhang = m_bottomSlabOverhang;
  plan.m_topSlabLayer = m_topSlabLayer;
  plan.m_bottomSlabLayer = m_bottomSlabLayer;
  plan.m_slabOpeningLayer = m_slabOpeningLayer;
  plan.m_overhangLayer = m_overhangLayer;
  plan.m_wallLayer = m_wallLayer;
  plan.m_wallOpeningLayer = m_wallOpeningLayer;
  plan.m_notchLayer = m_notchLayer;
  plan.m_loadLayer = m_loadLayer;
  plan.m_textStyle = m_textStyle;
  plan.m_textHeight = m_textHeight;
  return plan;
}

boost::shared_ptr<_Text> PlanSketchDrawer::MakeText(const std::string& text, double x, double y,
                                                    const std::string& layer, int color, double rotation) const {
  return Plan().MakeText(text, _3dPoint(x, y, 0.0), layer, color, rotation);
}

void PlanSketchDrawer::Draw(ModelPlanGroups& out, Tank& tank, int planKind, bool showLoads) {
  m_planKind = planKind;
  m_showLoads = showLoads;
  ModelPlanGroups groups;
  const auto append = [&groups](ModelPlanGroups more) {
    for (EntityList& g : more) groups.push_back(std::move(g));
  };
  const std::vector<BoardPtr> walls = tank.GetWalls();
  if (!walls.empty()) append(DrawWalls(walls));

  const bool isBottom = m_planKind == PlanKind::kBottomSlabs;
  for (const auto& [unit, first] : ShownSlabUnits(tank, m_planKind)) {
    if (unit->GetComponents().size() == 1)
      append(DrawSingleSlab(first, isBottom, tank, unit->GetNumber()));
    else
      append(DrawSlabUnit(unit, isBottom, tank, unit->GetNumber()));
  }

  if (m_planKind == PlanKind::kBottomSlabs && std::fabs(m_bottomSlabOverhang) > g_ZeroTolerance) {
    const std::vector<BoardPtr> slabs = tank.GetBottomSlabs();
    if (!slabs.empty()) append(DrawOverhangOutline(slabs, m_bottomSlabOverhang, tank));
  }
  out = std::move(groups);
}

ModelPlanGroups PlanSketchDrawer::DrawWalls(const std::vector<BoardPtr>& walls) {
  const WallLines lines = GroupWallLines(walls);
  ModelPlanGroups groups;
  for (const EntityPtr& axis : lines.axes) groups.push_back({axis});
  for (std::size_t k = 0; k < lines.baseLines.size(); ++k) {
    EntityList group = lines.outlines[k];
    // The outlines take the colour of their layer.
    for (const EntityPtr& e : group) {
      e->SetLayer(m_wallLayer);
      e->SetColorIndex(Entity::kColorByLayer);
    }
    if (!m_showLoads) {
      // The wall line's label, as the model plan writes it.
      std::vector<int> numbers;
      for (int i : lines.members[k]) numbers.push_back(walls[static_cast<std::size_t>(i)]->GetNumber());
      Plan().DrawWallLabel(walls[static_cast<std::size_t>(lines.members[k].front())], numbers, group);
    }
    groups.push_back(std::move(group));
  }
  return groups;
}

ModelPlanGroups PlanSketchDrawer::DrawSingleSlab(const BoardPtr& board, bool isBottom, Tank& tank, int n) {
  const std::string& layer = board->GetKind() == 1 ? m_bottomSlabLayer : m_topSlabLayer;
  EntityList boardGroup, loads;
  auto outline = boost::make_shared<_2dPolyline>();
  if (Plan().DrawBoardOutline(board, *outline, layer)) {
    outline->SetColorIndex(Entity::kColorByLayer);
    boardGroup.push_back(outline);
  }
  if (!m_showLoads) {
    Plan().DrawSlabOpenings(board, boardGroup);
    auto label = boost::make_shared<_Text>();
    DrawBoardLabel(board, GetBoardLabelText(board, isBottom, n, -1, false), layer, *label);
    boardGroup.push_back(label);
  } else {
    loads = DrawLoads(board, tank);
  }
  return {boardGroup, loads};
}

ModelPlanGroups PlanSketchDrawer::DrawSlabUnit(const UnitPtr& unit, bool isBottom, Tank& tank, int n) {
  const std::string& layer = isBottom ? m_bottomSlabLayer : m_topSlabLayer;
  ModelPlanGroups groups;
  std::vector<std::vector<_3dPoint>> outlines;
  EntityList loads, labels, boardOutlines;
  int i = 0;
  for (const StructureComponentPtr& component : unit->GetComponents()) {
    ++i;
    const BoardPtr board = boost::dynamic_pointer_cast<Board>(component);
    if (!board) continue;
    std::vector<_3dPoint> pts;
    board->GetOutline(pts);
    outlines.push_back(pts);
    if (!m_showLoads) {
      EntityList openings;
      Plan().DrawSlabOpenings(board, openings);
      groups.push_back(std::move(openings));
      auto label = boost::make_shared<_Text>();
      DrawBoardLabel(board, GetBoardLabelText(board, isBottom, n, i, true), layer, *label);
      labels.push_back(label);
    } else {
      EntityList boardLoads = DrawLoads(board, tank);
      loads.insert(loads.end(), boardLoads.begin(), boardLoads.end());
    }
    for (_3dPoint& p : pts) p.z = 0.0;
    auto dashed = boost::make_shared<_2dPolyline>(pts, true);
    dashed->SetBulges(std::vector<double>(pts.size(), 0.0));
    dashed->SetConstantWidth(0.0);
    dashed->SetColorIndex(Entity::kColorByLayer);
    dashed->SetLayer(layer);
    dashed->SetLinetype("DASHED");
    boardOutlines.push_back(dashed);
  }
  EntityList unitGroup;
  Plan().DrawUnitOutline(outlines, std::string(isBottom ? "底板" : "顶板") + std::to_string(n), layer, unitGroup);
  groups.push_back(std::move(unitGroup));
  if (m_showLoads) groups.push_back(std::move(loads));
  groups.push_back(std::move(labels));
  groups.push_back(std::move(boardOutlines));
  return groups;
}

std::string PlanSketchDrawer::GetBoardLabelText(const BoardPtr&, bool isBottom, int n, int m, bool inUnit) const {
  if (!m_showLoads && inUnit) return {};
  std::string s = std::string(isBottom ? "底板" : "顶板") + std::to_string(n);
  if (m != -1) s += "_" + std::to_string(m);
  return s;
}

void PlanSketchDrawer::DrawBoardLabel(const BoardPtr& board, const std::string& label, const std::string& layer,
                                      _Text& text) const {
  const std::vector<_2dPoint> pts = PlanPointsOf(*board);
  if (pts.size() <= 2) return;
  _2dPoint c;
  CentroidOrFirst(pts, c);
  text = *MakeText(label, c.x, c.y, layer, Entity::kColorByLayer);
}

EntityList PlanSketchDrawer::DrawLoads(const BoardPtr& board, Tank&) {
  // Points and lines are numbered by their own counters, the area loads of
  // every distribution by one; a counter moves on only when its load drew.
  int points = 1, lines = 1, areas = 1;
  EntityList result;
  for (const LoadPtr& load : board->GetLoads()) {
    if (!load || load->GetDistribution() == 0) continue;
    EntityList entities;
    int* counter = nullptr;
    if (IsExactly<PointLoad>(*load)) {
      counter = &points;
      entities = Plan().DrawPointLoad(boost::static_pointer_cast<PointLoad>(load), points);
    } else if (IsExactly<LineLoad>(*load)) {
      counter = &lines;
      entities = Plan().DrawLineLoad(boost::static_pointer_cast<LineLoad>(load), lines);
    } else if (IsExactly<AreaLoad>(*load)) {
      counter = &areas;
      entities = DrawAreaLoad(board, boost::static_pointer_cast<AreaLoad>(load), areas);
    }
    if (counter && !entities.empty()) {
      result.insert(result.end(), entities.begin(), entities.end());
      ++*counter;
    }
  }
  return result;
}

EntityList PlanSketchDrawer::DrawAreaLoad(const BoardPtr& board, const boost::shared_ptr<AreaLoad>& load, int number) {
  switch (load->GetDistribution()) {
    case 1:  // a region, its arcs kept
    case 3:  // a ramp, as the model plan draws it
      return Plan().DrawAreaLoad(board, load, number);
    case 2: {
      // A whole-board load: its label one text height above (permanent) or
      // below (variable) the board's centroid, without number.
      _2dPoint c;
      if (!CentroidOrFirst(PlanPointsOf(*board), c)) return {};
      std::string prefix = "Q";
      double y = c.y;
      if (load->GetLoadType() == 2) {
        prefix = "Qg";
        y = c.y + m_textHeight;
      } else if (load->GetLoadType() == 5) {
        prefix = "Qq";
        y = c.y - m_textHeight;
      }
      const double a = load->GetValue();
      return {MakeText(prefix + "=" + LoadValueText(a), c.x, y, m_loadLayer, 7)};
    }
    default:
      return {};
  }
}

ModelPlanGroups PlanSketchDrawer::DrawOverhangOutline(const std::vector<BoardPtr>& slabs, double overhang,
                                                      Tank& tank) {
  ModelPlanGroups groups = Plan().DrawOverhangOutline(slabs, overhang, tank);
  for (EntityList& group : groups)
    for (const EntityPtr& e : group) e->SetColorIndex(Entity::kColorByLayer);
  return groups;
}
