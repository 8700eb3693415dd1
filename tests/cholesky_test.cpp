// The sparse Cholesky of the shell model against CHOLMOD's own
// factorise-and-solve: its own permuted copy (exact zeros left out), the
// in-place solves and the freeing of the matrix and of the factor must
// not change a single bit of the solutions.
#include "platform/tobrin/cholesky.h"

#include <gtest/gtest.h>
#include <suitesparse/cholmod.h>

#include <array>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

using tobrin::SparseCholesky;

namespace {

// The upper triangle of a stiffness-like matrix: a grid of nodes with six
// unknowns each, every pair of neighbouring nodes coupled by a full 6 × 6
// block in the pattern, half of whose entries are exactly zero (as the
// membrane and bending unknowns of a flat shell are), positive definite by
// a dominant diagonal.
Eigen::SparseMatrix<double> GridStiffness(int nx, int ny) {
  const int nodes = nx * ny, n = 6 * nodes;
  std::vector<Eigen::Triplet<double>> entries;
  const auto couple = [&](int p, int q) {
    for (int a = 0; a < 6; ++a)
      for (int b = 0; b < 6; ++b) {
        const int row = 6 * p + a, col = 6 * q + b;
        if (row > col) continue;
        // Unknowns 0–2 and 3–5 do not couple: stored zeros.
        const bool zero = (a < 3) != (b < 3);
        const double v = zero ? 0.0 : (p == q && a == b ? 40.0 + a : -1.0 / (1 + a + b + ((p + q) % 5)));
        entries.emplace_back(row, col, v);
      }
  };
  for (int j = 0; j < ny; ++j)
    for (int i = 0; i < nx; ++i) {
      const int p = j * nx + i;
      couple(p, p);
      if (i + 1 < nx) couple(p, p + 1);
      if (j + 1 < ny) couple(p, p + nx);
      if (i + 1 < nx && j + 1 < ny) couple(p, p + nx + 1);
    }
  Eigen::SparseMatrix<double> upper(n, n);
  upper.setFromTriplets(entries.begin(), entries.end());
  upper.makeCompressed();
  return upper;
}

Eigen::MatrixXd RightHandSides(Eigen::Index n, Eigen::Index width) {
  Eigen::MatrixXd b(n, width);
  for (Eigen::Index j = 0; j < width; ++j)
    for (Eigen::Index i = 0; i < n; ++i) b(i, j) = std::sin(0.37 * static_cast<double>(i + 1) * static_cast<double>(j + 1));
  return b;
}

// CHOLMOD's own supernodal factorisation and solve with the same ordering.
Eigen::MatrixXd CholmodSolution(const Eigen::SparseMatrix<double>& upper, const Eigen::MatrixXd& b) {
  cholmod_common c;
  cholmod_start(&c);
  c.print = 0;
  c.supernodal = CHOLMOD_SUPERNODAL;
  c.final_ll = 1;
  c.nmethods = 1;
  c.method[0].ordering = CHOLMOD_AMD;
  c.postorder = 1;
  cholmod_sparse a{};
  a.nrow = a.ncol = static_cast<std::size_t>(upper.rows());
  a.nzmax = static_cast<std::size_t>(upper.nonZeros());
  a.p = const_cast<int*>(upper.outerIndexPtr());
  a.i = const_cast<int*>(upper.innerIndexPtr());
  a.x = const_cast<double*>(upper.valuePtr());
  a.stype = 1;
  a.itype = CHOLMOD_INT;
  a.xtype = CHOLMOD_REAL;
  a.dtype = CHOLMOD_DOUBLE;
  a.sorted = 1;
  a.packed = 1;
  cholmod_factor* l = cholmod_analyze(&a, &c);
  cholmod_factorize(&a, l, &c);
  cholmod_dense rhs{};
  rhs.nrow = static_cast<std::size_t>(b.rows());
  rhs.ncol = static_cast<std::size_t>(b.cols());
  rhs.nzmax = rhs.nrow * rhs.ncol;
  rhs.d = rhs.nrow;
  rhs.x = const_cast<double*>(b.data());
  rhs.xtype = CHOLMOD_REAL;
  rhs.dtype = CHOLMOD_DOUBLE;
  cholmod_dense* x = cholmod_solve(CHOLMOD_A, l, &rhs, &c);
  Eigen::MatrixXd out = Eigen::Map<const Eigen::MatrixXd>(static_cast<const double*>(x->x), b.rows(), b.cols());
  cholmod_free_dense(&x, &c);
  cholmod_free_factor(&l, &c);
  cholmod_finish(&c);
  return out;
}

bool SameBits(const Eigen::MatrixXd& a, const Eigen::MatrixXd& b) {
  return a.rows() == b.rows() && a.cols() == b.cols() &&
         std::memcmp(a.data(), b.data(), sizeof(double) * static_cast<std::size_t>(a.size())) == 0;
}

}  // namespace

// The large grid's factor has supernodes of more than a page of columns,
// whose unused upper triangles are handed back after the factorisation.
TEST(SparseCholesky, SolutionsAreCholmodsToTheBitForOneOrManyRightHandSides) {
  for (const auto& [nx, ny, width] : {std::array<int, 3>{12, 9, 1}, {12, 9, 3}, {12, 9, 8}, {90, 90, 8}}) {
    const Eigen::SparseMatrix<double> upper = GridStiffness(nx, ny);
    SCOPED_TRACE("grid " + std::to_string(nx) + " x " + std::to_string(ny) + ", right-hand sides: " + std::to_string(width));
    const Eigen::MatrixXd b = RightHandSides(upper.rows(), width);
    const Eigen::MatrixXd expected = CholmodSolution(upper, b);
    SparseCholesky kept, released;
    std::string why;
    ASSERT_TRUE(kept.Analyse(upper, why)) << why;
    ASSERT_TRUE(kept.Factorise(upper, 1e-12, why)) << why;
    Eigen::SparseMatrix<double> copy = upper;
    ASSERT_TRUE(released.Analyse(copy, why)) << why;
    ASSERT_TRUE(released.FactoriseReleasing(copy, 1e-12, why)) << why;
    EXPECT_EQ(copy.nonZeros(), 0);  // the caller's matrix is gone
    Eigen::MatrixXd x;
    ASSERT_TRUE(kept.Solve(b, x));
    EXPECT_TRUE(SameBits(x, expected));
    Eigen::MatrixXd inPlace = b;
    ASSERT_TRUE(released.SolveInPlace(inPlace));
    EXPECT_TRUE(SameBits(inPlace, expected));
    // The solutions satisfy the equations (the full symmetric matrix).
    const Eigen::SparseMatrix<double> full = upper.selfadjointView<Eigen::Upper>();
    EXPECT_LT((full * x - b).cwiseAbs().maxCoeff(), 1e-10);
  }
}

TEST(SparseCholesky, ReleaseEndsTheSolvesUntilFactorisedAgain) {
  const Eigen::SparseMatrix<double> upper = GridStiffness(5, 4);
  const Eigen::MatrixXd b = RightHandSides(upper.rows(), 2);
  SparseCholesky chol;
  std::string why;
  ASSERT_TRUE(chol.Analyse(upper, why)) << why;
  ASSERT_TRUE(chol.Factorise(upper, 1e-12, why)) << why;
  Eigen::MatrixXd first;
  ASSERT_TRUE(chol.Solve(b, first));
  chol.Release();
  EXPECT_FALSE(chol.Factorised());
  Eigen::MatrixXd x = b;
  EXPECT_FALSE(chol.SolveInPlace(x));
  // The ordering stays: the same pattern factorises again, to the same bits.
  ASSERT_TRUE(chol.Factorise(upper, 1e-12, why)) << why;
  Eigen::MatrixXd again;
  ASSERT_TRUE(chol.Solve(b, again));
  EXPECT_TRUE(SameBits(first, again));
}

TEST(SparseCholesky, ReleasingFactorisationFreesTheMatrixAlsoWhenItFails) {
  const Eigen::SparseMatrix<double> upper = GridStiffness(3, 3);
  std::string why;
  {
    SparseCholesky chol;  // never analysed
    Eigen::SparseMatrix<double> copy = upper;
    EXPECT_FALSE(chol.FactoriseReleasing(copy, 1e-12, why));
    EXPECT_FALSE(why.empty());
    EXPECT_EQ(copy.nonZeros(), 0);
  }
  {
    // Not positive definite: one diagonal entry turned negative.
    Eigen::SparseMatrix<double> bad = upper;
    bad.coeffRef(7, 7) = -5.0;
    SparseCholesky chol;
    ASSERT_TRUE(chol.Analyse(bad, why)) << why;
    EXPECT_FALSE(chol.FactoriseReleasing(bad, 1e-12, why));
    EXPECT_NE(why.find("positive definite"), std::string::npos) << why;
    EXPECT_EQ(bad.nonZeros(), 0);
    EXPECT_FALSE(chol.Factorised());
  }
}
