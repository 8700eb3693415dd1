// Sparse Cholesky factorisation of a symmetric positive definite stiffness
// (supernodal, CHOLMOD): the fill-reducing ordering and the symbolic
// factor are computed once by Analyse and kept; Factorise computes the
// numeric factor of a matrix of that pattern (again and again, for new
// values); Solve takes any number of right-hand sides at once.
//
// Memory: the factorisation works on its own copy of the matrix, permuted
// to the ordering; FactoriseReleasing frees the caller's matrix once that
// copy is made, so that the factor is never held beside two copies of the
// stiffness.  The solves work in the right-hand sides' own storage (one
// column of scratch besides).  Release frees the factor when no more
// solves will come.
//
// A matrix that is not positive definite, or one with a pivot below
// `pivotTolerance` times its diagonal entry (a mechanism: a part that moves
// without resistance, held only by round-off), is refused by Factorise.
#pragma once

#include <Eigen/Dense>
#include <Eigen/Sparse>

#include <memory>
#include <string>

namespace tobrin {

class SparseCholesky {
 public:
  SparseCholesky();
  ~SparseCholesky();
  SparseCholesky(const SparseCholesky&) = delete;
  SparseCholesky& operator=(const SparseCholesky&) = delete;

  // `upper` holds the upper triangle (the lower one is ignored), compressed.
  bool Analyse(const Eigen::SparseMatrix<double>& upper, std::string& why);
  bool Factorise(const Eigen::SparseMatrix<double>& upper, double pivotTolerance, std::string& why);
  // The same, `upper` freed (left an empty matrix) as soon as the
  // factorisation has its permuted copy, whether it succeeds or not.
  bool FactoriseReleasing(Eigen::SparseMatrix<double>& upper, double pivotTolerance, std::string& why);
  // Solves for every column of b; false when not factorised or on failure.
  // The solve's workspaces are kept for the next solve (one caller at a time).
  bool Solve(const Eigen::MatrixXd& b, Eigen::MatrixXd& x) const;
  // The same, the solutions written over the right-hand sides (no second
  // matrix of their size is held beside the solve's own).
  bool SolveInPlace(Eigen::MatrixXd& b) const;
  bool Factorised() const;
  // Frees the factor and the solve's workspaces; the ordering stays, so a
  // matrix of the same pattern can be factorised again.
  void Release();
  // Entries of the factor (after Factorise), for the statistics.
  double FactorEntries() const;

 private:
  bool Factorise(const Eigen::SparseMatrix<double>& upper, Eigen::SparseMatrix<double>* release,
                 double pivotTolerance, std::string& why);
  struct Impl;
  std::unique_ptr<Impl> m_impl;
};

}  // namespace tobrin
