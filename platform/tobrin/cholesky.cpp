// Supernodal sparse Cholesky through CHOLMOD (see cholesky.h).
#include "platform/tobrin/cholesky.h"

#include <omp.h>
#include <suitesparse/cholmod.h>
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <vector>

namespace tobrin {

namespace {

// CHOLMOD's large blocks (the factor, its update workspace) are touched
// page by page as the factorisation first writes them; with 4 KiB pages
// that costs a page fault every 512 values, a third of the time of a large
// factorisation.  Blocks of 8 MiB and more are therefore aligned to 2 MiB
// and offered to the kernel as huge pages (where the kernel leaves that to
// the program); they are ordinary heap blocks for realloc and free.
constexpr std::size_t kHugePage = std::size_t{2} << 20;

void* LargeMalloc(std::size_t size) {
  if (size < 4 * kHugePage) return std::malloc(size);
  const std::size_t rounded = (size + kHugePage - 1) / kHugePage * kHugePage;
  void* p = std::aligned_alloc(kHugePage, rounded);
  if (p != nullptr) madvise(p, rounded, MADV_HUGEPAGE);  // only advice: failure changes nothing
  return p;
}

void* LargeCalloc(std::size_t count, std::size_t size) {
  if (size != 0 && count > static_cast<std::size_t>(-1) / size) return nullptr;
  const std::size_t bytes = count * size;
  if (bytes < 4 * kHugePage) return std::calloc(count, size);
  void* p = LargeMalloc(bytes);
  if (p != nullptr) std::memset(p, 0, bytes);
  return p;
}

void UseLargePages() {
  static std::once_flag once;
  std::call_once(once, [] {
    SuiteSparse_config.malloc_func = &LargeMalloc;
    SuiteSparse_config.calloc_func = &LargeCalloc;
    SuiteSparse_config.realloc_func = &std::realloc;
    SuiteSparse_config.free_func = &std::free;
  });
}

}  // namespace

struct SparseCholesky::Impl {
  cholmod_common common;
  cholmod_factor* factor = nullptr;
  // The solve's workspace (the supernodes' scratch), kept from solve to
  // solve so that a run of solves of the same width reuses it.
  cholmod_dense* e = nullptr;
  // One column of scratch for permuting the right-hand sides in place.
  std::vector<double> column;
  bool factorised = false;
  int n = 0;

  Impl() {
    // CHOLMOD opens OpenMP teams of a fixed size inside the factorisation;
    // on a busy machine their threads wait on each other far longer than
    // the work takes.  The analysis runs on the host's one thread: no
    // OpenMP region of the process (there is no other) runs in parallel.
    omp_set_max_active_levels(0);
    UseLargePages();
    cholmod_start(&common);
    common.print = 0;  // failures are reported through the return values
    common.supernodal = CHOLMOD_SUPERNODAL;
    common.final_ll = 1;
    // Minimum degree alone: on the folded plates of a tank it fills the
    // factor no more than nested dissection does (a 3 × 2-cell tank of
    // 124 000 unknowns: 29.3 million entries against 31.2 with METIS) and
    // orders in half the time, so the other methods are not tried.
    common.nmethods = 1;
    common.method[0].ordering = CHOLMOD_AMD;
    common.postorder = 1;
  }
  ~Impl() {
    if (factor != nullptr) cholmod_free_factor(&factor, &common);
    FreeSolveWorkspaces();
    cholmod_finish(&common);
  }
  void FreeSolveWorkspaces() {
    if (e != nullptr) cholmod_free_dense(&e, &common);
    std::vector<double>().swap(column);
  }
};

namespace {

// A CHOLMOD view of the upper triangle held by an Eigen matrix (no copy).
cholmod_sparse View(const Eigen::SparseMatrix<double>& a) {
  cholmod_sparse s{};
  s.nrow = static_cast<std::size_t>(a.rows());
  s.ncol = static_cast<std::size_t>(a.cols());
  s.nzmax = static_cast<std::size_t>(a.nonZeros());
  s.p = const_cast<int*>(a.outerIndexPtr());
  s.i = const_cast<int*>(a.innerIndexPtr());
  s.nz = nullptr;
  s.x = const_cast<double*>(a.valuePtr());
  s.z = nullptr;
  s.stype = 1;  // symmetric, upper triangle stored
  s.itype = CHOLMOD_INT;
  s.xtype = CHOLMOD_REAL;
  s.dtype = CHOLMOD_DOUBLE;
  s.sorted = 1;
  s.packed = 1;
  return s;
}

// The lower triangle of P A Pᵀ (the factorisation's own copy, row k of
// P A standing for row perm[k] of A) from the stored upper triangle of A,
// its exact zeros left out.  The supernodal factorisation assigns the
// matrix's entries into the factor's columns, which it has set to zero, so
// an entry left out for being zero leaves the factor as it was (at most a
// zero's sign differs); the stiffness of flat shells holds many (in a
// board's plane the membrane and bending unknowns do not couple), and
// leaving them out keeps this copy far below the matrix's size.  The rows
// of a column are not sorted.  nullptr when out of memory.
cholmod_sparse* PermutedLower(const Eigen::SparseMatrix<double>& upper, const int* perm, cholmod_common& common) {
  const int n = static_cast<int>(upper.rows());
  std::vector<int> position(static_cast<std::size_t>(n));
  for (int k = 0; k < n; ++k) position[static_cast<std::size_t>(perm != nullptr ? perm[k] : k)] = k;
  const int* outer = upper.outerIndexPtr();
  const int* inner = upper.innerIndexPtr();
  const double* value = upper.valuePtr();
  // Each entry (r, c) of the upper triangle lands in column min(r', c') of
  // the permuted lower triangle, at row max(r', c').
  std::vector<int> start(static_cast<std::size_t>(n) + 1, 0);
  for (int c = 0; c < n; ++c)
    for (int p = outer[c]; p < outer[c + 1]; ++p)
      if (value[p] != 0.0) ++start[static_cast<std::size_t>(std::min(position[inner[p]], position[c])) + 1];
  for (int j = 0; j < n; ++j) start[static_cast<std::size_t>(j) + 1] += start[static_cast<std::size_t>(j)];
  const std::size_t entries = static_cast<std::size_t>(start[static_cast<std::size_t>(n)]);
  cholmod_sparse* out = cholmod_allocate_sparse(static_cast<std::size_t>(n), static_cast<std::size_t>(n),
                                                std::max<std::size_t>(entries, 1), 0, 1, -1, CHOLMOD_REAL, &common);
  if (out == nullptr) return nullptr;
  int* columns = static_cast<int*>(out->p);
  int* rows = static_cast<int*>(out->i);
  double* values = static_cast<double*>(out->x);
  std::copy(start.begin(), start.end(), columns);
  for (int c = 0; c < n; ++c)
    for (int p = outer[c]; p < outer[c + 1]; ++p) {
      if (value[p] == 0.0) continue;
      const int r = position[inner[p]], q = position[c];
      const int at = start[static_cast<std::size_t>(std::min(r, q))]++;
      rows[at] = std::max(r, q);
      values[at] = value[p];
    }
  return out;
}

// Hands the heap's free pages back to the system, so that a large block
// freed before a larger one is allocated does not stay resident beside it.
void ReturnFreedMemory() {
#if defined(__GLIBC__)
  malloc_trim(0);
#endif
}

// The strictly upper triangles of the supernodes' diagonal blocks: the
// supernodal factor stores each supernode as a full column-major block
// whose rows start at the supernode's first column, so column j of a block
// begins with j values above the diagonal that the factorisation zeroes
// and no solve reads (the triangular solves reference the lower triangle
// alone).  Their whole pages are handed back to the system: on the folded
// plates of a tank the large supernodes near the root of the elimination
// tree waste a seventh of the factor so.  A page read again reads zeros;
// a later factorisation writes the blocks afresh.
void ReleaseUpperTriangles(const cholmod_factor* l) {
  const long page = sysconf(_SC_PAGESIZE);
  if (page <= 0 || !l->is_super || l->x == nullptr) return;
  const std::uintptr_t size = static_cast<std::uintptr_t>(page);
  const int* super = static_cast<const int*>(l->super);
  const int* pi = static_cast<const int*>(l->pi);
  const int* px = static_cast<const int*>(l->px);
  double* x = static_cast<double*>(l->x);
  for (std::size_t s = 0; s < l->nsuper; ++s) {
    const std::size_t ncol = static_cast<std::size_t>(super[s + 1] - super[s]);
    const std::size_t nrow = static_cast<std::size_t>(pi[s + 1] - pi[s]);
    // Column j's upper part spans j values; shorter ones hold no page.
    for (std::size_t j = size / sizeof(double); j < ncol; ++j) {
      const auto from = reinterpret_cast<std::uintptr_t>(x + px[s] + j * nrow);
      const auto to = reinterpret_cast<std::uintptr_t>(x + px[s] + j * nrow + j);
      const std::uintptr_t first = (from + size - 1) / size * size, last = to / size * size;
      if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_DONTNEED);
    }
  }
}

// The values x[0 … n−1] permuted in place: x[k] takes x[perm[k]] (P x),
// or, with `back`, x[perm[k]] takes x[k] (Pᵀ x); `column` holds n values
// of scratch.
void Permute(double* x, const int* perm, std::size_t n, std::vector<double>& column, bool back) {
  column.resize(n);
  if (!back)
    for (std::size_t k = 0; k < n; ++k) column[k] = x[perm[k]];
  else
    for (std::size_t k = 0; k < n; ++k) column[static_cast<std::size_t>(perm[k])] = x[k];
  std::copy(column.begin(), column.end(), x);
}

}  // namespace

SparseCholesky::SparseCholesky() : m_impl(std::make_unique<Impl>()) {}
SparseCholesky::~SparseCholesky() = default;

bool SparseCholesky::Factorised() const { return m_impl->factorised; }

bool SparseCholesky::Analyse(const Eigen::SparseMatrix<double>& upper, std::string& why) {
  Impl& d = *m_impl;
  d.factorised = false;
  if (d.factor != nullptr) cholmod_free_factor(&d.factor, &d.common);
  if (upper.rows() != upper.cols() || upper.rows() == 0 || !upper.isCompressed()) {
    why = "the stiffness is not a square compressed matrix";
    return false;
  }
  cholmod_sparse a = View(upper);
  d.factor = cholmod_analyze(&a, &d.common);
  if (d.factor == nullptr || d.common.status < CHOLMOD_OK) {
    why = d.common.status == CHOLMOD_OUT_OF_MEMORY ? "out of memory ordering the stiffness"
                                                   : "the stiffness could not be ordered";
    return false;
  }
  d.n = static_cast<int>(upper.rows());
  // The ordering's workspace goes before the factorisation takes its own.
  cholmod_free_work(&d.common);
  return true;
}

bool SparseCholesky::Factorise(const Eigen::SparseMatrix<double>& upper, double pivotTolerance, std::string& why) {
  return Factorise(upper, nullptr, pivotTolerance, why);
}

bool SparseCholesky::FactoriseReleasing(Eigen::SparseMatrix<double>& upper, double pivotTolerance,
                                        std::string& why) {
  return Factorise(upper, &upper, pivotTolerance, why);
}

bool SparseCholesky::Factorise(const Eigen::SparseMatrix<double>& upper, Eigen::SparseMatrix<double>* release,
                               double pivotTolerance, std::string& why) {
  Impl& d = *m_impl;
  d.factorised = false;
  // Swapped out, not assigned: an assignment keeps the storage.
  const auto drop = [release] {
    if (release == nullptr) return;
    Eigen::SparseMatrix<double>().swap(*release);
    ReturnFreedMemory();
  };
  if (d.factor == nullptr || upper.rows() != d.n || !upper.isCompressed()) {
    drop();
    why = "the stiffness was not analysed";
    return false;
  }
  // The pivots are checked against the matrix's diagonal (below), kept
  // before the matrix may go.
  const Eigen::VectorXd diag = upper.diagonal();
  if (d.factor->is_super) {
    // The supernodal factorisation reads the lower triangle of the
    // permuted matrix P A Pᵀ (PermutedLower); with that copy made the
    // caller's matrix is no longer read.
    d.common.status = CHOLMOD_OK;
    cholmod_sparse* permuted = PermutedLower(upper, static_cast<const int*>(d.factor->Perm), d.common);
    drop();
    if (permuted != nullptr) {
      double beta[2] = {0.0, 0.0};
      cholmod_super_numeric(permuted, nullptr, beta, d.factor, &d.common);
      cholmod_free_sparse(&permuted, &d.common);
    } else if (d.common.status >= CHOLMOD_OK) {
      d.common.status = CHOLMOD_INVALID;
    }
  } else {
    cholmod_sparse a = View(upper);
    cholmod_factorize(&a, d.factor, &d.common);
    drop();
  }
  // Nor is the factorisation's needed by the solves.
  cholmod_free_work(&d.common);
  if (d.common.status == CHOLMOD_OUT_OF_MEMORY) {
    why = "out of memory factorising the stiffness";
    return false;
  }
  if (d.common.status == CHOLMOD_NOT_POSDEF || d.factor->minor < d.factor->n) {
    why = "the stiffness is not positive definite (a mechanism)";
    return false;
  }
  if (d.common.status < CHOLMOD_OK) {
    why = "the stiffness could not be factorised";
    return false;
  }
  // Pivots against the diagonal of the matrix: the pivot of column k of the
  // factor is L(k,k)², and column k stands for unknown Perm[k].
  const cholmod_factor* l = d.factor;
  const int* perm = static_cast<const int*>(l->Perm);
  const double* x = static_cast<const double*>(l->x);
  auto check = [&](std::size_t k, double lkk) {
    const int original = perm != nullptr ? perm[k] : static_cast<int>(k);
    const double pivot = l->is_ll ? lkk * lkk : lkk;
    return std::isfinite(pivot) && pivot > pivotTolerance * diag(original);
  };
  if (l->is_super) {
    const int* super = static_cast<const int*>(l->super);
    const int* pi = static_cast<const int*>(l->pi);
    const int* px = static_cast<const int*>(l->px);
    for (std::size_t s = 0; s < l->nsuper; ++s) {
      const int k1 = super[s], k2 = super[s + 1];
      const int nsrow = pi[s + 1] - pi[s];
      for (int j = 0; j < k2 - k1; ++j)
        if (!check(static_cast<std::size_t>(k1 + j), x[px[s] + j + static_cast<std::size_t>(j) * nsrow])) {
          why = "the stiffness is singular: some part can move without resistance (a mechanism)";
          return false;
        }
    }
  } else {
    const int* p = static_cast<const int*>(l->p);
    for (std::size_t k = 0; k < l->n; ++k)
      if (!check(k, x[p[k]])) {
        why = "the stiffness is singular: some part can move without resistance (a mechanism)";
        return false;
      }
  }
  ReleaseUpperTriangles(l);
  d.factorised = true;
  return true;
}

void SparseCholesky::Release() {
  Impl& d = *m_impl;
  d.factorised = false;
  d.FreeSolveWorkspaces();
  // Back to the symbolic factor: the numeric values are freed.
  if (d.factor != nullptr && d.factor->xtype != CHOLMOD_PATTERN)
    cholmod_change_factor(CHOLMOD_PATTERN, d.factor->is_ll, d.factor->is_super, 1, 1, d.factor, &d.common);
}

bool SparseCholesky::Solve(const Eigen::MatrixXd& b, Eigen::MatrixXd& out) const {
  out = b;
  return SolveInPlace(out);
}

bool SparseCholesky::SolveInPlace(Eigen::MatrixXd& b) const {
  Impl& d = *m_impl;
  if (!d.factorised || b.rows() != d.n) return false;
  if (b.cols() == 0) return true;
  cholmod_factor* l = d.factor;
  const std::size_t n = static_cast<std::size_t>(b.rows()), width = static_cast<std::size_t>(b.cols());
  cholmod_dense block{};
  block.nrow = n;
  block.ncol = width;
  block.nzmax = n * width;
  block.d = n;
  block.x = b.data();
  block.z = nullptr;
  block.xtype = CHOLMOD_REAL;
  block.dtype = CHOLMOD_DOUBLE;
  if (!l->is_super) {
    cholmod_dense *x = nullptr, *y = nullptr;
    const bool ok =
        cholmod_solve2(CHOLMOD_A, l, &block, nullptr, &x, nullptr, &y, &d.e, &d.common) != 0 && x != nullptr;
    if (ok) std::memcpy(b.data(), x->x, n * width * sizeof(double));
    if (x != nullptr) cholmod_free_dense(&x, &d.common);
    if (y != nullptr) cholmod_free_dense(&y, &d.common);
    return ok && b.allFinite();
  }
  // x = Pᵀ (L⁻ᵀ (L⁻¹ (P b))) in b's own storage, each column permuted
  // through one column of scratch: no second block of the right-hand
  // sides' size is needed.
  if (cholmod_ensure_dense(&d.e, width, l->maxesize, width, CHOLMOD_REAL, &d.common) == nullptr) return false;
  const int* perm = static_cast<const int*>(l->Perm);
  if (perm != nullptr)
    for (std::size_t j = 0; j < width; ++j) Permute(b.data() + j * n, perm, n, d.column, false);
  if (!cholmod_super_lsolve(l, &block, d.e, &d.common) || !cholmod_super_ltsolve(l, &block, d.e, &d.common))
    return false;
  if (perm != nullptr)
    for (std::size_t j = 0; j < width; ++j) Permute(b.data() + j * n, perm, n, d.column, true);
  return b.allFinite();
}

double SparseCholesky::FactorEntries() const {
  const Impl& d = *m_impl;
  if (!d.factorised || d.factor == nullptr) return 0.0;
  return d.common.lnz;
}

}  // namespace tobrin
