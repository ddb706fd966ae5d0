// Whole mode-0 conversations after the end-member choice, recorded in
// expected/: the log (questions, answers and every table of the main output)
// and the second results file. PF_RECORD=1 in the environment writes the
// recordings afresh, to be read line by line before they are kept.
#include "tests/calc/settings/dialogue.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "calc/endmembers/tables.h"
#include "tables_support.h"

namespace pf {
namespace {

struct Recording {
  const char* name;
  Dataset ds;
  std::vector<int> made;  // end-members marked as made by the a-x file
  ReactionRows reactions;
  std::string answers;
};

void compareOrRecord(const std::string& got, const std::string& file) {
  std::string path = std::string(PF_TEST_DIR) + "/expected/" + file;
  const char* record = std::getenv("PF_RECORD");
  if (record != nullptr && std::string(record) == "1") {
    std::ofstream(path, std::ios::binary) << got;
    return;
  }
  EXPECT_EQ(got, testing::readWholeFile(path)) << file;
}

void play(const Recording& r) {
  SCOPED_TRACE(r.name);
  RunEndMembers run = testing::runOf(r.ds);
  for (int e : r.made) run.em[e].slot[kMadeMark] = 1;
  testing::Dialogue d(r.answers);
  d.io.openOutput(kSecondFile, "pf-t-a.txt", false);
  ReactionFinder finder = [&r](Io&, const RunEndMembers&) { return r.reactions; };
  runTables(d.io, run, tableSettings(r.ds), finder);
  compareOrRecord(d.log(), std::string(r.name) + "-log.txt");
  compareOrRecord(d.files.contents["pf-t-a.txt"], std::string(r.name) + "-a.txt");
}

TEST(TablesDialogue, SixthGenerationDemo) {
  // ky, sill, q, mu, san, H2O, then a liquid, a Landau solid and a made end-member
  Recording r{"demo",
              testing::demoDataset({"ky", "sill", "q", "mu", "san", "H2O", "diL", "lrn", "fo"}),
              {9},
              {{0, -1, 1, 0, 0, 0, 0, 0, 0, 0}, {0, 0, 1, -1, -1, 1, 1, 0, 0, 0}},
              "y\n0 20 5\n400 1000 50\n"  // thirteen temperatures: continuation lines
              "y\n4.5 575\n"
              "y\n1 9 2\n500 700 100\n"
              "y\n\n\n"};
  play(r);
}

TEST(TablesDialogue, OlderGenerationWithoutReactions) {
  Recording r{
      "older",
      testing::datasetOf(testing::readWholeFile(std::string(PF_TEST_DIR) + "/pf-ds2old.txt"),
                         "pf-ds2old.txt", {"fo", "q", "H2O"}),
      {},
      {},
      "y\n0\n27\ny\ny\n5 20\n600 1000\ny\n2\n300 900 200\n"};
  play(r);
}

}  // namespace
}  // namespace pf
