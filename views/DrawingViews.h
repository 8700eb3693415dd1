// The reinforcement drawing views: slab and wall plans, wall sections, hole
// and notch details, the rebar schedule and the material table.  Each is a
// TankView whose kernel-object part files only the base record; their
// drawing comes with the reinforcement drawings.
//
// AddViewOfClass is the factory the designer and its drawing commands use:
// it builds the view on the process's view board with the settings record
// and the view volume, appends it to the view list and hands it back.
#pragma once

#include "view/TankView.h"

#include <boost/make_shared.hpp>
#include <boost/shared_ptr.hpp>

#include <vector>

using TankViewPtr = boost::shared_ptr<TankView>;
using ViewList = std::vector<TankViewPtr>;

// A drawing view: a TankView with a kernel-object part.
class DrawingView : public TankView, public VekObject {
 public:
  DrawingView(AcadViewBoard* board, const ViewSettings& settings, const ViewVolumn& volume)
      : TankView(board, settings, volume) {}
};

#define TANK_DRAWING_VIEW(Class)                                                      \
  class Class : public DrawingView {                                                  \
   public:                                                                            \
    Class(AcadViewBoard* board, const ViewSettings& settings, const ViewVolumn& volume) \
        : DrawingView(board, settings, volume) {}                                     \
  };

TANK_DRAWING_VIEW(BottomBoardReinView)
TANK_DRAWING_VIEW(TopBoardReinView)
TANK_DRAWING_VIEW(TankWallReinPlanView)
TANK_DRAWING_VIEW(HoleDetailView)
TANK_DRAWING_VIEW(NotchDetailView)
TANK_DRAWING_VIEW(ReinTableView)
TANK_DRAWING_VIEW(TankWallReinSectionView)
TANK_DRAWING_VIEW(ReinAmountView)

#undef TANK_DRAWING_VIEW

template <class View>
boost::shared_ptr<View> AddViewOfClass(boost::shared_ptr<View>& out, ViewList& views,
                                       const ViewSettings& settings, const ViewVolumn& volume) {
  out = boost::make_shared<View>(&g_ViewBoard, settings, volume);
  views.push_back(out);
  return out;
}
