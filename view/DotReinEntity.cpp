#include "view/DotReinEntity.h"

#include "view/ReinLabel.h"

#include <boost/make_shared.hpp>

namespace {

EntityPtr MakeDot(const _2dPoint& c) {
  const double d = GetDrawingUnit() * GetReinDotSize();
  auto dot = boost::make_shared<_2dPolyline>(
      std::vector<_3dPoint>{_3dPoint(c.x - d / 4.0, c.y, 0.0), _3dPoint(c.x + d / 4.0, c.y, 0.0)}, true);
  dot->SetBulges({1.0, 1.0});
  dot->SetConstantWidth(d / 2.0);
  dot->SetLayer(GetLayerName(7));
  return dot;
}

boost::shared_ptr<_2dLine> ThinLine(const _2dPoint& a, const _2dPoint& b) {
  auto line = boost::make_shared<_2dLine>(a, b);
  line->SetLayer(GetLayerName(9));
  return line;
}

}  // namespace

boost::shared_ptr<_2dLine> MakeLeaderLine::operator()(const _2dPoint& p) const {
  return ThinLine(p, p + direction.GetUnitVector(g_DefaultTolerance) * length);
}

DotReinEntity::DotReinEntity(const std::vector<_2dPoint>& centres) {
  for (const _2dPoint& c : centres) m_dots.push_back(MakeDot(c));
}

DotReinEntity::DotReinEntity(const _2dPoint& centre, const _2dVector& direction, unsigned n, int s) {
  // The row length in signed integers: a negative spacing runs the row the
  // other way instead of wrapping round.
  const int rowLength = s * (static_cast<int>(n) - 1);
  const _2dVector d = direction.GetUnitVector(g_DefaultTolerance);
  for (int k = 0; k < static_cast<int>(n); ++k) {
    m_dots.push_back(MakeDot(centre + d * (static_cast<double>(k * s) - rowLength / 2.0)));
  }
}

std::vector<_2dPoint> DotReinEntity::GetDotCenters() const {
  std::vector<_2dPoint> centres;
  for (const EntityPtr& e : m_dots) {
    const auto dot = boost::dynamic_pointer_cast<_2dPolyline>(e);
    if (!dot || dot->VerNums() < 2) continue;
    const _3dPoint m = g_VekGeometryComm.GetMidPoint3d(dot->GetVertexAt(0), dot->GetVertexAt(1));
    centres.emplace_back(m.x, m.y);
  }
  return centres;
}

void DotReinEntity::GetEntities(EntityList& out) const {
  for (const EntityPtr& e : m_dots)
    if (e) out.push_back(e);
  for (const EntityPtr& e : m_leaders)
    if (e) out.push_back(e);
  if (m_spLeader) out.push_back(m_spLeader);
  if (m_spMark) out.push_back(m_spMark);
  if (m_spLabelText) out.push_back(m_spLabelText);
}

void DotReinEntity::Move(const _2dVector& offset) {
  const _3dVector v(offset.x, offset.y, 0.0);
  for (const EntityPtr& e : m_dots)
    if (e) e->Move(v);
  for (const EntityPtr& e : m_leaders)
    if (e) e->Move(v);
  if (m_spLeader) m_spLeader->Move(v);
  if (m_spMark) m_spMark->Move(v);
  if (m_spLabelText) m_spLabelText->Move(v);
}

void DotReinEntity::AddLabel(int number, const std::string& text, const _2dVector& dir1, double length1,
                             AcadViewBoard* board, bool withMark, bool withText, double lengthFactor, bool fan,
                             const _2dVector& dir2) {
  double hf = 3.0, wf = 0.7;
  GetTextSize(3, hf, wf);
  const double h = GetDrawingUnit() * hf;
  const double w = board->MeasureTextWidth(text, h, wf, GetTextStyle(3));
  const std::vector<_2dPoint> centres = GetDotCenters();
  _2dPoint away;  // the point the text keeps away from
  if (fan) {
    const _2dPoint c = g_VekGeometryComm.GetCenter(centres);
    for (const _2dPoint& p : centres) m_leaders.push_back(ThinLine(c, p));
    const _2dPoint e = c + dir1.GetUnitVector(g_DefaultTolerance) * length1;
    m_leaders.push_back(ThinLine(c, e));
    const double b = 200.0 * lengthFactor + (withText ? w : 0.0);
    m_spLeader = ThinLine(e, e + dir2.GetUnitVector(g_DefaultTolerance) * b);
    away = c;
  } else {
    m_leaders.clear();
    const MakeLeaderLine leader(dir1, length1);
    for (const _2dPoint& p : centres) m_leaders.push_back(leader(p));
    if (m_leaders.empty()) return;
    const auto first = boost::static_pointer_cast<_2dLine>(m_leaders.front());
    const auto last = boost::static_pointer_cast<_2dLine>(m_leaders.back());
    m_spLeader = ThinLine(first->GetEndPoint(), last->GetEndPoint());
    double total = m_spLeader->GetLength() + 200.0 * lengthFactor;
    if (withText && total < w) total = w;
    const _2dVector d = m_spLeader->GetDirection().GetUnitVector(g_DefaultTolerance);
    m_spLeader->SetEndPoint(m_spLeader->GetStartPoint() + d * total);
    away = centres.front();
  }
  // The text stands on the side of the line away from the dots: its right
  // when the dots lie on its left.
  const bool side = g_VekGeometryComm.IsCounterClockwise(m_spLeader->GetStartPoint(), m_spLeader->GetEndPoint(), away);
  DrawReinMark(*m_spLeader, side, number, text, withMark, withText, m_spMark, m_spLabelText);
}
