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

#undef TANK_DRAWING_VIEW

// A slab reinforcement plan: the walls in plan, the slab outlines, the
// per-slab result labels, then on request the slabs' bars and labels.  The
// bottom and top plans differ only in their slab kind (1, 2), their walls,
// the bottom slabs' overhang outline, their drawing entry and prompt.
class SlabReinPlanView : public DrawingView {
 public:
  SlabReinPlanView(AcadViewBoard* board, const ViewSettings& settings, const ViewVolumn& volume, int slabKind)
      : DrawingView(board, settings, volume), m_slabKind(slabKind) {}
  bool Draw(Tank& tank, double scale, const ViewSettings& settings, bool usePoint, _3dPoint insertPoint) override;
  void DrawBoardReinAt(Tank& tank, const _3dPoint& point, const ViewSettings& settings) override;
  void DrawAllRein(Tank& tank, const ViewSettings& settings) override;
  void DrawLabels(Tank& tank, int labelFlags) override;
  void DrawTitle(const DetailingSettings& detailing) override;
  // The per-slab steps over the slabs of the view: outline copies, edge and
  // board result labels; then the construction lines (kind 0x1) go.
  void DrawBoards(double crackWidthLimit);
  int GetSlabKind() const { return m_slabKind; }

 private:
  std::vector<BoardPtr> Slabs(const Tank& tank) const;
  int m_slabKind;
};

class BottomBoardReinView : public SlabReinPlanView {
 public:
  BottomBoardReinView(AcadViewBoard* board, const ViewSettings& settings, const ViewVolumn& volume)
      : SlabReinPlanView(board, settings, volume, 1) {}
};

class TopBoardReinView : public SlabReinPlanView {
 public:
  TopBoardReinView(AcadViewBoard* board, const ViewSettings& settings, const ViewVolumn& volume)
      : SlabReinPlanView(board, settings, volume, 2) {}
};

// Applies one board operation to each entity: 0 show, 1 hide, 2 remove.
struct BoardEntityOperation {
  BoardEntityOperation(AcadViewBoard* board, int mode) : m_board(board), m_mode(mode) {}
  void operator()(const EntityPtr& entity) const;
  AcadViewBoard* m_board;
  int m_mode;
};

template <class View>
boost::shared_ptr<View> AddViewOfClass(boost::shared_ptr<View>& out, ViewList& views,
                                       const ViewSettings& settings, const ViewVolumn& volume) {
  out = boost::make_shared<View>(&g_ViewBoard, settings, volume);
  views.push_back(out);
  return out;
}

#include "views/TableViews.h"
#include "views/WallSectionView.h"
#include "views/WallPlanView.h"
#include "views/HoleDetailView.h"
#include "views/NotchDetailView.h"
