#include "view/LineReinEntity.h"

#include "view/ReinLabel.h"

#include <boost/make_shared.hpp>

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace {

double Unit() { return GetDrawingUnit(); }

void TextSize(double& h, double& widthFactor) {
  double hf = 3.0;
  widthFactor = 0.7;
  GetTextSize(3, hf, widthFactor);
  h = Unit() * hf;
}

_2dPoint Plan(const _3dPoint& p) { return _2dPoint(p.x, p.y); }

_3dPoint Space(const _2dPoint& p) { return _3dPoint(p.x, p.y, 0.0); }

boost::shared_ptr<_2dLine> ThinLine(const _2dPoint& a, const _2dPoint& b) {
  auto line = boost::make_shared<_2dLine>(a, b);
  line->SetLayer(GetLayerName(9));
  return line;
}

}  // namespace

LineReinEntity::LineReinEntity(int hookType, int constructMode, int startSide, int endSide, const _2dPolyline& bar,
                               double startRoom, double endRoom)
    : m_constructMode(constructMode), m_hookType(hookType), m_startHookSide(startSide), m_endHookSide(endSide) {
  auto line = boost::make_shared<_2dPolyline>(bar);
  // A circle given as two half arcs and back becomes a closed two-vertex circle.
  if (!line->GetBulges().empty() && line->VerNums() == 4 &&
      g_VekGeometryComm.Equal(line->GetBulgeAt(0), 1.0, 1e-4)) {
    const std::vector<_3dPoint> v = line->GetVertices();
    const std::vector<double> b = line->GetBulges();
    line->SetVertices({v[0], v[1]});
    line->SetBulges({b[0], b[1]});
    line->SetClosed(true);
  }
  m_spReinLine = line;
  if (hookType == 1) {
    AddSemicircularHooks(startSide, endSide, startRoom, endRoom);
  } else if (hookType == 2) {
    AddBentHooks(startSide, endSide, 0.5 * g_Pi);
  } else if (hookType == 3) {
    AddBentHooks(startSide, endSide, 0.25 * g_Pi);
  }
  m_spReinLine->SetLayer(GetLayerName(7));
  m_spReinLine->SetConstantWidth(Unit() * GetReinLineWidth());
}

int LineReinEntity::GetHookPointCount() const {
  if (m_hookType == 1) return 2;
  if (m_hookType == 2 || m_hookType == 3) return 1;
  return 0;
}

void LineReinEntity::GetEntities(EntityList& out) const {
  const EntityPtr members[] = {m_spReinLine, m_spFirstLeader, m_spSecondLeader,
                               m_spMark,     m_spLabelText,   m_spSecondLabelText};
  for (const EntityPtr& e : members)
    if (e) out.push_back(e);
}

_2dLine LineReinEntity::GetBodySegment(int i) const {
  const int h = GetHookPointCount();
  return _2dLine(Plan(m_spReinLine->GetVertexAt(i + h)), Plan(m_spReinLine->GetVertexAt(i + h + 1)));
}

void LineReinEntity::GetEndSegments(_2dLine& first, _2dLine& last) const {
  const _2dPolyline& bar = *m_spReinLine;
  const int n = bar.VerNums();
  first = _2dLine(Plan(bar.GetVertexAt(0)), Plan(bar.GetVertexAt(1)));
  if (bar.IsClosed()) {
    last = _2dLine(Plan(bar.GetVertexAt(n - 1)), Plan(bar.GetVertexAt(0)));
  } else {
    last = _2dLine(Plan(bar.GetVertexAt(n - 2)), Plan(bar.GetVertexAt(n - 1)));
  }
}

_2dVector LineReinEntity::GetHookVector(const _2dLine& segment, double angle, double length) {
  _2dVector v = segment.GetDirection().GetUnitVector(g_DefaultTolerance);
  v.SetLength(length);
  v.Rotate(angle);
  return v;
}

void LineReinEntity::AddSemicircularHooks(int startSide, int endSide, double startRoom, double endRoom) {
  _2dLine first, last;
  GetEndSegments(first, last);
  const double u = Unit();
  // A hook wider than the room across its end (less the bar line's width,
  // so that the drawn line keeps inside the far face) is drawn smaller,
  // its tail in proportion; at the least two fifths of the standard's size,
  // which still reads as a hook rather than a dot.
  const double fullChord = 2.0 * u * GetHookRadius();
  const auto fitted = [&](double room) {
    if (!std::isfinite(room) || fullChord <= 0.0) return 1.0;
    return std::clamp((room - u * GetReinLineWidth()) / fullChord, 0.4, 1.0);
  };
  _2dPolyline& bar = *m_spReinLine;
  double chord = fullChord * fitted(startRoom);
  double tail = u * GetHookTailLength() * fitted(startRoom);
  // Start: the half circle from q back to the bar's start, the tail before it.
  {
    const double a = startSide ? -0.5 * g_Pi : 0.5 * g_Pi;
    const _2dPoint q = first.GetStartPoint() + GetHookVector(first, a, chord);
    bar.InsertVertex(0, Space(q), startSide ? -1.0 : 1.0);
    _2dVector t = first.GetDirection().GetUnitVector(g_DefaultTolerance);
    t.SetLength(tail);
    bar.InsertVertex(0, Space(q + t), 0.0);
  }
  // End: the half circle from the bar's end to q, the tail running back.
  chord = fullChord * fitted(endRoom);
  tail = u * GetHookTailLength() * fitted(endRoom);
  {
    const double a = endSide ? -0.5 * g_Pi : 0.5 * g_Pi;
    const _2dPoint q = last.GetEndPoint() + GetHookVector(last, a, chord);
    bar.AppendVertex(Space(q), 0.0);
    bar.SetBulgeAt(bar.VerNums() - 2, endSide ? -1.0 : 1.0);
    _2dVector t = last.GetDirection().GetUnitVector(g_DefaultTolerance);
    t.SetLength(tail);
    t.Rotate(g_Pi);
    bar.AppendVertex(Space(q + t), 0.0);
  }
}

void LineReinEntity::AddBentHooks(int startSide, int endSide, double angle) {
  _2dLine first, last;
  GetEndSegments(first, last);
  const double tail = Unit() * GetBentHookTailLength();
  _2dPolyline& bar = *m_spReinLine;
  const double a0 = startSide ? -angle : angle;
  bar.InsertVertex(0, Space(first.GetStartPoint() + GetHookVector(first, a0, tail)), 0.0);
  const double a1 = endSide ? -(g_Pi - angle) : g_Pi - angle;
  bar.AppendVertex(Space(last.GetEndPoint() + GetHookVector(last, a1, tail)), 0.0);
}

_2dPolyline LineReinEntity::GetReinLineWithoutHook() const {
  if (!m_spReinLine) throw std::logic_error("!m_spReinLine in LineReinEntity::GetReinLineWithoutHook");
  _2dPolyline result = *m_spReinLine;
  const int n = result.VerNums();
  if (m_hookType == 1) {
    if (n < 6) throw std::logic_error("result.VerNums() < 6 in LineReinEntity::GetReinLineWithoutHook");
  } else if (m_hookType != 0) {
    if (n < 4) throw std::logic_error("result.VerNums() < 4 in LineReinEntity::GetReinLineWithoutHook");
  } else if (n < 2) {
    throw std::logic_error("result.VerNums() < 2 in LineReinEntity::GetReinLineWithoutHook");
  }
  if (result.GetVertices().size() != result.GetBulges().size()) {
    throw std::logic_error("pts.size() != bugles.size() in LineReinEntity::GetReinLineWithoutHook");
  }
  const int h = GetHookPointCount();
  result.RemoveFront(h);
  result.RemoveBack(h);
  return result;
}

void LineReinEntity::RemoveStartHook() {
  if (m_startHookRemoved) return;
  const int h = GetHookPointCount();
  if (!m_spReinLine || m_spReinLine->VerNums() < h + 2) throw std::logic_error("pts.size() < hookPointCount + 2");
  m_spReinLine->RemoveFront(h);
  m_startHookRemoved = true;
}

void LineReinEntity::RemoveEndHook() {
  if (m_endHookRemoved) return;
  const int h = GetHookPointCount();
  if (!m_spReinLine || m_spReinLine->VerNums() < h + 2) throw std::logic_error("pts.size() < hookPointCount + 2");
  m_spReinLine->RemoveBack(h);
  m_endHookRemoved = true;
}

void LineReinEntity::TrimByLine(const boost::shared_ptr<_2dLine>& cut, bool flag) {
  try {
    if (!m_spReinLine) throw std::logic_error("!m_spReinLine");
    if (!cut) throw std::logic_error("!cut");
    const _2dPoint a = cut->GetStartPoint(), b = cut->GetEndPoint();
    const int h = GetHookPointCount();
    const auto basePoint = [&](bool start) {
      const std::vector<_3dPoint>& pts = m_spReinLine->GetVertices();
      const int n = static_cast<int>(pts.size());
      const bool removed = start ? m_startHookRemoved : m_endHookRemoved;
      if (removed) {
        if (n < 2) throw std::logic_error("pts.size() < 2");
        return Plan(start ? pts[0] : pts[n - 1]);
      }
      if (n < h + 2) throw std::logic_error("pts.size() < hookPointCount + 2");
      return Plan(start ? pts[h] : pts[n - 1 - h]);
    };
    const _2dPoint d = basePoint(true);
    const _2dPoint c = basePoint(false);
    const bool startRight = g_VekGeometryComm.IsClockwise(a, b, d);
    const bool endRight = g_VekGeometryComm.IsClockwise(a, b, c);
    if (flag ? !startRight : startRight) RemoveStartHook();
    if (flag ? !endRight : endRight) RemoveEndHook();

    const auto dropped = [&](const _2dPoint& p) {
      return flag ? !g_VekGeometryComm.IsCounterClockwise(a, b, p) : g_VekGeometryComm.IsClockwise(a, b, p);
    };
    std::vector<_2dLine> kept;
    for (_2dLine s : ExplodePolylineTo2d(*m_spReinLine)) {
      const bool ds = dropped(s.GetStartPoint()), de = dropped(s.GetEndPoint());
      if (ds && de) continue;
      if (ds || de) {
        _2dPoint x;
        if (g_VekGeometryComm.IntersectLines(s, *cut, x, g_DefaultTolerance)) {
          if (ds) s.SetStartPoint(x);
          else s.SetEndPoint(x);
        }
      }
      kept.push_back(s);
    }
    std::vector<_3dPoint> vertices;
    if (!kept.empty()) {
      vertices.push_back(Space(kept.front().GetStartPoint()));
      for (const _2dLine& s : kept) vertices.push_back(Space(s.GetEndPoint()));
    }
    m_spReinLine->SetVertices(vertices);
    m_spReinLine->SetBulges(std::vector<double>(vertices.size(), 0.0));
    m_spFirstLeader.reset();
    m_spSecondLeader.reset();
    m_spMark.reset();
    m_spLabelText.reset();
    m_spSecondLabelText.reset();
  } catch (...) {
    // A failed trim leaves the bar as far as it got.
  }
}

void LineReinEntity::MoveLabels(const _2dVector& offset) {
  const _3dVector v(offset.x, offset.y, 0.0);
  const EntityPtr members[] = {m_spFirstLeader, m_spSecondLeader, m_spMark, m_spLabelText, m_spSecondLabelText};
  for (const EntityPtr& e : members)
    if (e) e->Move(v);
}

_2dPoint LineReinEntity::GetLeaderStart() const {
  if (!m_spFirstLeader) throw std::logic_error("");
  return m_spFirstLeader->GetStartPoint();
}

_2dVector LineReinEntity::GetLeaderDirection() const {
  if (!m_spSecondLeader) throw std::logic_error("");
  const _2dVector d = m_spSecondLeader->GetDirection();
  if (g_VekGeometryComm.Equal(d.GetLength(), 0.0, 1e-4)) throw std::logic_error("");
  return d;
}

void LineReinEntity::AddLeaderLabel(int number, const std::string& text, AcadViewBoard* board, const _2dPoint& start,
                                    const _2dVector& dir1, double length1, const _2dVector& dir2, bool withMark,
                                    bool withText, double lengthFactor) {
  double h = 0.0, wf = 0.7;
  TextSize(h, wf);
  const double w = board->MeasureTextWidth(text, h, wf, GetTextStyle(3));
  const _2dPoint e = start + dir1.GetUnitVector(g_DefaultTolerance) * length1;
  m_spFirstLeader = ThinLine(start, e);
  const double length2 = withText ? w : 200.0 * lengthFactor;
  m_spSecondLeader = ThinLine(e, e + dir2.GetUnitVector(g_DefaultTolerance) * length2);
  // The text goes to the side of the second leader away from the bar: its
  // right when the bar point lies on its left.
  const bool side = g_VekGeometryComm.IsCounterClockwise(e, m_spSecondLeader->GetEndPoint(), start);
  DrawReinMark(*m_spSecondLeader, side, number, text, withMark, withText, m_spMark, m_spLabelText);
}

void LineReinEntity::AddSegmentLabel(int number, const std::string& text, int segment, AcadViewBoard* board,
                                     bool withMark, bool withText) {
  if (!withMark && !withText) return;
  const double u = Unit();
  double h = 0.0, wf = 0.7;
  TextSize(h, wf);
  const double d = u * GetReinMarkSize();
  const double w = board->MeasureTextWidth(text, h, wf, GetTextStyle(3));
  const _2dLine s = GetBodySegment(segment);
  const _2dVector v = s.GetDirection();
  const _2dPoint m = s.GetMidPoint();
  _2dVector g = v * 0.25;
  const double ga = g.GetAngle();
  if (ga < 0.25 * g_Pi || ga >= 1.25 * g_Pi) g = -g;
  const _2dPoint p = m + g;
  _2dVector n = v.GetUnitVector(g_DefaultTolerance);
  n.Rotate(0.5 * g_Pi);
  n = n * (withMark ? u * 1.0 + d * 0.5 : u * 1.0 + h * 0.5);
  const double gap = u * 1.0 + w + d;
  const _2dVector along = v.GetUnitVector(g_DefaultTolerance);
  if (withMark) {
    _2dPoint centre = p + n;
    if (withText) centre = centre + along * -(gap * 0.5 - d * 0.5);
    m_spMark = boost::make_shared<Ordinal>(number, centre, v.GetAngle(), d);
    m_spMark->SetLayer(GetLayerName(8));
  }
  if (withText) {
    _2dPoint at = p + n;
    if (withMark) at = at + along * (gap * 0.5 - w * 0.5);
    m_spLabelText = MakeReinLabelText(text, at, v.GetAngle());
  }
}

void LineReinEntity::DrawLeaderLabel(const std::string& text1, const std::string& text2, const _2dLine& leader,
                                     AcadViewBoard* board) {
  double h = 0.0, wf = 0.7;
  TextSize(h, wf);
  const double w1 = board->MeasureTextWidth(text1, h, wf, GetTextStyle(3));
  const double w2 = board->MeasureTextWidth(text2, h, wf, GetTextStyle(3));
  m_spFirstLeader = ThinLine(leader.GetStartPoint(), leader.GetEndPoint());
  const _2dPoint e = leader.GetEndPoint();
  m_spSecondLeader = ThinLine(e, e + leader.GetDirection().GetUnitVector(g_DefaultTolerance) * std::max(w1, w2));
  boost::shared_ptr<Ordinal> unused;
  DrawReinMark(*m_spSecondLeader, false, 0, text1, false, true, unused, m_spLabelText);
  DrawReinMark(*m_spSecondLeader, true, 0, text2, false, true, unused, m_spSecondLabelText);
}
