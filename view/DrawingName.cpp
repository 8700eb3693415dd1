#include "view/DrawingName.h"

#include <boost/make_shared.hpp>

#include <algorithm>
#include <cmath>
#include <string>

namespace {

// A text of kind 0 (titles) centred on its insertion point.
boost::shared_ptr<_Text> MakeTitleText(const std::string& text, const _3dPoint& at, double height, double factor) {
  auto t = boost::make_shared<_Text>(text, at, height, 0.0);
  t->SetWidth(height * factor);
  t->SetNormal(_3dVector(0.0, 0.0, 1.0));
  t->SetAlignment(_Text::kCenter, _Text::kMiddle);
  t->SetLayer(GetLayerName(15));
  const int style = GetTextStyle(0);
  t->SetTextStyle(style);
  t->SetStyleName(GetTextStyleName(style));
  return t;
}

}  // namespace

DrawingName::DrawingName(AcadViewBoard* owner, const std::string& name, double scale) : m_owner(owner) {
  const double u = static_cast<double>(GetDrawingUnit());
  double heightFactor = 0.0;
  double f = 0.7;
  GetTextSize(0, heightFactor, f);
  const double H = u * GetTitleTextHeight();
  const double h = u * GetScaleTextHeight();

  m_nameText = MakeTitleText(name, _3dPoint(0.0, 0.0, 0.0), H, f);
  const double W = MeasuredWidth(*m_nameText);

  const double yu = -(1.0 * u + 0.5 * H);
  m_underline = boost::make_shared<_2dPolyline>(
      std::vector<_3dPoint>{_3dPoint(-W / 2.0, yu, 0.0), _3dPoint(W / 2.0, yu, 0.0)});
  m_underline->SetConstantWidth(0.5 * u);
  m_underline->SetLayer(GetLayerName(10));

  m_thinLine = boost::make_shared<_2dLine>(_2dPoint(-W / 2.0, yu - u), _2dPoint(W / 2.0, yu - u));
  m_thinLine->SetLayer(GetLayerName(9));

  // The scale is written as an integer, truncated toward zero.
  const long long n = static_cast<long long>(std::trunc(scale));
  m_scaleText = MakeTitleText("1:" + std::to_string(n), _3dPoint(0.0, 0.0, 0.0), h, f);
  const double w = MeasuredWidth(*m_scaleText);
  m_scaleText->SetPosition(_3dPoint(W / 2.0 + 5.0 * u + 0.5 * w, yu - u + 0.5 * h, 0.0));
}

double DrawingName::MeasuredWidth(const _Text& text) const {
  const double height = text.GetHeight();
  const double factor = height > 0.0 ? text.GetWidth() / height : 0.0;
  return m_owner->GetTextWidth(text.GetText(), height, factor, text.GetTextStyle());
}

void DrawingName::GetExtent(double& minX, double& maxY, double& maxX, double& minY) const {
  // The box of the block's own entities.  (Starting it at the origin, where
  // the block is built, would keep the origin inside it after a move.)
  bool empty = true;
  auto widen = [&](double x0, double y0, double x1, double y1) {
    if (empty) {
      minX = x0, minY = y0, maxX = x1, maxY = y1;
      empty = false;
      return;
    }
    minX = std::min(minX, x0);
    minY = std::min(minY, y0);
    maxX = std::max(maxX, x1);
    maxY = std::max(maxY, y1);
  };
  for (const Entity* e : {static_cast<const Entity*>(m_underline.get()), static_cast<const Entity*>(m_thinLine.get())}) {
    if (!e) continue;
    const Extents box = e->GetExtents();
    if (!box.IsEmpty()) widen(box.minX, box.minY, box.maxX, box.maxY);
  }
  for (const _Text* t : {m_nameText.get(), m_scaleText.get()}) {
    if (!t) continue;
    const double w = MeasuredWidth(*t);
    const double hh = t->GetHeight();
    const _3dPoint& p = t->GetPosition();
    widen(p.x - w / 2.0, p.y - hh / 2.0, p.x + w / 2.0, p.y + hh / 2.0);
  }
  if (empty) minX = maxX = minY = maxY = 0.0;
}

void DrawingName::GetSize(double& width, double& height) const {
  double minX, maxY, maxX, minY;
  GetExtent(minX, maxY, maxX, minY);
  width = maxX - minX;
  height = maxY - minY;
}

_2dPoint DrawingName::GetCenter() const {
  double minX, maxY, maxX, minY;
  GetExtent(minX, maxY, maxX, minY);
  return _2dPoint((minX + maxX) / 2.0, (minY + maxY) / 2.0);
}

void DrawingName::GetEntities(EntityList& out) const {
  if (m_thinLine) out.push_back(m_thinLine);
  if (m_underline) out.push_back(m_underline);
  if (m_nameText) out.push_back(m_nameText);
  if (m_scaleText) out.push_back(m_scaleText);
}

void DrawingName::MoveTo(const _2dPoint& target) {
  const _2dPoint c = GetCenter();
  const EntityScaleMoveFunctor move(1.0, _3dVector(target.x - c.x, target.y - c.y, 0.0));
  EntityList entities;
  GetEntities(entities);
  for (const auto& e : entities) move(e);
}
