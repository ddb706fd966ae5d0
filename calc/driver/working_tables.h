// The large scratch tables of a run, set up once at start and released at the
// end, each reported to the heap monitor.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "common/io.h"
#include "common/real.h"

namespace pf {

// Bounds the tables are sized for.
inline constexpr int kTableEndMembers = 200;  // end-members in one calculation
inline constexpr int kTableComponents = 20;   // components, oxides included
inline constexpr int kTableReactions = 300;   // reactions among them
inline constexpr int kTableLinePoints = 200;  // points along one calculated line
inline constexpr int kTablePhases = 60;       // phases in one calculation
inline constexpr int kTableUnknowns = 60;     // unknowns of one equation system
inline constexpr std::size_t kPurePhaseRecordBytes = 1024;
inline constexpr std::size_t kSolutionRecordBytes = 96 * 1024;

// A zero-filled block that the system maps page by page on first touch, so
// that the parts of a table a run never reaches cost neither time nor memory
// (a vector would write every byte of it at the start of every run).
class ZeroedBlock {
 public:
  ZeroedBlock() = default;
  explicit ZeroedBlock(std::size_t bytes);  // throws std::bad_alloc when refused
  ~ZeroedBlock();
  ZeroedBlock(ZeroedBlock&& other) noexcept;
  ZeroedBlock& operator=(ZeroedBlock&& other) noexcept;
  ZeroedBlock(const ZeroedBlock&) = delete;
  ZeroedBlock& operator=(const ZeroedBlock&) = delete;

  unsigned char* data() { return static_cast<unsigned char*>(base_); }
  std::size_t size() const { return size_; }

 private:
  void release();
  void* base_ = nullptr;
  std::size_t size_ = 0;
};

struct WorkingTable {
  std::string name;
  ZeroedBlock storage;
};

// In the order they are set up and reported: c, cov, rlines, r, prec0, prec1,
// phnames, td, rrir, usvd, vsvd, jacobian, compdx.
struct WorkingTables {
  std::vector<WorkingTable> tables;
  bool allocated = false;

  unsigned char* find(const std::string& name);
};

void allocateWorkingTables(Io& io, WorkingTables& tables);
void releaseWorkingTables(Io& io, WorkingTables& tables);

}  // namespace pf
