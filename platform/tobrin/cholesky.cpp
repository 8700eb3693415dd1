// Supernodal sparse Cholesky through CHOLMOD (see cholesky.h).
#include "platform/tobrin/cholesky.h"

#include <omp.h>
#include <suitesparse/cholmod.h>
#include <sys/mman.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <mutex>

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
  // The solve's result and workspaces, kept from solve to solve so that a
  // run of solves of the same width reuses the same (already touched) pages.
  cholmod_dense* x = nullptr;
  cholmod_dense* y = nullptr;
  cholmod_dense* e = nullptr;
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
    if (x != nullptr) cholmod_free_dense(&x, &common);
    if (y != nullptr) cholmod_free_dense(&y, &common);
    if (e != nullptr) cholmod_free_dense(&e, &common);
    cholmod_finish(&common);
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
  return true;
}

bool SparseCholesky::Factorise(const Eigen::SparseMatrix<double>& upper, double pivotTolerance, std::string& why) {
  Impl& d = *m_impl;
  d.factorised = false;
  if (d.factor == nullptr || upper.rows() != d.n || !upper.isCompressed()) {
    why = "the stiffness was not analysed";
    return false;
  }
  cholmod_sparse a = View(upper);
  cholmod_factorize(&a, d.factor, &d.common);
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
  Eigen::VectorXd diag = upper.diagonal();
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
  d.factorised = true;
  return true;
}

bool SparseCholesky::Solve(const Eigen::MatrixXd& b, Eigen::MatrixXd& out) const {
  Impl& d = *m_impl;
  if (!d.factorised || b.rows() != d.n) return false;
  if (b.cols() == 0) {
    out.resize(b.rows(), 0);
    return true;
  }
  if (!SolveInto(b)) return false;
  out = Eigen::Map<const Eigen::MatrixXd, 0, Eigen::OuterStride<>>(
      static_cast<const double*>(d.x->x), b.rows(), b.cols(), Eigen::OuterStride<>(static_cast<Eigen::Index>(d.x->d)));
  return out.allFinite();
}

bool SparseCholesky::SolveInPlace(Eigen::MatrixXd& b) const {
  Impl& d = *m_impl;
  if (!d.factorised || b.rows() != d.n) return false;
  if (b.cols() == 0) return true;
  if (!SolveInto(b)) return false;
  b = Eigen::Map<const Eigen::MatrixXd, 0, Eigen::OuterStride<>>(
      static_cast<const double*>(d.x->x), b.rows(), b.cols(), Eigen::OuterStride<>(static_cast<Eigen::Index>(d.x->d)));
  return b.allFinite();
}

bool SparseCholesky::SolveInto(const Eigen::MatrixXd& b) const {
  Impl& d = *m_impl;
  cholmod_dense rhs{};
  rhs.nrow = static_cast<std::size_t>(b.rows());
  rhs.ncol = static_cast<std::size_t>(b.cols());
  rhs.nzmax = rhs.nrow * rhs.ncol;
  rhs.d = rhs.nrow;
  rhs.x = const_cast<double*>(b.data());
  rhs.z = nullptr;
  rhs.xtype = CHOLMOD_REAL;
  rhs.dtype = CHOLMOD_DOUBLE;
  return cholmod_solve2(CHOLMOD_A, d.factor, &rhs, nullptr, &d.x, nullptr, &d.y, &d.e, &d.common) != 0 &&
         d.x != nullptr;
}

double SparseCholesky::FactorEntries() const {
  const Impl& d = *m_impl;
  if (!d.factorised || d.factor == nullptr) return 0.0;
  return d.common.lnz;
}

}  // namespace tobrin
