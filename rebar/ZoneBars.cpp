#include "rebar/ZoneBars.h"

#include <boost/make_shared.hpp>

#include <cmath>

BarPlacement PlaceBarsOnLine(double length, int spacing) {
  BarPlacement p;
  if (spacing <= 0 || !(length >= 0.0) || !std::isfinite(length)) return p;
  p.count = static_cast<int>(length / spacing);
  p.start = (length - p.count * static_cast<double>(spacing)) * 0.5;
  return p;
}

namespace {

_2dPolyline Shifted(const _2dPolyline& polyline, const _3dVector& offset) {
  _2dPolyline out(polyline);
  for (int i = 0; i < out.VerNums(); ++i) out.SetVertexAt(i, out.GetVertexAt(i) + offset);
  return out;
}

ReinPtr MakeBar(const ReinZone& zone, const _2dPolyline& polyline) {
  auto bar = boost::make_shared<Rein>();
  bar->SetPolyline(polyline);
  bar->SetGrade(zone.GetGrade());
  bar->SetDiameter(zone.GetDiameter());
  return bar;
}

}  // namespace

bool MoveTemplateToLineStart(const ReinZone& zone, _2dPolyline& moved) {
  const _2dPolyline& templ = zone.GetTemplatePolyline();
  if (templ.VerNums() < 2) return false;
  const _3dLine& line = zone.GetDistributionLine();
  const _3dPoint s = line.GetStartPoint();
  const _3dPoint a = templ.GetVertexAt(0);
  const _3dVector w = a - templ.GetVertexAt(1);
  const _3dVector b = w.CrossProduct(line.GetEndPoint() - s);
  _3dPoint foot = s;
  // A template running along the line spans no plane with it: it is not
  // moved then.
  g_VekGeometryComm.ProjectToPlane(a, b.GetUnitVector(0.01), w.GetUnitVector(0.01), s, foot);
  moved = Shifted(templ, s - foot);
  return true;
}

void ExpandZoneBars(ReinZonePtr zone) {
  if (!zone) return;
  const _3dLine& line = zone->GetDistributionLine();
  const BarPlacement place = PlaceBarsOnLine(line.GetLength(), zone->GetSpacing());
  if (place.count <= 0) return;
  _2dPolyline moved;
  if (!MoveTemplateToLineStart(*zone, moved)) return;
  const _3dVector u = (line.GetEndPoint() - line.GetStartPoint()).GetUnitVector(0.001);
  const double s = zone->GetSpacing();
  for (int i = 0; i < place.count; ++i) zone->AddRein(MakeBar(*zone, Shifted(moved, u * (place.start + s * i))));
}

std::vector<ReinPtr> DistributeBarsOnLine(const ReinZonePtr& zone, int position, bool single) {
  std::vector<ReinPtr> out;
  if (!zone || zone->GetSpacing() <= 0) return out;
  _2dPolyline moved;
  if (!MoveTemplateToLineStart(*zone, moved)) return out;
  const _3dLine& line = zone->GetDistributionLine();
  const double length = line.GetLength();
  const BarPlacement place = PlaceBarsOnLine(length, zone->GetSpacing());
  const _3dVector u = (line.GetEndPoint() - line.GetStartPoint()).GetUnitVector(0.001);
  if (single) {
    out.push_back(MakeBar(*zone, Shifted(moved, u * (position + place.start))));
    return out;
  }
  std::vector<ReinPtr> bars;
  const double s = zone->GetSpacing();
  for (int i = 0; i < place.count; ++i) bars.push_back(MakeBar(*zone, Shifted(moved, u * (place.start + s * i))));
  zone->SetReins(bars);
  return out;
}
