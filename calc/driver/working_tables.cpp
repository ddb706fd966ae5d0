#include "calc/driver/working_tables.h"

#include <sys/mman.h>

#include <array>
#include <new>
#include <utility>

#include "common/bomb.h"

namespace pf {

namespace {

constexpr std::size_t kReal = sizeof(Real);

struct TableSize {
  const char* name;
  std::size_t bytes;
};

constexpr std::array<TableSize, 13> kTableSizes{{
    {"c", kTableEndMembers* kTableComponents* kReal},          // compositions
    {"cov", kTableEndMembers* kTableEndMembers* kReal},        // enthalpy covariances
    {"rlines", kTableReactions * 8 * kReal},                   // reaction line data
    {"r", kTableReactions* kTableEndMembers * sizeof(short)},  // reaction coefficients
    {"prec0", kTablePhases* kPurePhaseRecordBytes},            // pure-phase records
    {"prec1", kTablePhases* kSolutionRecordBytes},             // solution records
    {"phnames", kTablePhases * 21 * 5},                        // phase names and labels
    {"td", kTableReactions * 12 * kReal},                      // reaction thermodynamics
    {"rrir", kTableReactions* kTableReactions / 4},            // reaction independence marks
    {"usvd", kTableUnknowns* kTableUnknowns* kReal},           // decomposition, left
    {"vsvd", kTableUnknowns* kTableUnknowns* kReal},           // decomposition, right
    {"jacobian", kTableUnknowns* kTableUnknowns* kReal},       // equation jacobian
    {"compdx", kTableLinePoints* kTableUnknowns* kReal},       // composition steps
}};

}  // namespace

ZeroedBlock::ZeroedBlock(std::size_t bytes) : size_(bytes) {
  if (bytes == 0) return;
  void* base = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (base == MAP_FAILED) throw std::bad_alloc();
  base_ = base;
}

ZeroedBlock::~ZeroedBlock() {
  release();
}

ZeroedBlock::ZeroedBlock(ZeroedBlock&& other) noexcept
    : base_(std::exchange(other.base_, nullptr)), size_(std::exchange(other.size_, 0)) {}

ZeroedBlock& ZeroedBlock::operator=(ZeroedBlock&& other) noexcept {
  if (this != &other) {
    release();
    base_ = std::exchange(other.base_, nullptr);
    size_ = std::exchange(other.size_, 0);
  }
  return *this;
}

void ZeroedBlock::release() {
  if (base_ != nullptr) munmap(base_, size_);
  base_ = nullptr;
  size_ = 0;
}

unsigned char* WorkingTables::find(const std::string& name) {
  for (WorkingTable& table : tables)
    if (table.name == name) return table.storage.data();
  return nullptr;
}

void allocateWorkingTables(Io& io, WorkingTables& tables) {
  if (tables.allocated) bomb("setup", "working tables set up twice", 1);
  tables.tables.clear();
  for (const TableSize& size : kTableSizes) {
    tables.tables.push_back(WorkingTable{size.name, ZeroedBlock(size.bytes)});
    io.reportAllocation(size.name, static_cast<long>(size.bytes));
  }
  tables.allocated = true;
}

void releaseWorkingTables(Io& io, WorkingTables& tables) {
  if (!tables.allocated) return;
  for (WorkingTable& table : tables.tables) {
    io.reportRelease(table.name, static_cast<long>(table.storage.size()));
    table.storage = ZeroedBlock();
  }
  tables.tables.clear();
  tables.allocated = false;
}

}  // namespace pf
