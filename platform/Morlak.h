// Geometry kernel: the object model with its filing archive and class
// registry, points and vectors, drawable entities, the comparison and geometry
// object g_VekGeometryComm, the polygon algorithms g_PolygonAlgorithm and the
// free geometry helpers.  One header for the whole kernel; its parts live in
// platform/morlak/.
#pragma once

#include "platform/morlak/object.h"
#include "platform/morlak/values.h"
#include "platform/morlak/filing.h"
#include "platform/morlak/entities.h"
#include "platform/morlak/comm.h"
#include "platform/morlak/polygon.h"
#include "platform/morlak/helpers.h"
