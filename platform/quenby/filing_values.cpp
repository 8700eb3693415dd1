// Structural model: filing of plain values shared by the model's classes.
#include "platform/quenby/internal.h"

namespace quenby {

void File(Archive& ar, _2dLine& line) {
  _2dPoint s = line.GetStartPoint(), e = line.GetEndPoint();
  File(ar, s);
  File(ar, e);
  if (ar.IsLoading()) line = _2dLine(s, e);
}

void File(Archive& ar, _3dLine& line) {
  _3dPoint s = line.GetStartPoint(), e = line.GetEndPoint();
  File(ar, s);
  File(ar, e);
  if (ar.IsLoading()) line = _3dLine(s, e);
}

void File(Archive& ar, _2dPolyline& polyline) {
  if (ar.IsStoring()) ar << polyline; else ar >> polyline;
}

}  // namespace quenby

void FaceValues::Serialize(Archive& ar) {
  using quenby::File;
  File(ar, basicMoment);
  File(ar, combination);
  File(ar, standardMoment);
  File(ar, quasiMoment);
  File(ar, calcArea);
  File(ar, grade);
  File(ar, diameter);
  File(ar, spacing);
  File(ar, crackWidth);
}
