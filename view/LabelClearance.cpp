#include "view/LabelClearance.h"

#include "view/DrawingRoutines.h"

#include <algorithm>
#include <cmath>
#include <functional>

std::vector<Extents> EntityBoxes(const EntityList& entities, const AcadViewBoard& board) {
  std::vector<Extents> boxes;
  for (const EntityPtr& e : entities) {
    if (!e) continue;
    Extents box;
    board.GetExtents(box, {e});
    boxes.push_back(box);
  }
  return boxes;
}

std::vector<Extents> LabelBoxes(const LineReinEntity& bar, const AcadViewBoard& board) {
  boost::shared_ptr<Ordinal> mark;
  boost::shared_ptr<_Text> text, second;
  bar.GetMark(mark);
  bar.GetLabelText(text);
  bar.GetSecondLabelText(second);
  return EntityBoxes({mark, text, second}, board);
}

std::vector<Extents> LabelBoxes(const DotReinEntity& row, const AcadViewBoard& board) {
  return EntityBoxes({row.GetMark(), row.GetLabelText()}, board);
}

Extents DimensionTextBox(const _2dAlignedDimension& dim, const AcadViewBoard& board) {
  const _2dPoint p = dim.GetFirstPoint(), q = dim.GetSecondPoint();
  const double h = std::abs(dim.GetTextHeight());
  const double w = board.MeasureTextWidth(dim.GetDisplayText(), h, 0.7, 0);
  double angle = std::atan2(q.y - p.y, q.x - p.x);
  if (angle > 0.5 * g_Pi + 1e-9) angle -= g_Pi;
  if (angle <= -0.5 * g_Pi + 1e-9) angle += g_Pi;
  const _2dVector along(std::cos(angle), std::sin(angle)), up(-std::sin(angle), std::cos(angle));
  // The dimension line runs through the line point, parallel to p–q; the
  // text stands 0.4 of its height off it.
  const double length = (q - p).GetLength();
  const _2dVector dir = length > 0.0 ? (q - p) * (1.0 / length) : along;
  const _2dVector normal(-dir.y, dir.x);
  const _2dVector lineShift = normal * (dim.GetLinePoint() - p).Dot(normal);
  const _2dPoint centre = g_VekGeometryComm.GetMidPoint(p, q) + lineShift + up * (0.4 * h + 0.5 * h);
  Extents box;
  for (const double a : {-0.5 * w, 0.5 * w})
    for (const double b : {-0.5 * h, 0.5 * h}) {
      const _2dPoint corner = centre + along * a + up * b;
      box.Extend(_3dPoint(corner.x, corner.y, 0.0));
    }
  return box;
}

double OverlapArea(const Extents& box, const std::vector<Extents>& others) {
  double area = 0.0;
  for (const Extents& o : others) {
    if (o.IsEmpty()) continue;
    const double w = std::min(box.maxX, o.maxX) - std::max(box.minX, o.minX);
    const double h = std::min(box.maxY, o.maxY) - std::max(box.minY, o.minY);
    if (w > 0.0 && h > 0.0) area += w * h;
  }
  return area;
}

bool AnyOverlap(const std::vector<Extents>& boxes, const std::vector<Extents>& others) {
  const double touch = 0.2 * GetDrawingUnit();
  for (const Extents& a : boxes)
    for (const Extents& b : others)
      if (!a.IsEmpty() && !b.IsEmpty() && std::min(a.maxX, b.maxX) > std::max(a.minX, b.minX) + touch &&
          std::min(a.maxY, b.maxY) > std::max(a.minY, b.minY) + touch)
        return true;
  return false;
}

namespace {

// A label that can move out along its leader: its boxes now, the unit
// direction it moves in, and the move itself (by a length along it).
struct MovableLabel {
  std::function<std::vector<Extents>()> boxes;
  _2dVector direction;
  std::function<void(double)> move;
  double step = 0.0;
};

// The step a label moves by: its bubble's diameter, or two text heights
// for a label without bubble.
double StepOf(const boost::shared_ptr<Ordinal>& mark, const AcadViewBoard& board) {
  if (mark) {
    Extents box;
    board.GetExtents(box, {mark});
    if (!box.IsEmpty()) return std::max(box.maxX - box.minX, box.maxY - box.minY);
  }
  double hf = 3.0, wf = 0.7;
  GetTextSize(3, hf, wf);
  return 2.0 * hf * GetDrawingUnit();
}

bool Usable(const _2dVector& d) { return !g_VekGeometryComm.Equal(d.GetLength(), 0.0, 1e-4); }

// A bar's label lengthens its first leader: its elbow, second leader, bubble
// and texts move together; the leader's start stays on the bar.
bool MakeMovable(const LineReinPtr& bar, const AcadViewBoard& board, MovableLabel& out) {
  boost::shared_ptr<_2dLine> first, second;
  boost::shared_ptr<Ordinal> mark;
  boost::shared_ptr<_Text> text, secondText;
  bar->GetFirstLeader(first);
  bar->GetSecondLeader(second);
  bar->GetMark(mark);
  bar->GetLabelText(text);
  bar->GetSecondLabelText(secondText);
  if (!first || !second || (!mark && !text)) return false;
  const _2dVector d = first->GetDirection();
  if (!Usable(d)) return false;
  out.direction = d.GetUnitVector(g_DefaultTolerance);
  out.step = StepOf(mark, board);
  out.boxes = [bar, &board] { return LabelBoxes(*bar, board); };
  out.move = [first, second, mark, text, secondText, u = out.direction](double length) {
    const _2dVector v = u * length;
    first->SetEndPoint(first->GetEndPoint() + v);
    const _3dVector v3(v.x, v.y, 0.0);
    for (const EntityPtr& e : EntityList{second, mark, text, secondText})
      if (e) e->Move(v3);
  };
  return true;
}

// A dot row's label lengthens the leaders that end on its label line; the
// line, bubble and text move together; the leaders keep their dots.
bool MakeMovable(const DotReinPtr& row, const AcadViewBoard& board, MovableLabel& out) {
  const boost::shared_ptr<_2dLine> line = row->GetLeader();
  const boost::shared_ptr<Ordinal> mark = row->GetMark();
  const boost::shared_ptr<_Text> text = row->GetLabelText();
  if (!line || (!mark && !text)) return false;
  EntityList leaders;
  row->GetSecondEntities(leaders);
  std::vector<boost::shared_ptr<_2dLine>> reaching;
  for (const EntityPtr& e : leaders) {
    const auto leader = boost::dynamic_pointer_cast<_2dLine>(e);
    if (leader && Usable(leader->GetDirection()) &&
        g_VekGeometryComm.IsPointOnSegment(*line, leader->GetEndPoint(), 1e-3))
      reaching.push_back(leader);
  }
  if (reaching.empty()) return false;
  out.direction = reaching.front()->GetDirection().GetUnitVector(g_DefaultTolerance);
  // Leaders not along the move would leave the line when lengthened.
  for (const auto& leader : reaching)
    if (const _2dVector d = leader->GetDirection().GetUnitVector(g_DefaultTolerance);
        !g_VekGeometryComm.Equal(std::abs(d.x * out.direction.x + d.y * out.direction.y), 1.0, 1e-6))
      return false;
  out.step = StepOf(mark, board);
  out.boxes = [row, &board] { return LabelBoxes(*row, board); };
  out.move = [reaching, line, mark, text, u = out.direction](double length) {
    const _2dVector v = u * length;
    for (const auto& leader : reaching) leader->SetEndPoint(leader->GetEndPoint() + v);
    const _3dVector v3(v.x, v.y, 0.0);
    for (const EntityPtr& e : EntityList{line, mark, text})
      if (e) e->Move(v3);
  };
  return true;
}

}  // namespace

void KeepWallLabelsClear(const std::vector<std::vector<LineReinPtr>>& lineBars, const std::vector<DotReinPtr>& dotRows,
                         const std::vector<DotReinPtr>& supportDots, const AcadViewBoard& board,
                         const std::vector<Extents>& drawn) {
  // Steps tried out along the leader first, then back across the bar.
  constexpr int kTries = 12;
  std::vector<Extents> placed = drawn;
  const auto keep = [&](MovableLabel& label) {
    const std::vector<Extents> here = label.boxes();
    if (AnyOverlap(here, placed) && label.step > 0.0) {
      const auto overlap = [&](const std::vector<Extents>& boxes) {
        double area = 0.0;
        for (const Extents& b : boxes) area += OverlapArea(b, placed);
        return area;
      };
      int at = 0, best = 0;
      double least = overlap(here);
      const auto moveTo = [&](int k) {
        label.move(label.step * (k - at));
        at = k;
      };
      bool clear = false;
      for (const int sense : {1, -1}) {
        for (int k = 1; k <= kTries && !clear; ++k) {
          moveTo(sense * k);
          const std::vector<Extents> boxes = label.boxes();
          clear = !AnyOverlap(boxes, placed);
          const double area = overlap(boxes);
          if (clear || area < least) {
            least = area;
            best = at;
          }
        }
      }
      moveTo(best);
    }
    const std::vector<Extents> now = label.boxes();
    placed.insert(placed.end(), now.begin(), now.end());
  };
  const auto fixed = [&](const std::vector<Extents>& boxes) { placed.insert(placed.end(), boxes.begin(), boxes.end()); };
  for (const auto& bars : lineBars)
    for (const LineReinPtr& bar : bars) {
      if (!bar) continue;
      MovableLabel label;
      if (MakeMovable(bar, board, label)) keep(label);
      else fixed(LabelBoxes(*bar, board));
    }
  for (const auto* rows : {&dotRows, &supportDots})
    for (const DotReinPtr& row : *rows) {
      if (!row) continue;
      MovableLabel label;
      if (MakeMovable(row, board, label)) keep(label);
      else fixed(LabelBoxes(*row, board));
    }
}
