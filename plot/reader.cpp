#include "plot/reader.h"

#include <algorithm>
#include <cmath>

#include "common/bomb.h"
#include "common/files.h"
#include "common/numbers.h"
#include "common/prompts.h"
#include "common/session.h"
#include "common/text.h"

namespace pf::plot {

// ---------------------------------------------------------------- tokens

bool TokenStream::fill() {
  // every pass reads a line, so this ends with the file
  while (position_ > line_.count) {
    if (atEnd(file_)) return false;
    rstringsc(io_, file_, line_);
    position_ = 1;
  }
  return true;
}

bool TokenStream::lookAhead(std::string& token) {
  if (!fill()) return false;
  token = line_[position_];
  return true;
}

const std::string& TokenStream::peek(std::string_view what) {
  if (!fill()) bomb("reading", "unexpected end of input: " + std::string(what));
  return line_[position_];
}

std::string TokenStream::next(std::string_view what) {
  std::string token = peek(what);
  ++position_;
  return token;
}

void TokenStream::dropRestOfLine() {
  position_ = line_.count + 1;
}

bool TokenStream::nextLine(Tokens& line) {
  dropRestOfLine();
  if (atEnd(file_)) return false;
  rstringsc(io_, file_, line);
  return true;
}

namespace {

bool isNumber(std::string_view token) {
  return isNumericKind(sstringkind(token));
}

std::string expectName(TokenStream& in, std::string_view what) {
  std::string token = in.next(what);
  if (isNumber(token)) bomb("reading", "expecting a name; got: " + token);
  return token;
}

int readInt(TokenStream& in, std::string_view what) {
  std::string token = in.next(what);
  return getinteger(sstringkind(token), token, what);
}

Real readSingle(TokenStream& in, std::string_view what) {
  std::string token = in.next(what);
  return getsingle(sstringkind(token), token, what);
}

std::string count(int n) {
  return std::to_string(n);
}

// ---------------------------------------------------------------- header

void readHeader(TokenStream& in, Header& header) {
  std::string first;
  if (!in.lookAhead(first) || first[0] == '*') bomb("readdata", "not enough in file");
  header.label = in.next("file label");

  header.nvar = readInt(in, "no of variables in each point");
  if (header.nvar > kMaxVariables)
    bomb("readdata", "too many variables in each line of input: max = " + count(kMaxVariables));
  header.systemSize = readInt(in, "size of system");
  header.xcol = readInt(in, "column of x coordinate");
  if (header.xcol < 1 || header.xcol > header.nvar)
    bomb("readdata", "xcol not in range: must be 1 <=> " + count(header.nvar));
  header.ycol = readInt(in, "column of y coordinate");
  if (header.ycol < 1 || header.ycol > header.nvar)
    bomb("readdata", "ycol not in range: must be 1 <=> " + count(header.nvar));

  if (in.peek("point/line name") != "x") return;
  in.next("point/line name");
  header.icol = readInt(in, "interpolation coordinate");
  if (header.icol < 1 || header.icol > header.nvar)
    bomb("readdata", "icol not in range: must be 1 <=> " + count(header.nvar));
  if (header.icol == header.xcol || header.icol == header.ycol)
    bomb("readdata", "icol same as xcol or ycol");
  header.interpolation.push_back(readSingle(in, "interpolation value"));
  if (isNumber(in.peek("point/line name")))
    header.interpolation.push_back(readSingle(in, "interpolation value"));
}

// ---------------------------------------------------------------- data points

using Group = std::vector<Real>;

Group readGroup(TokenStream& in, int nvar, const std::string& what) {
  Group group(static_cast<std::size_t>(nvar));
  for (Real& value : group) value = readSingle(in, what);
  return group;
}

XY plotted(const Header& header, const Group& group) {
  return {group[static_cast<std::size_t>(header.xcol - 1)],
          group[static_cast<std::size_t>(header.ycol - 1)]};
}

Real icolValue(const Header& header, const Group& group) {
  return group[static_cast<std::size_t>(header.icol - 1)];
}

// Linear interpolation along groups [from, to) to the point where the
// interpolation column has the value; false when the run never reaches it.
bool interpolateRun(const Header& header, const std::vector<Group>& groups, std::size_t from,
                    std::size_t to, Real value, Group& result) {
  for (std::size_t k = from; k < to; ++k) {
    if (icolValue(header, groups[k]) == value) {
      result = groups[k];
      return true;
    }
  }
  for (std::size_t k = from; k + 1 < to; ++k) {
    Real a = icolValue(header, groups[k]);
    Real b = icolValue(header, groups[k + 1]);
    if ((a - value) * (b - value) < 0) {
      Real f = (value - a) / (b - a);
      result.resize(groups[k].size());
      for (std::size_t c = 0; c < result.size(); ++c)
        result[c] = groups[k][c] + f * (groups[k + 1][c] - groups[k][c]);
      return true;
    }
  }
  return false;
}

// With two interpolation values a line's groups come in runs of equal x or
// of equal y (the calculator steps one variable at each fixed value of the
// other); each run gives the one point where the interpolation column has the
// run's value: the first value at the first run, the second at the last, in
// even steps between. A run that never reaches its value gives no point.
std::vector<XY> interpolateRuns(const Header& header, const std::vector<Group>& groups) {
  const std::size_t xc = static_cast<std::size_t>(header.xcol - 1);
  const std::size_t yc = static_cast<std::size_t>(header.ycol - 1);
  std::vector<std::pair<std::size_t, std::size_t>> runs;
  for (std::size_t from = 0; from < groups.size();) {
    std::size_t to = from + 1;
    if (to < groups.size()) {
      std::size_t shared = groups[to][xc] == groups[from][xc] ? xc : yc;
      while (to < groups.size() && groups[to][shared] == groups[from][shared]) ++to;
    }
    runs.emplace_back(from, to);
    from = to;
  }
  const Real first = header.interpolation[0];
  const Real last = header.interpolation[1];
  std::vector<XY> points;
  for (std::size_t k = 0; k < runs.size(); ++k) {
    Real share = runs.size() > 1 ? static_cast<Real>(k) / static_cast<Real>(runs.size() - 1) : 0;
    Real value = k + 1 == runs.size() && k > 0 ? last : first + share * (last - first);
    Group result;
    if (interpolateRun(header, groups, runs[k].first, runs[k].second, value, result))
      points.push_back(plotted(header, result));
  }
  return points;
}

// ---------------------------------------------------------------- elements

bool isPointWord(std::string_view t) {
  return t == "invariant" || t == "point";
}
bool isLineWord(std::string_view t) {
  return t == "univariant" || t == "line";
}
bool isLineOption(std::string_view t) {
  return t == "connect" || t == "red" || t == "blue" || t == "green" || t == "magenta" ||
         t == "thick" || t == "dashed";
}
// A line's first limit name ends its phase list; phase names like "ilm" stay phases.
bool startsLimitNames(std::string_view t) {
  return t == "begin" || t == "end" || (t[0] == 'i' && t.substr(0, 2) != "il");
}

void addPhase(std::vector<std::string>& phases, const std::string& phase, const std::string& name) {
  if (static_cast<int>(phases.size()) >= kMaxPhases)
    bomb("readdata", "too many phases in header in " + name);
  phases.push_back(phase);
}

void readPoint(TokenStream& in, const Header& header, InvariantPoint& point) {
  const std::string& name = point.name;
  for (;;) {
    const std::string& t = in.peek("nonzero-mode phases for " + name);
    if (t == "-" || isPointWord(t) || t == "crossover" || t == "*" || isNumber(t)) break;
    addPhase(point.phases, in.next("nonzero-mode phases for " + name), name);
  }
  if (in.peek("zero-mode phases for " + name) == "-") {
    in.next("zero-mode phases for " + name);
    while (static_cast<int>(point.zeroModePhases.size()) < kMaxZeroModePhases) {
      const std::string& t = in.peek("zero-mode phases for " + name);
      if (isPointWord(t) || t == "crossover" || t == "*" || isNumber(t)) break;
      point.zeroModePhases.push_back(in.next("zero-mode phases for " + name));
    }
  }
  if (isPointWord(in.peek("reading coordinates for " + name))) in.next("");
  if (in.peek("reading coordinates for " + name) == "crossover") {
    in.next("");
    point.crossover = true;
    point.crossoverLines[0] = expectName(in, "reading crossover lines");
    point.crossoverLines[1] = expectName(in, "reading crossover lines");
    return;
  }

  const std::string what = "reading coordinates for " + name;
  if (header.icol == 0) {
    point.at = plotted(header, readGroup(in, header.nvar, what));
    point.dataPoints = 1;
    return;
  }
  std::vector<Group> groups;
  do {
    if (static_cast<int>(groups.size()) >= kMaxLinePoints)
      bomb("readdata", "too much data for line: max = " + count(kMaxLinePoints));
    groups.push_back(readGroup(in, header.nvar, what));
  } while (isNumber(in.peek(what)));
  point.dataPoints = static_cast<int>(groups.size());
  Group result;
  if (!interpolateRun(header, groups, 0, groups.size(), header.interpolation[0], result))
    bomb("readdata", "interpolation failed for " + name);
  point.at = plotted(header, result);
}

void setLineOption(UnivariantLine& line, std::string_view word) {
  if (word == "connect") line.connect = true;
  if (word == "red") line.red = true;
  if (word == "blue") line.blue = true;
  if (word == "green") line.green = true;
  if (word == "magenta") line.magenta = true;
  if (word == "thick") line.thick = true;
  if (word == "dashed") line.dashed = true;
}

bool isOpenEnd(std::string_view limit) {
  return limit == "begin" || limit == "end";
}

void readLine(TokenStream& in, const Header& header, UnivariantLine& line) {
  const std::string& name = line.name;
  for (;;) {
    const std::string& t = in.peek("nonzero-mode phases for " + name);
    if (t == "-" || isLineWord(t) || startsLimitNames(t) || t == "*" || isNumber(t)) break;
    addPhase(line.phases, in.next("nonzero-mode phases for " + name), name);
  }
  if (in.peek("zero-mode phase for " + name) == "-") {
    in.next("zero-mode phase for " + name);
    const std::string& t = in.peek("zero-mode phase for " + name);
    if (!(isLineWord(t) || startsLimitNames(t) || t == "*" || isNumber(t)))
      line.zeroModePhase = in.next("zero-mode phase for " + name);
  }
  if (isLineWord(in.peek("line limit names for " + name))) in.next("");
  line.limits[0] = expectName(in, "line limit names for " + name);
  line.limits[1] = expectName(in, "line limit names for " + name);

  const std::string what = "reading coordinates for " + name;
  std::vector<Group> groups;
  for (;;) {
    const std::string& t = in.peek(what);
    if (isNumber(t)) {
      if (static_cast<int>(groups.size()) >= kMaxLinePoints)
        bomb("readdata", "too much data for line in " + name);
      groups.push_back(readGroup(in, header.nvar, what));
    } else if (isLineOption(t)) {
      setLineOption(line, in.next(what));
    } else {
      break;  // the next element's name, or "*"
    }
  }

  if (header.icol == 0) {
    for (const Group& g : groups) line.data.push_back(plotted(header, g));
  } else if (header.interpolation.size() == 1) {
    for (const Group& g : groups)
      if (icolValue(header, g) == header.interpolation[0]) line.data.push_back(plotted(header, g));
  } else {
    line.data = interpolateRuns(header, groups);
  }

  bool openStart = isOpenEnd(line.limits[0]);
  bool openEnd = isOpenEnd(line.limits[1]);
  if (line.data.empty() && (openStart || openEnd))
    bomb("readdata", " default connect with begin/end: " + name);
  if (line.data.size() == 1 && openStart && openEnd)
    bomb("readdata", "one point with begin end: " + name);
}

void readElements(TokenStream& in, Drawing& drawing) {
  // each pass takes at least one token, so this ends with the file
  for (;;) {
    std::string name = in.next("point/line name");
    if (name == "*") return;
    if (isNumber(name)) bomb("reading", "expecting a name; got: " + name);
    bool marked = false;
    if (name[0] == '#') {
      marked = true;
      name = name.size() > 1 ? name.substr(1) : expectName(in, "point/line name");
    }
    if (name.size() >= 2 && name[1] == '<')
      bomb("read data", "< in name: line/point name unassigned?");
    if (name[0] == 'i') {
      if (static_cast<int>(drawing.points.size()) >= kMaxPoints)
        bomb("readdata", "too many points: max = " + count(kMaxPoints));
      InvariantPoint point;
      point.name = name;
      point.marked = marked;
      readPoint(in, drawing.header, point);
      drawing.points.push_back(std::move(point));
    } else if (name[0] == 'u') {
      if (static_cast<int>(drawing.lines.size()) >= kMaxLines)
        bomb("readdata", "too many lines: max = " + count(kMaxLines));
      UnivariantLine line;
      line.name = name;
      line.marked = marked;
      readLine(in, drawing.header, line);
      drawing.lines.push_back(std::move(line));
    } else {
      bomb("read data", "point/line name must start with i/u but this name is " + name);
    }
  }
}

void readAreas(TokenStream& in, std::vector<Area>& areas) {
  for (;;) {
    std::string token = in.next("grayscale for area");
    if (token == "*") return;
    if (static_cast<int>(areas.size()) >= kMaxAreas)
      bomb("readdata", "too many areas: max = " + count(kMaxAreas));
    Area area;
    area.grayscale = getsingle(sstringkind(token), token, "grayscale for area");
    for (;;) {
      const std::string& t = in.peek("points for area");
      if (t == "*" || isNumber(t)) break;
      if (static_cast<int>(area.lines.size()) >= kMaxAreaLines)
        bomb("readdata", "too many points in area: max = " + count(kMaxAreaLines));
      area.lines.push_back(in.next("points for area"));
    }
    areas.push_back(std::move(area));
  }
}

// ---------------------------------------------------------------- instructions

// A keyword's three-state value and where the value tokens after it begin.
struct Switch {
  int state;
  int valuesFrom;
};

Switch switchOf(const Tokens& line) {
  const std::string& word = line[2];
  if (word.empty() || word == "yes") return {kUsePreset, 3};
  if (word == "no") return {kDontUse, 3};
  if (word == "ask") return {kAsk, 3};
  return {kUsePreset, 2};
}

// A switch with an optional size after it, kept within [low, high]; after
// "no" nothing more is read.
void readSizedSwitch(const Tokens& line, int& state, int& size, int low, int high) {
  Switch s = switchOf(line);
  state = s.state;
  if (state == kDontUse) return;
  const std::string& token = line[s.valuesFrom];
  if (!token.empty()) size = std::clamp(getinteger(sstringkind(token), token, line[1]), low, high);
}

Real realAt(const Tokens& line, int position) {
  return getsingle(sstringkind(line[position]), line[position], line[1]);
}

void readInstruction(Io& io, const Tokens& line, DrawSettings& s) {
  const std::string& key = line[1];
  if (key == "strict") {
    s.strict = switchOf(line).state;
  } else if (key == "doareas" || key == "areas") {
    s.doareas = switchOf(line).state;
  } else if (key == "showlineinfo") {
    s.showlineinfo = switchOf(line).state;
  } else if (key == "numbering") {
    readSizedSwitch(line, s.numbering, s.labelSize, 4, 10);
  } else if (key == "docircles" || key == "circles") {
    readSizedSwitch(line, s.circles, s.circleSize, 1, 5);
  } else if (key == "info") {
    if (static_cast<int>(s.info.size()) >= kMaxInfoLines) bomb("script", "too much info!!");
    s.info.push_back(line.joined(2));
  } else if (key == "darkcolour") {
    for (int k = 0; k < 3; ++k) s.darkcolour[static_cast<std::size_t>(k)] = realAt(line, k + 2);
  } else if (key == "window") {
    int wanted = 4;
    std::vector<Real> v;
    s.windowSet = readReals(line, 1, wanted, v);
    if (s.windowSet) s.window = Window{v[0], v[1], v[2], v[3]};
  } else if (key == "bigticks") {
    s.bigXInc = realAt(line, 2);
    s.bigXStart = realAt(line, 3);
    s.bigYInc = realAt(line, 4);
    s.bigYStart = realAt(line, 5);
    if (s.bigXInc == 0 || s.bigYInc == 0) bomb("read script", "zero big inc!");
    s.bigTicks = true;
  } else if (key == "smallticks") {
    s.smallXInc = realAt(line, 2);
    s.smallYInc = realAt(line, 3);
    if (s.smallXInc == 0 || s.smallYInc == 0) bomb("read script", "zero small inc!");
    s.smallTicks = true;
  } else {
    // a mistyped keyword should not pass unnoticed
    io.putstr(1, std::string(1, kBullet) + " \"" + key + "\" is not a drawing instruction: ignored",
              1, kToConsoleLog);
  }
}

void readInstructions(Io& io, TokenStream& in, DrawSettings& settings) {
  Tokens line;
  while (in.nextLine(line)) {
    if (line.count == 0) continue;
    if (line[1] == "*") return;
    readInstruction(io, line, settings);
  }
}

void finalChecks(Io& io, DrawSettings& s) {
  if (!s.windowSet) bomb("readdata", "window not set (or not set properly) in script");
  const Window& w = s.window;
  if (!(w.xmax > w.xmin) || !(w.ymax > w.ymin)) bomb("readdata", "x,y dimensions stuffed");
  if (!s.bigTicks) return;
  if (s.bigXStart < w.xmin || s.bigXStart > w.xmax) {
    io.putstr(1, "bad big tick x start: no big ticks drawn", 1, kToAll);
    s.bigTicks = false;
  } else if (s.bigYStart < w.ymin || s.bigYStart > w.ymax) {
    io.putstr(1, "bad big tick y start: no big ticks drawn", 1, kToAll);
    s.bigTicks = false;
  }
}

}  // namespace

void readDrawing(Io& io, std::istream& file, Drawing& drawing) {
  TokenStream in(io, file);
  readHeader(in, drawing.header);
  readElements(in, drawing);
  readAreas(in, drawing.areas);
  in.dropRestOfLine();
  readInstructions(io, in, drawing.settings);
  finalChecks(io, drawing.settings);
}

std::string numberText(Real x) {
  Real whole = std::nearbyint(x);
  if (std::fabs(x - whole) <= 1e-5L) return realToText(whole == 0 ? 0 : whole, 0, Digits::fixed);
  constexpr int kMostDecimals = 8;
  return realToText(x, std::min(decimalPlaces(x, PlacesMode::afterPoint), kMostDecimals),
                    Digits::fixed);
}

void logSummary(Io& io, const Drawing& drawing) {
  for (const InvariantPoint& p : drawing.points)
    io.putstr(0,
              "invariant point " + p.name + (p.crossover ? " - crossover" : "") + ", " +
                  count(p.dataPoints) + " data points",
              1, kToLog);
  for (const UnivariantLine& l : drawing.lines)
    io.putstr(0,
              "univariant line " + l.name + (l.connect ? " - connect" : "") + ", " +
                  count(static_cast<int>(l.data.size())) + " data points",
              1, kToLog);
  for (std::size_t k = 0; k < drawing.areas.size(); ++k) {
    const Area& a = drawing.areas[k];
    std::string text = "area " + count(static_cast<int>(k + 1)) + ": grayscale " +
                       numberText(a.grayscale) + "; lines";
    for (const std::string& name : a.lines) text += " " + name;
    io.putstr(0, text, 1, kToLog);
  }
  const Window& w = drawing.settings.window;
  io.putstr(0,
            "window: x = " + numberText(w.xmin) + " <=> " + numberText(w.xmax) +
                "; y = " + numberText(w.ymin) + " <=> " + numberText(w.ymax),
            1, kToLog);
}

void askUnsettled(Io& io, DrawSettings& s) {
  promptcontrol(io, "strict checking", s.strict);
  promptcontrol(io, "fill the areas", s.doareas);
  promptcontrol(io, "report how the lines end", s.showlineinfo);
  promptcontrol(io, "number the lines and points", s.numbering);
  promptcontrol(io, "draw circles at the invariant points", s.circles);
}

void readdata(Io& io, std::string& suffix, Drawing& drawing) {
  std::string fullName;
  auto file = promptdatafile(io, "px-", suffix, "", fullName);
  drawing.suffix = cut20(suffix);
  readDrawing(io, *file, drawing);
  logSummary(io, drawing);
  askUnsettled(io, drawing.settings);
}

}  // namespace pf::plot
