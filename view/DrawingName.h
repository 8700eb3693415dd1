// The title block under a drawing: the drawing's name written large and
// underlined by a wide bar with a thin line beneath it, and the drawing
// scale "1:N" to the right of the lines.  The block is built around the
// origin (the name's centre), measured, moved to the point its view chooses
// and its entities handed out; the block object itself lives only for that.
#pragma once

#include "platform/Morlak.h"
#include "platform/Nirvox.h"

#include <boost/shared_ptr.hpp>

#include <string>

class DrawingName : public VekObject {
 public:
  // Sizes from the owner's drawing standard (u = drawing unit): name text
  // u × title height, scale text u × scale height, both with the width
  // factor of text kind 0, centred on their insertion points.
  DrawingName(AcadViewBoard* owner, const std::string& name, double scale);
  ~DrawingName() override = default;

  // The 2D box of the block, outputs in this order.
  void GetExtent(double& minX, double& maxY, double& maxX, double& minY) const;
  void GetSize(double& width, double& height) const;
  _2dPoint GetCenter() const;
  // Thin line, underline, name text, scale text (those that exist).
  void GetEntities(EntityList& out) const;
  // Moves the whole block so that its centre lands on the target.
  void MoveTo(const _2dPoint& target);

 private:
  double MeasuredWidth(const _Text& text) const;

  AcadViewBoard* m_owner;  // measures the texts; not owned
  boost::shared_ptr<_2dLine> m_thinLine;
  boost::shared_ptr<_2dPolyline> m_underline;
  boost::shared_ptr<_Text> m_nameText;
  boost::shared_ptr<_Text> m_scaleText;
};
