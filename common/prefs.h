// The preferences file: program-wide switches read once at start.
#pragma once

#include <string>

#include "common/io.h"

namespace pf {

struct Prefs {
  bool makeps = false;  // the drawing program's default is on
  bool autoexit = true;
  bool dontwrap = true;
  bool monitorheap = false;
  bool onecalc = false;
  std::string dataset;     // suffix of the dataset file; "?" means ask
  std::string datafile;    // suffix of the run's data (script) file
  std::string scriptfile;  // the drawing program keeps three separate names
  std::string axfile;
  int pagewidth = kDefaultPageWidth;
  int calcmode = -1;
  bool allInOne = false;
  bool newmessages = false;
  bool strictsyntax = true;
  bool makea = true;        // the calculator's second results file, "pf-" + suffix + "-a.txt"
  bool makeo = false;       // drawing program only
  bool utf8console = true;  // show the console in UTF-8 when the locale is UTF-8
  // phase diagrams: drawing blocks named and completed for the drawing program
  bool drawnames = false;
  // Gibbs energy minimisation: the most grid points minimised (more switch
  // minimisation off for the run)
  int gridlimit = 400;
  // Gibbs energy minimisation: threads that calculate assemblages side by
  // side (0: one per core)
  int threads = 0;
};

Prefs defaultPrefs(Program program);
std::string prefsFileName(Program program);

// Reads the preferences file into prefs and applies the console settings
// (page width, line cutting, heap monitor) to io.
void readprefs(Io& io, Prefs& prefs);

}  // namespace pf
