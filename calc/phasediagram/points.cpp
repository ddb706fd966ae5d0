// The calculation points of an assemblage: every combination of the values
// of the set quantities.
#include <vector>

#include "calc/phasediagram/loop.h"

namespace pf {

std::vector<PointPlan> pointList(const PhaseDiagramSetup& setup, const WindowState& w) {
  // the lists, outermost first: isopleths, varied activities and mu, P, T
  std::vector<const std::vector<Real>*> lists;
  for (const IsoplethSetting& iso : setup.isopleths) lists.push_back(&iso.values);
  const std::size_t firstRow = lists.size();
  for (const SetQuantity& q : setup.activities)
    if (q.varied) lists.push_back(&w.rows[static_cast<std::size_t>(q.row - 1)].values);
  for (const SetQuantity& q : setup.mus)
    if (q.varied) lists.push_back(&w.rows[static_cast<std::size_t>(q.row - 1)].values);
  const std::size_t pList = lists.size();
  const std::vector<Real> Pmid{w.Pmid}, Tmid{w.Tmid};
  lists.push_back(w.Plist.empty() ? &Pmid : &w.Plist);
  lists.push_back(w.Tlist.empty() ? &Tmid : &w.Tlist);
  for (const std::vector<Real>* list : lists)
    if (list->empty()) return {};

  // a line of the diagram runs along the innermost list that has more than
  // one value
  std::size_t inner = lists.size() - 1;
  while (inner > 0 && lists[inner]->size() < 2) --inner;

  std::vector<PointPlan> points;
  std::vector<std::size_t> at(lists.size(), 0);
  for (bool first = true;; first = false) {
    PointPlan p;
    for (std::size_t i = 0; i < firstRow; ++i) p.isopleth.push_back((*lists[i])[at[i]]);
    for (std::size_t i = firstRow; i < pList; ++i) p.row.push_back((*lists[i])[at[i]]);
    p.P = (*lists[pList])[at[pList]];
    p.T = (*lists[pList + 1])[at[pList + 1]];
    p.newLine = first || at[inner] == 0;
    points.push_back(std::move(p));
    std::size_t i = lists.size();
    while (i > 0) {
      --i;
      if (++at[i] < lists[i]->size()) break;
      at[i] = 0;
      if (i == 0) return points;
    }
  }
}

}  // namespace pf
