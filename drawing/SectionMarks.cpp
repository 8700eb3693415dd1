// Section marks on the slab plans: how far a labelled bar runs beyond a
// wall the plan cuts, or on either side of it.
#include "drawing/DimensionChain.h"
#include "view/BoardReinZoneCollector.h"
#include "view/DrawingRoutines.h"
#include "view/TankView.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

void TankView::DrawSectionMarks(const ZoneBoardMap& zones, bool mergeEqual, int style, int base, int side,
                                const std::vector<boost::shared_ptr<_2dLine>>& sectionLines) {
  const VekGeometryComm& g = g_VekGeometryComm;
  for (const auto& [zone, boards] : OrderedZoneEntries(zones)) {
    try {
      EntityList entities;
      GetObjectEntities(zone, entities);
      if (std::none_of(entities.begin(), entities.end(), IsTextEntity())) continue;

      double h1 = 3.5, w1 = 0.7, h3 = 3.0, w3 = 0.7;
      GetTextSize(1, h1, w1);
      GetTextSize(3, h3, w3);
      const int offset = static_cast<int>(side == 1 ? h1 + 2.0 : std::max(GetReinMarkSize(), h3) + 1.0);

      const auto barIt = std::find_if(entities.begin(), entities.end(), IsPolylineEntity());
      if (barIt == entities.end()) throw std::logic_error("itrReinLine == ents.end()");
      const auto bar = boost::static_pointer_cast<_2dPolyline>(*barIt);
      // Bars without hooks (2 vertices) are marked like those with hooks.
      const int n = bar->VerNums();
      if (n != 2 && n != 4 && n != 6) throw std::logic_error("spReinLine->VerNums() != 2 && != 4 && != 6");
      const _2dLine main = GetReinMainSegment(bar);

      std::vector<_2dPoint> faces, axes;
      for (const auto& line : sectionLines) {
        if (!line || !g.IsLinesIntersect(main, *line)) continue;
        _2dPoint x;
        g.IntersectLines(main, *line, x, g_DefaultTolerance);
        faces.push_back(x);
        ObjectList owners;
        GetEntityOwners(line, owners);
        if (owners.size() != 1) throw std::logic_error("spObjs.size() != 1");
        EntityList ownerEntities;
        GetObjectEntities(owners.front(), ownerEntities);
        std::vector<EntityPtr> sections;
        for (const EntityPtr& e : ownerEntities)
          if (GetEntityKind(e) == kKindBoardOutline) sections.push_back(e);
        if (sections.size() != 2) throw std::logic_error("spSectionEnts.size() != 2");
        const auto a = boost::dynamic_pointer_cast<_2dLine>(sections[0]);
        const auto b = boost::dynamic_pointer_cast<_2dLine>(sections[1]);
        if (!a || !b) throw std::logic_error("there is null point in spSectionLines");
        const _2dLine oa = OrientLine(*a), ob = OrientLine(*b);
        const _2dLine axis(g.GetMidPoint(oa.GetStartPoint(), ob.GetStartPoint()),
                           g.GetMidPoint(oa.GetEndPoint(), ob.GetEndPoint()));
        _2dPoint onAxis;
        if (!g.IntersectLines(main, axis, onAxis, g_DefaultTolerance)) throw std::logic_error("!bIntsection");
        axes.push_back(onAxis);
      }
      if (faces.size() != 1 && faces.size() != 2) {
        throw std::logic_error("!(intersectPtsWithSectionLines.size() == 1 || intersectPtsWithSectionLines.size() == 2)");
      }
      if (boards.size() != 1 && boards.size() != 2) {
        throw std::logic_error(
            "!(boardsThisReinZoneBelongTo.size() == 1 || boardsThisReinZoneBelongTo.size() == 2)");
      }

      EntityList marks;
      std::vector<int> kinds;
      const auto mark = [&](const _2dPoint& p, const _2dPoint& q) {
        if (style == 0) {
          DrawDimensionChain({p, q}, offset, 0.0, side != 0 ? 1 : 0, false, marks, kinds, m_scale, m_unit,
                             kKindRangeDimension, 14, "");
        } else {
          boost::shared_ptr<_Text> text;
          MakeSegmentLengthText(text, {p, q}, 2.0, m_scale, m_unit);
          marks.push_back(text);
          kinds.push_back(kKindRangeDimension);
        }
      };
      const PointLess order(1e-4);
      if (boards.size() == 1) {
        const std::vector<_2dPoint> outline = ProjectBoard(boards.front());
        const bool startIn = g.PointInPolygon2d(outline, main.GetStartPoint(), g_DefaultTolerance) == 1;
        const bool endIn = g.PointInPolygon2d(outline, main.GetEndPoint(), g_DefaultTolerance) == 1;
        if (startIn == endIn) throw std::logic_error("!bOneAndOnlyOnePtIsInPolygon");
        const _2dPoint e = startIn ? main.GetStartPoint() : main.GetEndPoint();
        _2dPoint x = axes.front();
        if (base == 1) {
          x = faces.front();
          if (faces.size() == 2 &&
              !g.Lessthan(g.DistanceWithTolerance(faces[0], e), g.DistanceWithTolerance(faces[1], e), 1e-4)) {
            x = faces[1];
          }
        }
        if (order(x, e)) mark(x, e);
        else mark(e, x);
      } else {
        const std::vector<_2dPoint>& crossings = base == 1 ? faces : axes;
        if (crossings.size() < 2) throw std::logic_error("intersectPtsWithSectionLines.size() < 2");
        std::vector<_2dPoint> points = {main.GetStartPoint(), main.GetEndPoint(), crossings[0], crossings[1]};
        std::stable_sort(points.begin(), points.end(), order);
        mark(points[0], points[1]);
        const double first = std::floor(g.Distance(points[0], points[1]) + 0.5);
        const double second = std::floor(g.Distance(points[2], points[3]) + 0.5);
        if (!g.Equal(first, second, g_DefaultTolerance) || !mergeEqual) mark(points[2], points[3]);
      }
      AddEntities(marks, ObjectPtr(), kinds, EntityHandleList());
      if (m_pViewBoard)
        for (const EntityPtr& e : marks) m_pViewBoard->ShowEntity(e);
    } catch (const std::logic_error&) {
      // This zone gets no mark; the next one is handled.
    } catch (...) {
    }
  }
}
