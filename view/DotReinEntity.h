// A drawn row of bar dots: bars cut across by the drawing plane, each a
// filled disc, with an optional label (leaders from the dots, the line the
// mark and text stand at, the bar-mark bubble and the bar text).
// A filed class with the kernel's base record only, like LineReinEntity.
#pragma once

#include "platform/Morlak.h"
#include "platform/Nirvox.h"

#include <boost/shared_ptr.hpp>

#include <string>
#include <vector>

class DotReinEntity : public VekObject {
 public:
  DotReinEntity() = default;
  // One dot per centre, in order.
  explicit DotReinEntity(const std::vector<_2dPoint>& centres);
  // n dots s apart along the direction, centred on the point (the row length
  // s × (n − 1) in integers).
  DotReinEntity(const _2dPoint& centre, const _2dVector& direction, unsigned n, int s);
  ~DotReinEntity() override = default;
  DECLARE_VEK_SERIAL(DotReinEntity)

  void GetDots(EntityList& out) const { out = m_dots; }
  void GetSecondEntities(EntityList& out) const { out = m_leaders; }
  boost::shared_ptr<_2dLine> GetLeader() const { return m_spLeader; }
  boost::shared_ptr<Ordinal> GetMark() const { return m_spMark; }
  boost::shared_ptr<_Text> GetLabelText() const { return m_spLabelText; }
  std::vector<_2dPoint> GetDotCenters() const;
  // Dots, leaders, then the line, mark and text when set.
  void GetEntities(EntityList& out) const;
  void Move(const _2dVector& offset);

  // fan true: leaders from the dots' common centre, a leader along dir1 and
  // the line along dir2; fan false: parallel leaders from every dot along
  // dir1 and the line joining their tips, lengthened beyond the last.  The
  // mark stands at the line's end, the text along it on the side away from
  // the dots.
  void AddLabel(int number, const std::string& text, const _2dVector& dir1, double length1, AcadViewBoard* board,
                bool withMark, bool withText, double lengthFactor, bool fan, const _2dVector& dir2);

 private:
  EntityList m_dots;
  EntityList m_leaders;
  boost::shared_ptr<_2dLine> m_spLeader;
  boost::shared_ptr<Ordinal> m_spMark;
  boost::shared_ptr<_Text> m_spLabelText;
};

using DotReinPtr = boost::shared_ptr<DotReinEntity>;

// A leader line from a point along the direction, on the thin-line layer.
struct MakeLeaderLine {
  MakeLeaderLine(const _2dVector& d, double l) : direction(d), length(l) {}
  boost::shared_ptr<_2dLine> operator()(const _2dPoint& p) const;
  _2dVector direction;
  double length;
};
