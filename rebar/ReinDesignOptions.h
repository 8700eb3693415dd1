// The options of one rebar design run, handed by reference to every design
// step.  The rebar-design command fills the first three from the view board's
// rebar design values and the settings pointer with SetSettings.
#pragma once

class ProjectSettings;

struct ReinDesignOptions {
  // True: a joint zone reaches into a board by a quarter of the board's
  // shorter span; false: by a quarter of the span across the edge.
  bool m_bShorterSpan = false;
  // A second value of the view board, passed on and not read by the design.
  int m_nValue1 = 0;
  // Rounding step (mm) of the zone extensions; 50 unless the host sets another.
  int m_nRoundingStep = 50;
  // The project's settings; every design step reads them through this pointer.
  ProjectSettings* m_pSettings = nullptr;

  ReinDesignOptions& SetSettings(ProjectSettings* settings) {
    m_pSettings = settings;
    return *this;
  }
};
