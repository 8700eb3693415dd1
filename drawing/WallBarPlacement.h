// Where the bars of the wall drawings are seen: the few bars that stand for
// a zone in a dot row or a support-bar group, whether a zone reaches the
// drawing plane, where the plane cuts a zone across its bars, the point at
// which one bar shows in the view, the corner a support-bar dot is moved
// into, and the leader of the support dots' label.
#pragma once

#include "drawing/RepresentativeBars.h"
#include "view/DrawingRoutines.h"
#include "view/FiledClasses.h"

#include <utility>
#include <vector>

// The box of the zone's bars, taken in the board's frame, has an edge that
// touches or crosses the view plane.  A zone without bar vertices gives false.
bool IsZoneBoxOnViewPlane(const ReinZonePtr& zone, const BoardPtr& board, const _3dPoint& origin,
                          const _3dVector& xAxis, const _3dVector& yAxis);

// The bars of a zone shown as dots.  With `numToGet` 0: every bar with its
// stored records.  Otherwise `numToGet` consecutive bars one spacing apart,
// centred on the ratio across the zone.  A support zone (category 5) always
// gives every bar.  With `restrict` set, a zone that does not reach the view
// plane gives nothing.  Never throws: a zone too small for the run (fewer
// bars than asked, fewer than 2, a run reaching the zone's first or last bar,
// no display orientation) gives the bars picked before the shortage, which
// for the dot rows is an empty selection.
class SelectRepresentativeReins {
 public:
  SelectRepresentativeReins(unsigned numToGet, const ViewVolumn& volume, double ratio, bool restrict, Tank* tank)
      : m_numToGet(numToGet), m_volume(volume), m_ratio(ratio), m_restrict(restrict), m_tank(tank) {}
  std::vector<ReinWithRecords> operator()(const ReinZoneBoards& entry) const;

 private:
  void Pick(const ReinZoneBoards& entry, std::vector<ReinWithRecords>& out) const;

  unsigned m_numToGet;
  ViewVolumn m_volume;
  double m_ratio;
  bool m_restrict;
  Tank* m_tank;
};

// The ratio of the bar that stands for a zone drawn as bars in the wall
// plan: its top bar, 0.99 across a zone spreading upward and 0.01 across one
// spreading downward or level; 0.5 without display orientation.
double WallPlanBarRatio(const ReinZonePtr& zone);

// Where the view plane cuts a zone, as a ratio across its bars measured
// along the zone's display orientation (0 at the first bar, 1 at the last);
// 0 when it cannot be told.
class ReinZonePosRatio {
 public:
  explicit ReinZonePosRatio(const ViewVolumn& volume) : m_volume(volume) {}
  double operator()(const ReinZonePtr& zone) const;

 private:
  ViewVolumn m_volume;
};

// Where one bar is seen in the view.  Plane flag set (a section): where its
// first segment reaching the view plane meets it.  Clear (a plan): the
// middle of its first segment along the view direction, which the plan sees
// end on.  The point is given in the view frame (drawing plane, before
// scaling) and in model coordinates, with the record of that segment.
struct ReinViewLocation {
  bool found = false;
  PointWithProjection point;  // view-frame point, its (x, y), the segment record
  _3dPoint world{0, 0, 0};    // the same point in model coordinates
};

class LocateReinInView {
 public:
  LocateReinInView(const ViewVolumn& volume, bool onPlane) : m_volume(volume), m_onPlane(onPlane) {}
  ReinViewLocation operator()(const ReinWithRecords& bar) const;

 private:
  ViewVolumn m_volume;
  bool m_onPlane;
};

// Moves a dot lying on exactly two non-parallel bar lines into the corner
// the two drawn bars form toward their face lines, touching both bars (the
// place of the outer layer's dots, inside the concrete).  The three
// lists run parallel: the bar segment the dot is tested against
// (`located`), the drawn bar segment the corner is taken on (`corner`) and
// the face line the bar is drawn beside (`normal`; the concrete lies on the
// bar's side of it).  On one line, on parallel lines or on three lines the
// dot stays where it is.
class FitCornerDot {
 public:
  FitCornerDot(std::vector<_2dLine> located, std::vector<_2dLine> corner, std::vector<_2dLine> normal)
      : m_located(std::move(located)), m_corner(std::move(corner)), m_normal(std::move(normal)) {}
  void operator()(_2dPoint& p) const;

 private:
  std::vector<_2dLine> m_located;
  std::vector<_2dLine> m_corner;
  std::vector<_2dLine> m_normal;
};

// The leader of a support dots' label from the anchor P: its direction r,
// its length d and the direction s the label runs in, kept clear of the
// lines near P (within `reach` of it and of one of their ends).  Lines found
// among `marked` push the label `extra` × `factor` further out.  False (the
// outputs untouched) when there is no line at all.
bool ComputeLabelLeader(const _2dPoint& p, std::vector<_2dLine> lines, const std::vector<_2dLine>& marked,
                        double extra, double reach, bool withMark, double factor, _2dVector& r, double& d,
                        _2dVector& s);
