// The rebar-design command of the designer and the numbering of openings.
#include "designer/TankDesigner.h"
#include "platform/Tobrin.h"

#include <cmath>
#include <list>
#include <stdexcept>
#include <typeinfo>

void TankDesigner::DesignRein(ProgressFn fn) {
  Tank& tank = GetTank();
  ProjectSettings& settings = GetSettings();
  // The design reads the moments the boards hold: they must be this tank's.
  if (!IsTankAnalysed(tank, settings))
    throw std::runtime_error(
        "the tank or its settings changed after the last analysis (or it was never analysed): analyse it before "
        "designing the reinforcement");
  ReinDesignOptions options;
  options.SetSettings(&settings);
  options.m_bShorterSpan = GetReinDesignFlag() != 0;
  options.m_nValue1 = GetReinDesignValue1();
  options.m_nRoundingStep = GetReinDesignValue2();
  // The design replaces the tank's zones and bar values step by step; a step
  // that throws must not leave a half-designed tank behind.
  Tank before(tank);
  try {
    int z = 0;
    m_reinDesigner.RunDesign(tank, options, fn);
    if (fn) fn(80, &z);
    m_reinDesigner.NumberReins(tank);
    NumberHoles(tank);
    if (fn) fn(90, &z);
    m_reinDesigner.FinishDesign(tank);
  } catch (...) {
    tank.Swap(before);
    throw;
  }
}

void TankDesigner::NumberHoles(Tank& tank) {
  struct Entry {
    double thickness;
    HolePtr hole;
  };
  std::list<Entry> circles, rectangles;
  for (const BoardPtr& board : ReinDesigner::DesignBoards(tank))
    for (const HolePtr& hole : board->GetHoles()) {
      if (!hole) continue;
      if (typeid(*hole) == typeid(CircleHole)) circles.push_back({board->GetThickness(), hole});
      else if (typeid(*hole) == typeid(RectangleHole)) rectangles.push_back({board->GetThickness(), hole});
    }
  for (std::list<Entry>* list : {&circles, &rectangles}) {
    int number = 0;
    while (!list->empty()) {
      const Entry a = list->front();
      list->pop_front();
      a.hole->SetNumber(++number);
      for (auto it = list->begin(); it != list->end();) {
        if (std::abs(a.thickness - it->thickness) <= 1.0 && a.hole->IsSameShape(it->hole) &&
            a.hole->IsSameOpening(it->hole)) {
          it->hole->SetNumber(number);
          it = list->erase(it);
        } else {
          ++it;
        }
      }
    }
  }
}
