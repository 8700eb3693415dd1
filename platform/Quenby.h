// Structural model of a reinforced-concrete water tank: the tank with its
// walls and slabs (boards), board edges and restraints, openings, notches,
// haunches, loads, rebar zones and bars, structural units, cells and joints,
// the load description handed to the analysis, the version record and the
// material lookups.  One header for the whole layer; its parts live in
// platform/quenby/.
//
// Conventions: lengths in mm, moments in kN·m per metre width, steel areas in
// mm² per metre, strengths in N/mm², angles in radians.  Board kinds: 0 wall,
// 1 bottom slab, 2 top slab.  Every model object is a VekObject held by a
// boost::shared_ptr, and every class registers a class record so that it can
// be filed polymorphically.
#pragma once

#include "platform/Morlak.h"
#include "platform/quenby/zones.h"
#include "platform/quenby/board.h"
#include "platform/quenby/tank.h"
