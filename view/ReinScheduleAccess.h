// What the rebar edits ask of the table views.
//
// ReinScheduleAccess: a rebar schedule view's rows, read by the edits.
// The schedule keeps its texts outside the view registry, one row per
// first zone of a mark; its texts carry a column tag:
//   1 mark ("编号"), 2 bar sketch ("略图"), 3 diameter ("直径"),
//   4 spacing ("间距"), 5 length ("长度"), 6 count ("根数"),
//   7 total length ("总长度").
// TankView::GetObjectEntities of a schedule view answers a row's texts for
// its zone.
//
// ReinTableRedraw: a table view (the schedule, the material table) that an
// accepted rebar edit redraws where it stands, so that its counts, lengths
// and weights follow the model.
#pragma once

#include "platform/Morlak.h"
#include "platform/Nirvox.h"
#include "view/TankView.h"

class ReinScheduleAccess {
 public:
  virtual ~ReinScheduleAccess() = default;
  // The column tag 1..7 of one of the schedule's texts; false for an
  // entity the schedule did not draw as a cell text.
  virtual bool GetScheduleColumn(const EntityPtr& entity, int* column) const = 0;
  // The column tag of the cell text a CAD handle names; false when the
  // handle names none of the schedule's texts.
  virtual bool GetPickedScheduleColumn(const EntityHandle& picked, int* column) const = 0;
  // The rows: (zone, the row's entities), in row order.
  virtual void ListScheduleRows(ObjectEntityPairs& out) const = 0;
};

class ReinTableRedraw {
 public:
  virtual ~ReinTableRedraw() = default;
  // Draws the table again from the tank where it stands now.
  virtual void RedrawAfterReinEdit(Tank& tank) = 0;
};

// The schedule side of a view; nullptr for a view that is not a schedule.
inline ReinScheduleAccess* AsReinSchedule(TankView* view) { return dynamic_cast<ReinScheduleAccess*>(view); }
