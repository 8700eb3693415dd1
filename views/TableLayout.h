// The layout of one drawn table: row heights and column widths in drawing
// units, and the centre of a cell.  The table's top-left corner is the
// origin; x grows to the right, rows go downwards (every point inside the
// table has y <= 0).  The drawers fill the two lists in table order, ask for
// cell centres and draw their own grid lines from the same sizes, because
// each table merges its cells differently.
#pragma once

#include "platform/Morlak.h"

#include <vector>

// A column: its width and a code the drawer stores with it.
struct TableColumn {
  double width = 0.0;
  int code = 0;
};

class CViewReinForm {
 public:
  CViewReinForm() = default;
  virtual ~CViewReinForm() = default;

  // The centre of cell (row, column), both from 0; a cell's centre depends
  // only on the rows above it and the columns left of it.  The indices must
  // name rows and columns already appended.
  _3dPoint CellCenter(int row, int column) const {
    double x = 0.0;
    for (int j = 0; j <= column; ++j) x += m_columns[static_cast<std::size_t>(j)].width;
    double y = 0.0;
    for (int i = 0; i <= row; ++i) y += m_rowHeights[static_cast<std::size_t>(i)];
    return _3dPoint(x - m_columns[static_cast<std::size_t>(column)].width / 2.0,
                    m_rowHeights[static_cast<std::size_t>(row)] / 2.0 - y, 0.0);
  }

  std::vector<double> m_rowHeights;
  std::vector<TableColumn> m_columns;
};
