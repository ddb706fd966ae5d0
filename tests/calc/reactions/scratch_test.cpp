#include <gtest/gtest.h>
#include <iostream>
#include "calc/reactions/mode3.h"
#include "tests/calc/reactions/demo_system.h"
#include "tests/calc/settings/dialogue.h"

namespace pf {
TEST(Scratch, TX) {
  auto s = testing::demoSystem({"cc", "q", "wo", "CO2"});
  testing::Dialogue d("400 900 0.05 0.95\ny\n2\n0\n");
  d.io.openOutput(kOfile, "px.txt", false);
  WindowState w;
  w.diagrammode = kDiagramTX;
  w.fluid.fluidtype = kFluidMoleFractions;
  w.calcCode = 2;
  ScriptSettings script = scriptDefaults();
  FluidPresence presence{false, true, false};
  diagramwindowsetup(d.io, w, script, true, 1, "CO2", presence);
  ReactionsChoice choice;
  auto result = reactionsmode(d.io, s.run, w, script, s.settings, choice);
  std::cout << d.console() << "\n-----\n" << d.files.contents["px.txt"];
}
TEST(Scratch, Tlna) {
  auto s = testing::demoSystem({"cc", "q", "wo", "CO2"});
  testing::Dialogue d("y\n400 900 -3 0\n0.5\n2\n0\n");
  WindowState w;
  w.diagrammode = kDiagramTlna;
  w.lnaName = "CO2";
  w.calcCode = 2;
  ScriptSettings script = scriptDefaults();
  FluidPresence presence{false, true, false};
  diagramwindowsetup(d.io, w, script, true, 1, "", presence);
  ReactionsChoice choice;
  choice.axisEndMember = 4;
  auto result = reactionsmode(d.io, s.run, w, script, s.settings, choice);
  std::cout << d.console() << "\n-----\n";
}
}
