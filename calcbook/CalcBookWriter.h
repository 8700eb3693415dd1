// The calculation-book writer of a design: it holds the document it writes,
// empty until a book is written, and releases it with the designer.  The
// writing itself comes with the calculation book.
#pragma once

#include <memory>

class CalcBookWriter {
 public:
  CalcBookWriter() = default;
  bool HasDocument() const { return static_cast<bool>(m_document); }

 private:
  std::shared_ptr<void> m_document;
};
