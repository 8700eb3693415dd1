// A drawn line bar: one reinforcing bar as the plan and section drawings
// show it, the bar polyline with its end hooks, and optionally a label made
// of two leader lines, the bar-mark bubble and one or two texts.
//
// The bar is a filed class whose archive record is the kernel's base record
// only: the view filer files the entities themselves.  It is not a view-board
// entity; the view registers its member entities.
//
// Hook types: 0 none, 1 semicircular 180-degree hook, 2 tail turned by a
// right angle, 3 tail turned by 45 degrees.  Hook side 0 turns a tail to the
// left of the bar's direction (a bar along +x: tails to +y), side 1 to the
// right.  A default bar (the factory's, and the empty bar of a zone that
// could not be drawn) has construction mode -1, hook type 0, sides 0 and no
// line, so it never matches a construction mode of the slab plans.
#pragma once

#include "platform/Morlak.h"
#include "platform/Nirvox.h"

#include <boost/shared_ptr.hpp>

#include <limits>
#include <string>
#include <vector>

class LineReinEntity : public VekObject {
 public:
  LineReinEntity() = default;
  // A semicircular hook is drawn at the standard's size, or smaller where
  // the room it may take across the bar at that end (startRoom, endRoom:
  // drawing units to the far face of the concrete; infinite for no limit)
  // is less.
  LineReinEntity(int hookType, int constructMode, int startSide, int endSide, const _2dPolyline& bar,
                 double startRoom = std::numeric_limits<double>::infinity(),
                 double endRoom = std::numeric_limits<double>::infinity());
  ~LineReinEntity() override = default;
  DECLARE_VEK_SERIAL(LineReinEntity)

  int GetConstructMode() const { return m_constructMode; }
  int GetHookType() const { return m_hookType; }
  int GetStartHookSide() const { return m_startHookSide; }
  int GetEndHookSide() const { return m_endHookSide; }
  // Vertices one hook adds: 2 for type 1, 1 for types 2 and 3, else 0.
  int GetHookPointCount() const;

  void GetReinLine(boost::shared_ptr<_2dPolyline>& line) const { line = m_spReinLine; }
  boost::shared_ptr<_2dPolyline> GetReinLine() const { return m_spReinLine; }
  void GetFirstLeader(boost::shared_ptr<_2dLine>& out) const { out = m_spFirstLeader; }
  void GetSecondLeader(boost::shared_ptr<_2dLine>& out) const { out = m_spSecondLeader; }
  void GetMark(boost::shared_ptr<Ordinal>& out) const { out = m_spMark; }
  void GetLabelText(boost::shared_ptr<_Text>& out) const { out = m_spLabelText; }
  void GetSecondLabelText(boost::shared_ptr<_Text>& out) const { out = m_spSecondLabelText; }
  // The non-null members: bar, first leader, second leader, mark, text,
  // second text.
  void GetEntities(EntityList& out) const;

  // Segment i after the start hook.
  _2dLine GetBodySegment(int i) const;
  // First and last segment of the bar (the closing one of a closed bar).
  void GetEndSegments(_2dLine& first, _2dLine& last) const;
  // The segment's direction of the given length, turned by the angle.
  static _2dVector GetHookVector(const _2dLine& segment, double angle, double length);
  void AddSemicircularHooks(int startSide, int endSide, double startRoom = std::numeric_limits<double>::infinity(),
                            double endRoom = std::numeric_limits<double>::infinity());
  void AddBentHooks(int startSide, int endSide, double angle);
  // A copy of the bar without its hooks (std::logic_error when the bar is
  // missing or too short for its hook type).
  _2dPolyline GetReinLineWithoutHook() const;
  // Take the hook's vertices off once.
  void RemoveStartHook();
  void RemoveEndHook();
  bool IsStartHookRemoved() const { return m_startHookRemoved; }
  bool IsEndHookRemoved() const { return m_endHookRemoved; }
  // Keeps the part of the bar on one side of the cut: flag false drops what
  // lies right of the cut's start → end, flag true what does not lie left
  // of it.  Hook arcs become chords; the label is dropped.  Never throws.
  void TrimByLine(const boost::shared_ptr<_2dLine>& cut, bool flag);
  // Moves every label member, not the bar.
  void MoveLabels(const _2dVector& offset);
  // Start of the first leader; end − start of the second (std::logic_error
  // with an empty text when missing or of no length).
  _2dPoint GetLeaderStart() const;
  _2dVector GetLeaderDirection() const;

  // A two-segment leader from a point on the bar, then the mark at its end
  // and the text along the second segment on the side away from the bar.
  void AddLeaderLabel(int number, const std::string& text, AcadViewBoard* board, const _2dPoint& start,
                      const _2dVector& dir1, double length1, const _2dVector& dir2, bool withMark, bool withText,
                      double lengthFactor);
  // Mark and text beside body segment i (a quarter of the segment from its
  // middle, towards the upper left), without leader.
  void AddSegmentLabel(int number, const std::string& text, int segment, AcadViewBoard* board, bool withMark,
                       bool withText);
  // A leader with one text on each side of its second segment.
  void DrawLeaderLabel(const std::string& text1, const std::string& text2, const _2dLine& leader,
                       AcadViewBoard* board);

 private:
  int m_constructMode = -1;
  int m_hookType = 0;
  int m_startHookSide = 0;
  int m_endHookSide = 0;
  boost::shared_ptr<_2dPolyline> m_spReinLine;
  boost::shared_ptr<_2dLine> m_spFirstLeader;
  boost::shared_ptr<_2dLine> m_spSecondLeader;
  boost::shared_ptr<Ordinal> m_spMark;
  boost::shared_ptr<_Text> m_spLabelText;
  boost::shared_ptr<_Text> m_spSecondLabelText;
  bool m_startHookRemoved = false;
  bool m_endHookRemoved = false;
};

using LineReinPtr = boost::shared_ptr<LineReinEntity>;
