// Whole calculator runs in memory: the shipped demo files (preferences,
// dataset, a-x file and run scripts) in an in-memory folder, the answers on
// a string console, and an internal fault taken as a finding.
#pragma once

#include <cctype>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "calc/driver/calculator.h"
#include "common/files.h"
#include "common/io.h"
#include "fuzz/support.h"

namespace pf::fuzz {

inline constexpr const char* kDemoRuns[] = {
    "pf-demo.txt",   "pf-isopleths.txt", "pf-lines.txt",  "pf-loga.txt",   "pf-point.txt",
    "pf-tables.txt", "pf-txco2.txt",     "pf-gneiss.txt", "pf-pseudo.txt", "pf-gmin.txt",
    "pf-gpoint.txt", "pf-range.txt",     "pf-project.txt"};

// The words of a text, '%' comments dropped, split at blanks, brackets and
// commas: every name an a-x file or a script can give.
inline std::set<std::string> wordsOf(const std::string& text) {
  std::set<std::string> words;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    line = line.substr(0, line.find('%'));
    std::string word;
    for (char c : line + " ") {
      if (std::isspace(static_cast<unsigned char>(c)) || c == '(' || c == ')' || c == ',') {
        if (!word.empty()) words.insert(word);
        word.clear();
      } else {
        word += c;
      }
    }
  }
  return words;
}

// The demo dataset cut to the end-members that the demo a-x file and runs
// name, with their part of the covariance matrix. Whole runs read the
// dataset at every pass; the full file's matrix of 230 end-members would
// take most of the time of every run the fuzzer makes.
inline std::string demoDatasetCut() {
  std::set<std::string> named = wordsOf(exampleFile("pf-demoax.txt"));
  for (const char* run : kDemoRuns) named.merge(wordsOf(exampleFile(run)));
  std::vector<std::string> lines;
  std::istringstream in(exampleFile("pf-ds6demo.txt"));
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  const int total = std::stoi(lines.at(0));
  constexpr int kLinesPerEntry = 4;
  std::vector<int> kept;
  std::string entries;
  for (int e = 0; e < total; ++e) {
    const std::size_t first = 3 + static_cast<std::size_t>(kLinesPerEntry * e);
    std::istringstream head(lines.at(first));
    std::string name;
    head >> name;
    if (named.count(name) == 0) continue;
    kept.push_back(e);
    for (int k = 0; k < kLinesPerEntry; ++k) entries += lines.at(first + k) + "\n";
  }
  std::istringstream rest([&] {
    std::string text;
    for (std::size_t k = 3 + static_cast<std::size_t>(kLinesPerEntry * total); k < lines.size();
         ++k)
      text += lines[k] + " ";
    return text;
  }());
  std::string before;
  rest >> before;  // the value that stands before the matrix
  std::vector<std::vector<std::string>> rows(static_cast<std::size_t>(total));
  for (int row = 0; row < total; ++row)
    for (int column = row; column < total; ++column) {
      std::string value;
      rest >> value;
      rows[static_cast<std::size_t>(row)].push_back(value);
    }
  std::string text = std::to_string(kept.size()) + "\n" + lines.at(1) + "\n" + lines.at(2) + "\n" +
                     entries + before + "\n";
  for (std::size_t i = 0; i < kept.size(); ++i) {
    for (std::size_t j = i; j < kept.size(); ++j)
      text += rows[static_cast<std::size_t>(kept[i])][static_cast<std::size_t>(kept[j] - kept[i])] +
              " ";
    text += "\n";
  }
  return text + "\ndemo dataset, the end-members of the demo runs\n";
}

inline const std::map<std::string, std::string>& demoFolder() {
  static const std::map<std::string, std::string> folder = [] {
    std::map<std::string, std::string> files;
    for (const char* name : {"pf-prefs.txt", "pf-demoax.txt"}) files[name] = exampleFile(name);
    for (const char* name : kDemoRuns) files[name] = exampleFile(name);
    files["pf-ds6demo.txt"] = demoDatasetCut();
    return files;
  }();
  return folder;
}

// One run of the calculator on files with answers.
inline void converse(MemoryFiles& files, const std::string& answers) {
  std::istringstream in(answers);
  std::ostringstream out;
  Io io(Program::calculator, in, out, files);
  if (runCalculatorReporting(io) == RunEnd::internalFault)
    finding("calculator run", tail(out.str()));
}

}  // namespace pf::fuzz
