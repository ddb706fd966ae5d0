#include "calc/endmembers/ptgrid.h"

#include <cmath>

#include "common/bomb.h"
#include "common/numbers.h"
#include "common/prompts.h"
#include "common/text.h"

namespace pf {

namespace {

// Values that lie within this fraction of an interval of the finish count as
// reaching it, so that 400, 700, 50 ends at 700 despite rounding.
constexpr Real kStepTolerance = 1e-6L;

std::vector<Real> steppedValues(Real start, Real finish, Real interval) {
  if (interval == 0 || finish < start) bomb("PTgrid", "odd P");
  // only ends of opposite sign near the largest reals can make the span overflow
  if (!std::isfinite(finish - start)) return {start, finish};
  Real intervals = std::nearbyint((finish - start) / interval);
  if (!(intervals >= kMinTableIntervals && intervals <= kMaxTableIntervals)) {
    // a start equal to the finish is one value, not ten copies of it
    if (finish == start) return {start};
    interval = (finish - start) / kDefaultTableIntervals;
  }
  int steps = static_cast<int>(std::floor((finish - start) / interval + kStepTolerance));
  std::vector<Real> values;
  for (int i = 0; i <= steps; ++i) values.push_back(start + i * interval);
  // a finish that the interval does not reach exactly still closes the axis
  if (values.back() < finish - kStepTolerance * interval) values.push_back(finish);
  return values;
}

}  // namespace

std::vector<Real> tableAxisValues(const std::vector<Real>& numbers) {
  if (numbers.empty()) return {kDefaultTableValue};
  if (numbers.size() == 3 && numbers[1] >= numbers[2])
    return steppedValues(numbers[0], numbers[1], numbers[2]);
  return numbers;
}

std::string settleTableAxis(std::vector<Real>& values, TableAxis axis) {
  if (static_cast<int>(values.size()) > kMaxTableValues)
    return "too many values (at most " + std::to_string(kMaxTableValues) + ") : try again";
  if (axis == TableAxis::pressure) {
    // 0 kbar is 1 bar wherever it stands: fugacities need a positive pressure
    for (Real& p : values)
      if (p == 0) p = kLowestTablePressure;
    for (Real p : values)
      if (!(p > 0)) return "table pressures must be above 0 kbar : try again";
    return "";
  }
  for (Real t : values)
    if (!(t + kCelsiusOffset > 0))
      return "table temperatures must be above -273" + std::string(1, kDegree) + "C : try again";
  for (Real& t : values) t += kCelsiusOffset;
  if (values.front() == 300) values.front() = 298;
  return "";
}

namespace {

std::vector<Real> askAxis(Io& io, const char* heading, TableAxis axis) {
  io.putstr(1, heading, 1, kToConsoleLog);
  for (;;) {
    int n = 0;
    std::vector<Real> values =
        tableAxisValues(promptreals(io, "  list of values OR start, finish, interval", n));
    std::string problem = settleTableAxis(values, axis);
    if (problem.empty()) return values;
    io.putstr(0, problem, 1, kToConsoleLog);
  }
}

}  // namespace

TableAxes PTgrid(Io& io) {
  TableAxes axes;
  axes.p = askAxis(io, "specifying table pressures", TableAxis::pressure);
  axes.t = askAxis(io, "specifying table temperatures", TableAxis::temperature);
  return axes;
}

}  // namespace pf
