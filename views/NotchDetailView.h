// The detail view of a notch.  A notch gets no detail drawing: the view
// keeps every drawing operation of TankView and so draws nothing; it exists
// so that the view list and the design file hold notch details as a class
// of their own.
#pragma once

#include "views/DrawingViews.h"

class NotchDetailView : public DrawingView {
 public:
  NotchDetailView(AcadViewBoard* board, const ViewSettings& settings, const ViewVolumn& volume)
      : DrawingView(board, settings, volume) {}
};
