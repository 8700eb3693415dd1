// Filed view records: the projection volume every view and section holds,
// the section cut object, and the static registration of the drawing classes
// the kernel's archive re-creates by name (LineReinEntity, DotReinEntity,
// Section).
//
// LineReinEntity and DotReinEntity (view/LineReinEntity.h,
// view/DotReinEntity.h) are registered here.  Their archive record is the
// kernel's base VekObject record (the view filer files their members).
#pragma once

#include "platform/Morlak.h"
#include "view/DotReinEntity.h"
#include "view/LineReinEntity.h"

#include <array>

// Projection volume of a view: the view plane passes through the origin and
// is spanned by the two axes; six doubles bound the volume.  Filing writes
// origin, x axis, y axis (each in place) and the six bounds; the VekObject
// base record is not filed.
class ViewVolumn : public VekObject {
 public:
  ViewVolumn();
  ViewVolumn(const ViewVolumn& other);
  ViewVolumn& operator=(const ViewVolumn& other);
  ~ViewVolumn() override = default;

  // x axis × y axis, not normalised.
  void GetNormal(_3dVector& normal) const;

  void Serialize(Archive& ar) override;

  _3dPoint m_origin{0.0, 0.0, 0.0};
  _3dVector m_xAxis{1.0, 0.0, 0.0};
  _3dVector m_yAxis{0.0, 1.0, 0.0};
  std::array<double, 6> m_bounds{-1.0, 1.0, 1.0, -1.0, 1.0, -1.0};
};

// One section cut defined on a plan: its number and projection volume.
class Section : public VekObject {
 public:
  // Default construction for the archive: a default volume, number 0 until
  // loading sets it.
  Section() = default;
  Section(int number, ViewVolumn volume) : m_number(number), m_volume(volume) {}
  ~Section() override = default;

  void Serialize(Archive& ar) override;

  int GetNumber() const { return m_number; }
  const ViewVolumn& GetVolume() const { return m_volume; }

  DECLARE_VEK_SERIAL(Section)

 private:
  int m_number = 0;
  ViewVolumn m_volume;
};

// Kind bits 0 to 24 without 0x2000 (model view entities) and 0x40000
// (opening annotation): what the result-display command erases from the
// plans before it redraws their labels.
extern const int g_PlanClearKindMask;
