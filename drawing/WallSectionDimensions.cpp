#include "drawing/WallSectionDimensions.h"

#include "drawing/AutoDimension.h"
#include "platform/Dusmet.h"
#include "view/TankView.h"

#include <boost/make_shared.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <deque>
#include <limits>

namespace {

constexpr int kKindElevation = 0x20000;

std::vector<_2dLine> LinesOf(const EntityList& entities) {
  std::vector<_2dLine> lines;
  for (const EntityPtr& e : entities)
    if (auto line = boost::dynamic_pointer_cast<_2dLine>(e)) lines.push_back(*line);
  return lines;
}

EntityList OfKinds(const TankView& view, int mask) {
  EntityList matching, other;
  view.SplitEntitiesByKind(mask, matching, other);
  return matching;
}

double Dx(const _2dLine& l) { return std::fabs(l.GetEndPoint().x - l.GetStartPoint().x); }
double Dy(const _2dLine& l) { return std::fabs(l.GetEndPoint().y - l.GetStartPoint().y); }
double MinX(const _2dLine& l) { return std::min(l.GetStartPoint().x, l.GetEndPoint().x); }
double MaxX(const _2dLine& l) { return std::max(l.GetStartPoint().x, l.GetEndPoint().x); }
double MinY(const _2dLine& l) { return std::min(l.GetStartPoint().y, l.GetEndPoint().y); }
double MaxY(const _2dLine& l) { return std::max(l.GetStartPoint().y, l.GetEndPoint().y); }

_2dPoint First(const DimSegment& s) { return {s.firstX, s.firstY}; }
_2dPoint Second(const DimSegment& s) { return {s.secondX, s.secondY}; }
DimSegment Segment(const _2dPoint& a, const _2dPoint& b) { return DimSegment(a.x, a.y, b.x, b.y); }

// The section order: by first-point x, and within 1.0 of x by first-point y.
bool SectionLess(const DimSegment& a, const DimSegment& b) {
  if (std::fabs(a.firstX - b.firstX) > 1.0) return a.firstX < b.firstX;
  return a.firstY < b.firstY;
}

// Values sorted and merged: a value within 1.0 of the one before it in
// sorted order goes.
std::vector<double> SortMerged(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  std::vector<double> out;
  for (std::size_t i = 0; i < values.size(); ++i)
    if (i == 0 || values[i] - values[i - 1] > 1.0) out.push_back(values[i]);
  return out;
}

std::vector<_2dPoint> AtX(double x, const std::vector<double>& ys) {
  std::vector<_2dPoint> out;
  for (double y : ys) out.emplace_back(x, y);
  return out;
}
std::vector<_2dPoint> AtY(double y, const std::vector<double>& xs) {
  std::vector<_2dPoint> out;
  for (double x : xs) out.emplace_back(x, y);
  return out;
}

struct Box {
  double minX = std::numeric_limits<double>::max(), maxX = std::numeric_limits<double>::lowest();
  double minY = std::numeric_limits<double>::max(), maxY = std::numeric_limits<double>::lowest();
  void Add(const _2dPoint& p) {
    minX = std::min(minX, p.x);
    maxX = std::max(maxX, p.x);
    minY = std::min(minY, p.y);
    maxY = std::max(maxY, p.y);
  }
  double MidX() const { return (minX + maxX) * 0.5; }
  double MidY() const { return (minY + maxY) * 0.5; }
};

// The chain of one side of the section: heights at x from the profile's
// end point, the inner level above it, the faces above the inner level,
// the horizontal outline lines across the face and the reference points.
std::vector<_2dPoint> BuildSideChain(double x, const _2dPoint& profileEnd, double innerLevel,
                                     const std::vector<DimSegment>& faces, const std::vector<_2dLine>& outlineCopy,
                                     const std::vector<_2dPoint>& references) {
  std::vector<double> ys{profileEnd.y, innerLevel};
  for (const DimSegment& f : faces)
    for (double y : {f.firstY, f.secondY})
      if (y > innerLevel) ys.push_back(y);
  const auto face = std::find_if(faces.begin(), faces.end(),
                                 [](const DimSegment& f) { return std::fabs(f.secondX - f.firstX) < 1.0; });
  if (face != faces.end()) {
    const double a = face->firstX;
    for (const _2dLine& l : outlineCopy)
      if (Dy(l) <= 1.0 && MinX(l) < a && a < MaxX(l) && l.GetStartPoint().y > profileEnd.y)
        ys.push_back(l.GetStartPoint().y);
  }
  for (const _2dPoint& p : references) ys.push_back(p.y);
  return AtX(x, SortMerged(ys));
}

void BuildLeftSectionChains(std::vector<_2dPoint>& chain, std::vector<_2dPoint>& second, double x,
                            const std::vector<DimSegment>& profile, const std::vector<DimSegment>& sortedInner,
                            const std::vector<DimSegment>& outer, const std::vector<DimSegment>& faces,
                            const std::vector<_2dLine>& outlineCopy, const std::vector<_2dPoint>& references) {
  if (profile.empty() || sortedInner.empty()) return;
  chain = BuildSideChain(x, First(profile.front()), sortedInner.front().firstY, faces, outlineCopy, references);
  if (!outer.empty()) second = {_2dPoint(x, outer.front().firstY), _2dPoint(x, profile.front().firstY)};
}

void BuildRightSectionChains(std::vector<_2dPoint>& chain, std::vector<_2dPoint>& second, double x,
                             const std::vector<DimSegment>& profile, const std::vector<DimSegment>& sortedInner,
                             const std::vector<DimSegment>& outer, const std::vector<DimSegment>& faces,
                             const std::vector<_2dLine>& outlineCopy, const std::vector<_2dPoint>& references) {
  if (profile.empty() || sortedInner.empty()) return;
  chain = BuildSideChain(x, Second(profile.back()), sortedInner.back().secondY, faces, outlineCopy, references);
  if (!outer.empty()) second = {_2dPoint(x, outer.back().secondY), _2dPoint(x, profile.back().secondY)};
}

void BuildBottomSectionChains(std::vector<_2dPoint>& chain, std::vector<_2dPoint>& second,
                              std::vector<_2dPoint>& third, double y, const std::vector<DimSegment>& profile,
                              const std::vector<DimSegment>& inner, const std::vector<DimSegment>& outer,
                              const std::vector<_2dLine>& outlineCopy, const std::vector<_2dLine>& cutLines,
                              const std::vector<_2dPoint>& references) {
  std::vector<double> xs;
  for (const DimSegment& s : inner) {
    xs.push_back(s.firstX);
    xs.push_back(s.secondX);
  }
  if (!profile.empty()) {
    if (HasVerticalLineAtPoint(First(profile.front()), outlineCopy)) xs.push_back(profile.front().firstX);
    if (HasVerticalLineAtPoint(Second(profile.back()), outlineCopy)) xs.push_back(profile.back().secondX);
  }
  for (const _2dPoint& p : references) xs.push_back(p.x);
  chain = AtY(y, SortMerged(xs));
  if (chain.empty() || outer.empty()) return;
  std::vector<_2dPoint> ends;
  for (const DimSegment& s : outer) {
    ends.push_back(First(s));
    ends.push_back(Second(s));
  }
  const auto [lo, hi] = std::minmax_element(ends.begin(), ends.end(),
                                            [](const _2dPoint& a, const _2dPoint& b) { return a.x < b.x; });
  if (lo->x <= chain.front().x - 1.0 && HasVerticalLineAtPoint(*lo, cutLines))
    second = {_2dPoint(lo->x, y), chain.front()};
  if (hi->x >= chain.back().x + 1.0 && HasVerticalLineAtPoint(*hi, cutLines))
    third = {chain.back(), _2dPoint(hi->x, y)};
}

}  // namespace

void DrawElevationMark(const _2dPoint& position, EntityList& entities, std::vector<int>& kinds,
                       const ElevationReference& reference, double scale, double unit, bool textRight,
                       bool withBaseLine) {
  const double value = position.y * scale / unit * 0.001 - reference.first + reference.second;
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.3f", value);
  const std::string text = buffer;
  double heightFactor = 3.0, widthFactor = 0.7;
  GetTextSize(2, heightFactor, widthFactor);
  const double h = heightFactor * unit, w = widthFactor * heightFactor * unit;
  const double n = static_cast<double>(text.size());
  const double sign = textRight ? 1.0 : -1.0;

  auto label = boost::make_shared<_Text>(
      text, _3dPoint(position.x + sign * 0.35 * n * w, position.y + h * 0.5 + 2.0 * unit, 0.0), h, 0.0);
  label->SetWidth(w);
  label->SetTextStyle(GetTextStyle(0));
  label->SetStyleName(GetTextStyleName(GetTextStyle(0)));
  label->SetAlignment(_Text::kCenter, _Text::kMiddle);
  label->SetColorIndex(256);
  label->SetLayer(GetLayerName(8));
  entities.push_back(label);
  kinds.push_back(kKindElevation);

  const _2dPoint g(position.x - 2.0 * unit, position.y + 2.0 * unit), r(position.x + 2.0 * unit, position.y + 2.0 * unit);
  std::vector<_2dLine> lines{_2dLine(position, g), _2dLine(position, r), _2dLine(g, r),
                             _2dLine(textRight ? r : g, _2dPoint(position.x + sign * 0.7 * n * w, g.y))};
  if (withBaseLine) lines.emplace_back(_2dPoint(g.x, position.y), _2dPoint(r.x, position.y));
  const std::string layer = GetLayerName(9);
  for (const _2dLine& l : lines) {
    auto line = boost::make_shared<_2dLine>(l);
    line->SetColorIndex(256);
    line->SetLayer(layer);
    entities.push_back(line);
    kinds.push_back(kKindElevation);
  }
}

bool HasVerticalLineAtPoint(const _2dPoint& point, const std::vector<_2dLine>& lines) {
  return std::any_of(lines.begin(), lines.end(), [&](const _2dLine& l) {
    return Dx(l) < 1.0 && (l.GetStartPoint() == point || l.GetEndPoint() == point);
  });
}

void RemoveLinesOnSegments(std::vector<_2dLine>& lines, const std::vector<DimSegment>& segments) {
  std::erase_if(lines, [&](const _2dLine& l) {
    return std::any_of(segments.begin(), segments.end(), [&](const DimSegment& s) {
      const _2dPoint a = First(s), b = Second(s);
      return (l.GetStartPoint() == a && l.GetEndPoint() == b) || (l.GetStartPoint() == b && l.GetEndPoint() == a);
    });
  });
}

void ExtendSegmentsAtTop(std::vector<DimSegment>& segments, const std::vector<_2dLine>& lines, bool joinAsNew) {
  std::vector<DimSegment> result;
  for (const DimSegment& s : segments) {
    const _2dPoint upper = s.secondY > s.firstY ? Second(s) : First(s);
    const auto it = std::find_if(lines.begin(), lines.end(), EndPointPredicate(upper));
    if (it != lines.end() && joinAsNew) result.push_back(Segment(it->GetStartPoint() == upper ? it->GetEndPoint() : it->GetStartPoint(), upper));
    result.push_back(s);
  }
  segments = std::move(result);
}

void BuildHorizontalChainPoints(std::vector<_2dPoint>& points, double y, const std::vector<DimSegment>& segments,
                                const std::vector<_2dPoint>& extra) {
  std::vector<double> xs;
  for (const DimSegment& s : segments) {
    xs.push_back(s.firstX);
    xs.push_back(s.secondX);
  }
  for (const _2dPoint& p : extra) xs.push_back(p.x);
  points = AtY(y, SortMerged(xs));
}

void GroupWallFaces(const std::vector<DimSegment>& vertical, std::vector<_2dLine>& lines,
                    const std::vector<DimSegment>& sortedInner, std::vector<DimSegment>& leftFaces,
                    std::vector<DimSegment>& rightFaces, std::vector<DimSegment>& horizontal) {
  if (vertical.size() < 2) return;
  std::vector<double> xs;
  for (const DimSegment& s : vertical) xs.push_back(s.firstX);
  std::sort(xs.begin(), xs.end());
  std::vector<double> positions;
  for (std::size_t i = 0; i < xs.size(); ++i)
    if (i == 0 || !(xs[i] - xs[i - 1] < 1.0)) positions.push_back(xs[i]);
  if (positions.size() < 2) return;
  const std::size_t n = positions.size();
  auto near = [](double a, double b) { return std::fabs(a - b) < 1.0; };
  for (const DimSegment& s : vertical) {
    if (near(s.firstX, positions[0]) || near(s.firstX, positions[1])) leftFaces.push_back(s);
    if (near(s.firstX, positions[n - 1]) || near(s.firstX, positions[n - 2])) rightFaces.push_back(s);
  }

  auto take = [&](auto pred) {
    for (auto it = lines.begin(); it != lines.end();) {
      if (Dy(*it) < 1.0 && pred(*it)) {
        horizontal.push_back(Segment(it->GetStartPoint(), it->GetEndPoint()));
        it = lines.erase(it);
      } else {
        ++it;
      }
    }
  };
  // Across one wall: from one face of a pair of positions to the other.
  take([&](const _2dLine& l) {
    for (std::size_t i = 0; 2 * i + 1 < n; ++i)
      if (near(MinX(l), positions[2 * i]) && near(MaxX(l), positions[2 * i + 1])) return true;
    return false;
  });
  // At a wall foot.
  take([&](const _2dLine& l) {
    return std::any_of(vertical.begin(), vertical.end(), [&](const DimSegment& s) {
      return l.GetStartPoint() == First(s) || l.GetEndPoint() == First(s);
    });
  });
  // Over the top of a face.
  for (std::size_t k = 0; k + 1 < n; ++k) {
    double top = std::numeric_limits<double>::lowest();
    double x = 0.0;
    bool any = false;
    for (const DimSegment& s : vertical)
      if (near(s.firstX, positions[k])) {
        if (!any) x = s.firstX;
        any = true;
        top = std::max(top, s.secondY);
      }
    if (!any) continue;
    take([&](const _2dLine& l) { return l.GetStartPoint().y > top && MinX(l) < x && x < MaxX(l); });
  }
  // The inner levels of the bottom profile between its ends.
  for (std::size_t i = 1; i + 1 < sortedInner.size(); ++i)
    if (std::fabs(sortedInner[i].firstY - sortedInner[i].secondY) < 1.0) horizontal.push_back(sortedInner[i]);
}

void DimensionWallSection(TankView& view, EntityList& entities, std::vector<int>& kinds,
                          const ElevationReference& reference, double /*foundationLevel*/, bool left, bool bottom,
                          bool right, bool top, bool joinAsNew, const std::vector<_2dLine>& referenceLines,
                          double scale, double unit) {
  const double k = unit / scale;
  const Extents extent = view.GetExtent(static_cast<int>(0xFDFFE007u));
  const std::vector<_2dLine> cutLines = LinesOf(OfKinds(view, kKindSectionCut));
  std::vector<_2dLine> outline = LinesOf(OfKinds(view, 0x6));
  const std::vector<_2dLine> outlineCopy = outline;
  const std::vector<_2dLine> kind2 = LinesOf(OfKinds(view, 0x2));
  const std::vector<_2dLine> kind4 = LinesOf(OfKinds(view, 0x4));
  if (outline.empty()) return;

  Box box;
  for (const _2dLine& l : outline) {
    box.Add(l.GetStartPoint());
    box.Add(l.GetEndPoint());
  }
  double midX = box.MidX(), midY = box.MidY();

  // Reference points within the drawing's width, by side.
  std::vector<_2dPoint> refLeft, refRight, refBottom, refTop;
  for (const _2dLine& l : referenceLines) {
    const _2dPoint e = l.GetEndPoint();
    if (e.x < box.minX || e.x > box.maxX) continue;
    if (Dx(l) > Dy(l)) (e.y > midY ? refTop : refBottom).push_back(e);
    else (e.x > midX ? refRight : refLeft).push_back(e);
  }

  // The bottom line.
  _2dPoint leftEnd(0, 0), rightEnd(0, 0);
  for (auto it = outline.begin(); it != outline.end(); ++it) {
    if (Dx(*it) < 1.0) continue;
    if (std::fabs(it->GetStartPoint().y - box.minY) > 0.1 && std::fabs(it->GetEndPoint().y - box.minY) > 0.1) continue;
    const bool startLeft = it->GetStartPoint().x <= it->GetEndPoint().x;
    leftEnd = startLeft ? it->GetStartPoint() : it->GetEndPoint();
    rightEnd = startLeft ? it->GetEndPoint() : it->GetStartPoint();
    outline.erase(it);
    break;
  }

  // Vertical lines standing alone: no other vertical line beside them, over
  // most of their height, within 1500 mm.
  std::vector<DimSegment> unpaired;
  {
    std::vector<_2dLine> verticals;
    for (const _2dLine& l : outline)
      if (Dx(l) <= 1.0) verticals.push_back(l);
    std::vector<_2dLine> kept;
    for (const _2dLine& l : outline) {
      if (!(Dx(l) < 1.0)) {
        kept.push_back(l);
        continue;
      }
      bool paired = false;
      for (const _2dLine& o : verticals) {
        if (&o == &l || (o.GetStartPoint() == l.GetStartPoint() && o.GetEndPoint() == l.GetEndPoint())) continue;
        const double span = std::max(MaxY(o), MaxY(l)) - std::min(MinY(o), MinY(l));
        const double hOther = MaxY(o) - MinY(o), hThis = MaxY(l) - MinY(l);
        const double dx = std::fabs(o.GetStartPoint().x - l.GetStartPoint().x);
        if (hOther * 0.5 + hThis - 1.0 > span && dx / k <= 1500.0) paired = true;
      }
      if (paired) kept.push_back(l);
      else unpaired.push_back(Segment(l.GetStartPoint(), l.GetEndPoint()));
    }
    outline = std::move(kept);
  }

  // The bottom profile from the bottom line on, leaving out the vertical
  // lines at the drawing's left and right ends.
  std::deque<_2dPoint> profilePoints{leftEnd, rightEnd};
  for (bool found = true; found;) {
    found = false;
    for (auto it = outline.begin(); it != outline.end(); ++it) {
      if (Dx(*it) < 1.0 && (std::fabs(it->GetStartPoint().x - box.minX) < 1.0 ||
                            std::fabs(it->GetStartPoint().x - box.maxX) < 1.0))
        continue;
      if (it->GetStartPoint() == profilePoints.back()) profilePoints.push_back(it->GetEndPoint());
      else if (it->GetEndPoint() == profilePoints.back()) profilePoints.push_back(it->GetStartPoint());
      else if (it->GetStartPoint() == profilePoints.front()) profilePoints.push_front(it->GetEndPoint());
      else if (it->GetEndPoint() == profilePoints.front()) profilePoints.push_front(it->GetStartPoint());
      else continue;
      outline.erase(it);
      found = true;
      break;
    }
  }
  std::vector<DimSegment> profile;
  for (std::size_t i = 0; i + 1 < profilePoints.size(); ++i)
    profile.push_back(Segment(profilePoints[i], profilePoints[i + 1]));

  std::vector<DimSegment> outer, inner;
  FindParallelNeighbourLines(profile, cutLines, outline, outer, inner);
  std::vector<DimSegment> sortedInner = inner;
  std::sort(sortedInner.begin(), sortedInner.end(), SectionLess);
  ExtendSegmentsAlongLines(inner, kind4, joinAsNew);
  RemoveLinesOnSegments(outline, inner);

  // The vertical segments: the remaining vertical outline lines, and the
  // vertical board lines across the middle band.
  std::vector<DimSegment> vertical;
  auto upward = [](const _2dLine& l) {
    return l.GetStartPoint().y <= l.GetEndPoint().y ? Segment(l.GetStartPoint(), l.GetEndPoint())
                                                    : Segment(l.GetEndPoint(), l.GetStartPoint());
  };
  std::vector<_2dLine> taken;
  for (auto it = outline.begin(); it != outline.end();) {
    if (Dx(*it) < 1.0) {
      vertical.push_back(upward(*it));
      taken.push_back(*it);
      it = outline.erase(it);
    } else {
      ++it;
    }
  }
  for (const _2dLine& l : kind2) {
    if (!(Dx(l) < 1.0) || !(MinY(l) < midY - 250.0 * k && MaxY(l) > midY + 250.0 * k)) continue;
    const bool again = std::any_of(taken.begin(), taken.end(), [&](const _2dLine& t) {
      return t.GetStartPoint() == l.GetStartPoint() && t.GetEndPoint() == l.GetEndPoint();
    });
    if (!again) vertical.push_back(upward(l));
  }
  std::sort(vertical.begin(), vertical.end(), SectionLess);

  std::vector<DimSegment> leftFaces, rightFaces, horizontal;
  GroupWallFaces(vertical, outline, sortedInner, leftFaces, rightFaces, horizontal);
  ExtendSegmentsAlongLines(leftFaces, kind4, joinAsNew);
  ExtendSegmentsAlongLines(rightFaces, kind4, joinAsNew);
  if (!extent.IsEmpty()) {
    box.Add(_2dPoint(extent.minX, extent.minY));
    box.Add(_2dPoint(extent.maxX, extent.maxY));
  }
  midX = box.MidX();
  midY = box.MidY();

  const bool p = std::any_of(unpaired.begin(), unpaired.end(), [&](const DimSegment& s) { return s.firstX < midX; });
  const bool q = std::any_of(unpaired.begin(), unpaired.end(), [&](const DimSegment& s) { return s.firstX > midX; });

  std::vector<_2dPoint> leftChain, leftSecond, rightChain, rightSecond, bottomChain, bottomSecond, bottomThird,
      topChain;
  BuildLeftSectionChains(leftChain, leftSecond, box.minX, profile, sortedInner, outer, leftFaces, outlineCopy,
                         refLeft);
  BuildRightSectionChains(rightChain, rightSecond, box.maxX, profile, sortedInner, outer, rightFaces, outlineCopy,
                          refRight);
  BuildBottomSectionChains(bottomChain, bottomSecond, bottomThird, box.minY, profile, inner, outer, outlineCopy,
                           cutLines, refBottom);
  ExtendSegmentsAtTop(vertical, kind4, joinAsNew);
  BuildHorizontalChainPoints(topChain, box.maxY, vertical, refTop);

  // The right side repeats the left one: left out.
  if (unpaired.size() < 2 && rightChain.size() == leftChain.size()) {
    bool same = true;
    for (std::size_t i = 0; i < leftChain.size(); ++i)
      if (std::fabs(rightChain[i].y - leftChain[i].y) > 1.0) same = false;
    if (same) right = false;
  }

  std::vector<double> marked;
  auto chain = [&](const std::vector<_2dPoint>& points, int side, bool overall) {
    if (points.size() >= 2)
      DrawDimensionChain(points, 10.0, 20.0, side, overall, entities, kinds, scale, unit, 0x4000, 14, "");
  };
  auto mark = [&](_2dPoint at, bool textRight, bool baseLine) {
    DrawElevationMark(at, entities, kinds, reference, scale, unit, textRight, baseLine);
    marked.push_back(at.y);
  };
  auto sideMarks = [&](const std::vector<_2dPoint>& points, double dx, bool textRight) {
    if (points.size() < 2) return;
    for (const _2dPoint& at : {points[1], points.back()}) mark(_2dPoint(at.x + dx, at.y), textRight, true);
  };
  if (left) {
    chain(leftChain, 0, true);
    sideMarks(leftChain, -23.0 * unit, false);
    chain(leftSecond, 0, false);
  }
  if (right) {
    chain(rightChain, 1, true);
    sideMarks(rightChain, 23.0 * unit, true);
    chain(rightSecond, 1, false);
  }
  if (bottom) {
    if (!p && !bottomChain.empty()) bottomChain.erase(bottomChain.begin());
    if (!q && !bottomChain.empty()) bottomChain.pop_back();
    chain(bottomChain, 1, p && q);
    chain(bottomSecond, 1, false);
    chain(bottomThird, 1, false);
  }
  if (top) chain(topChain, 0, p && q);

  for (const DimSegment& s : horizontal) {
    if (std::any_of(marked.begin(), marked.end(), [&](double y) { return std::fabs(y - s.firstY) < 1.0; }))
      continue;
    const double x = (s.firstX + s.secondX) * 0.5;
    mark(_2dPoint(x, s.firstY), midX <= x, false);
  }
}

void DimensionAlongLine(TankView& view, const _2dLine& picked, EntityList& entities, std::vector<int>& kinds) {
  std::vector<_2dPoint> points;
  for (const EntityPtr& candidate : OfKinds(view, 0x40000002)) {
    if (!candidate) continue;
    std::vector<_3dPoint> crossings;
    if (g_GeomAlgorithm.IntersectCurves(picked, *candidate, 0, crossings) > 0)
      points.emplace_back(crossings.front().x, crossings.front().y);
  }
  if (points.size() < 2) return;
  const double unit = view.GetUnit();
  const double a = std::atan2(picked.GetEndPoint().y - picked.GetStartPoint().y,
                              picked.GetEndPoint().x - picked.GetStartPoint().x) -
                   g_Pi * 0.5;
  const double sx = std::cos(a) * unit * 0.5, sy = std::sin(a) * unit * 0.5;
  for (_2dPoint& p : points) p = _2dPoint(p.x + sx, p.y + sy);
  std::sort(points.begin(), points.end(), _2dPoint::PointOrder());
  DrawDimensionChain(points, 0.5, 8.0, 0, false, entities, kinds, view.GetScale(), unit, 0x4000, 14, "");
}
