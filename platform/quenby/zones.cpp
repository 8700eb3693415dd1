// Structural model: bars, rebar zones, support rebar zones and the tank's zone
// collection.
#include "platform/quenby/internal.h"

#include <cmath>

IMPLEMENT_VEK_SERIAL(Rein)
IMPLEMENT_VEK_SERIAL(ReinZone)
IMPLEMENT_VEK_SERIAL(SupportRein)

using quenby::File;
using quenby::FileList;

// ---------------------------------------------------------------------------
// Rein

double Rein::GetLength() const { return m_polyline.GetLength(); }

void Rein::Serialize(Archive& ar) {
  VekObject::Serialize(ar);
  SerializeValues(ar);
}

void Rein::SerializeValues(Archive& ar) {
  File(ar, m_polyline);
  File(ar, m_grade);
  File(ar, m_diameter);
  File(ar, m_tieFlag);
  File(ar, m_shapeCode);
  File(ar, m_hookCode);
}

// ---------------------------------------------------------------------------
// ReinZone

std::vector<int> ReinZone::GetReinSegmentRecords(int barIndex) const {
  if (barIndex < 0 || barIndex >= static_cast<int>(m_segmentFlags.size())) return {};
  return m_segmentFlags[static_cast<std::size_t>(barIndex)];
}

void ReinZone::SetGradeCode(int code) {
  m_grade = GetReinGradeName(code - 130);
}

int ReinZone::GetGradeCode() const { return 130 + GetReinGradeIndexOf(m_grade); }

ReinPtr ReinZone::GetTypicalRein() const {
  ReinPtr best;
  double bestLength = -1.0;
  for (const ReinPtr& rein : m_reins) {
    if (!rein) continue;
    const double length = rein->GetLength();
    if (length > bestLength + 1e-9) {
      best = rein;
      bestLength = length;
    }
  }
  return best;
}

bool ReinZone::GetTypicalRein(ReinPtr& rein) const {
  rein = GetTypicalRein();
  return static_cast<bool>(rein);
}

bool ReinZone::GetReinDispOrientation(_3dVector& orientation) const {
  _3dVector d = m_distribution.GetDirection();
  if (d.Normalize(g_LengthTolerance)) {
    orientation = d;
    return true;
  }
  const Rein* first = nullptr;
  const Rein* last = nullptr;
  for (const ReinPtr& rein : m_reins) {
    if (!rein || rein->GetPolyline().VerNums() == 0) continue;
    if (!first) first = rein.get();
    last = rein.get();
  }
  if (!first || first == last) return false;
  d = last->GetPolyline().GetVertices().front() - first->GetPolyline().GetVertices().front();
  if (!d.Normalize(g_LengthTolerance)) return false;
  orientation = d;
  return true;
}

namespace {

// Same shape of two bars: closed flag, vertex count, segment lengths within
// 1 mm and bulges within 1e-4.
bool SameShape(const Rein& a, const Rein& b) {
  const _2dPolyline& pa = a.GetPolyline();
  const _2dPolyline& pb = b.GetPolyline();
  if (pa.IsClosed() != pb.IsClosed() || pa.VerNums() != pb.VerNums()) return false;
  const auto& va = pa.GetVertices();
  const auto& vb = pb.GetVertices();
  const auto& ba = pa.GetBulges();
  const auto& bb = pb.GetBulges();
  const std::size_t n = va.size();
  for (std::size_t i = 0; i < n; ++i) {
    const double bulgeA = i < ba.size() ? ba[i] : 0.0;
    const double bulgeB = i < bb.size() ? bb[i] : 0.0;
    if (std::fabs(bulgeA - bulgeB) > 1e-4) return false;
    if (i + 1 < n || pa.IsClosed()) {
      const std::size_t j = (i + 1) % n;
      if (std::fabs(va[i].DistanceTo(va[j]) - vb[i].DistanceTo(vb[j])) > 1.0) return false;
    }
  }
  return true;
}

}  // namespace

bool ReinZone::IsSameRein(const boost::shared_ptr<ReinZone>& other) const {
  if (!other) return false;
  if (other.get() == this) return true;
  if (m_grade != other->m_grade || m_diameter != other->m_diameter || m_spacing != other->m_spacing) return false;
  const ReinPtr a = GetTypicalRein();
  const ReinPtr b = other->GetTypicalRein();
  if (!a || !b) return !a && !b;
  return SameShape(*a, *b);
}

void ReinZone::Serialize(Archive& ar) {
  VekObject::Serialize(ar);
  SerializeValues(ar);
}

void ReinZone::SerializeValues(Archive& ar) {
  File(ar, m_kind);
  File(ar, m_category);
  File(ar, m_face);
  File(ar, m_direction);
  File(ar, m_edgeIndex);
  File(ar, m_cover);
  File(ar, m_layerFlag);
  FileList(ar, m_segmentFlags, 4, [&](std::vector<int>& flags) {
    FileList(ar, flags, 4, [&](int& flag) { File(ar, flag); });
  });
  File(ar, m_number);
  File(ar, m_numberFirst);
  File(ar, m_grade);
  File(ar, m_diameter);
  File(ar, m_spacing);
  File(ar, m_template);
  File(ar, m_distribution);
  // Bars: one marker int (1 for a bar, 0 for an empty entry) and the bar.
  FileList(ar, m_reins, 4, [&](ReinPtr& rein) {
    int present = rein ? 1 : 0;
    File(ar, present);
    if (ar.IsLoading()) {
      if (present != 0 && present != 1) ar.Fail("bar entry marker 0 or 1 expected");
      rein = present ? ReinPtr(new Rein) : ReinPtr();
    }
    if (rein) rein->SerializeValues(ar);
  });
}

int GetSegmentRecord(const ReinZonePtr& zone) { return zone ? zone->GetLayerFlag() : 0; }

// ---------------------------------------------------------------------------
// TankReinZones

std::vector<ReinZonePtr> TankReinZones::GetZonesOfKind(int kind) const {
  std::vector<ReinZonePtr> result;
  for (const ReinZonePtr& zone : m_zones)
    if (zone && zone->GetKind() == kind && zone->IsNumberFirst()) result.push_back(zone);
  return result;
}

int TankReinZones::GetNumberCount() const {
  int n = 0;
  for (const ReinZonePtr& zone : m_zones)
    if (zone && zone->GetNumber() > n) n = zone->GetNumber();
  return n;
}

int TankReinZones::GetCount(int kind, int number) const {
  int count = 0;
  for (const ReinZonePtr& zone : m_zones)
    if (zone && zone->GetKind() == kind && zone->GetNumber() == number)
      for (const ReinPtr& rein : zone->GetReins())
        if (rein) ++count;
  return count;
}

int TankReinZones::GetLength(int kind, int number) const {
  double length = 0.0;
  for (const ReinZonePtr& zone : m_zones)
    if (zone && zone->GetKind() == kind && zone->GetNumber() == number)
      for (const ReinPtr& rein : zone->GetReins())
        if (rein) length += rein->GetLength();
  return static_cast<int>(length);
}
