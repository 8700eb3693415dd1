#include "view/FiledClasses.h"

#include <climits>

ViewVolumn::ViewVolumn() = default;

ViewVolumn::ViewVolumn(const ViewVolumn& other)
    : VekObject(other), m_origin(other.m_origin), m_xAxis(other.m_xAxis), m_yAxis(other.m_yAxis),
      m_bounds(other.m_bounds) {}

ViewVolumn& ViewVolumn::operator=(const ViewVolumn& other) {
  if (this != &other) {
    m_origin = other.m_origin;
    m_xAxis = other.m_xAxis;
    m_yAxis = other.m_yAxis;
    m_bounds = other.m_bounds;
  }
  return *this;
}

void ViewVolumn::GetNormal(_3dVector& normal) const { normal = m_xAxis.CrossProduct(m_yAxis); }

void ViewVolumn::Serialize(Archive& ar) {
  if (ar.IsStoring()) {
    ar << m_origin << m_xAxis << m_yAxis;
    for (double b : m_bounds) ar.WriteDouble(b);
  } else {
    ar >> m_origin >> m_xAxis >> m_yAxis;
    for (double& b : m_bounds) ar.ReadDouble(b);
  }
}

void Section::Serialize(Archive& ar) {
  if (ar.IsStoring()) {
    ar.WriteLong(m_number);
    ar << m_volume;
  } else {
    long number = 0;
    ar.ReadLong(number);
    if (number < INT_MIN || number > INT_MAX) ar.Fail("section number out of range");
    m_number = static_cast<int>(number);
    ar >> m_volume;
  }
}

// Registration order at start-up: the line bar, the dot row, the section.
IMPLEMENT_VEK_SERIAL(LineReinEntity)
IMPLEMENT_VEK_SERIAL(DotReinEntity)
IMPLEMENT_VEK_SERIAL(Section)

const int g_PlanClearKindMask = 0x01FBDFFF;
