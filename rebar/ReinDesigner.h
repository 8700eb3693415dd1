// The rebar design engine of a design.  It keeps no results of its own: the
// design steps store everything they compute in the structural model of the
// tank they are given.  The design steps come with the rebar design.
#pragma once

class ReinDesigner {
 public:
  ReinDesigner() = default;
};
