// The detail of one opening (洞口详图): the opening in its board's plane at
// a larger scale, its outline and opening symbol, two centre lines, the
// opening's added bars with a leader label per group of equal bars, a frame
// of break lines and the detail's name below.  A detail command drives it in
// this order: DrawObjectDetail (stop on false), DrawObjectRein, DrawFrame,
// SetTitle, DrawTitle.
//
// Kinds: 1 outline, 0x10000000 symbol, 0x20000000 centre lines (all under
// the opening), the drawn bars' kinds under their zone, 0x8000000 frame and
// 0x2000000 title under no model object.
#pragma once

#include "views/DrawingViews.h"

#include <string>

class HoleDetailView : public DrawingView {
 public:
  HoleDetailView(AcadViewBoard* board, const ViewSettings& settings, const ViewVolumn& volume)
      : DrawingView(board, settings, volume) {}

  // Outline and symbol of a rectangular or circular opening (board-local
  // coordinates) at the scale, placed with its upper left corner at the
  // point (placeAtPoint) or its lower left corner where the user picks,
  // then the centre lines 2 u beyond the outline.  Another opening, or a
  // cancelled pick, leaves the view empty and gives false.
  bool DrawObjectDetail(Tank& tank, ObjectPtr object, double scale, bool placeAtPoint,
                        _3dPoint insertPoint) override;
  // Every bar of the opening's zones, in the board's frame; each group of
  // equal straight bars gets one label: "上下各" with half its count, the
  // bars and the spacing where they cross, and the bar length "L=...".
  void DrawObjectRein(Tank& tank, ObjectPtr object) override;
  // Break lines 3 u clear of the outline and the bar lines.
  void DrawFrame() override;
  // The title under everything the view drew, replacing an earlier one.
  void DrawTitle(const DetailingSettings& settings) override;

  void SetTitle(const std::string& title) { m_title = title; }
  const std::string& GetTitle() const { return m_title; }

 private:
  std::string m_title;
};

// Two bars of one shape: their polylines have the same number of segments
// and each segment is the same line as its partner (one may be the other
// moved).
struct SameReinShape {
  explicit SameReinShape(ReinPtr reference) : m_reference(std::move(reference)) {}
  bool operator()(const ReinPtr& bar) const;
  ReinPtr m_reference;
};
