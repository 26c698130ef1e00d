#pragma once

#include <string>

namespace app {

// Where and which run of the program a record line comes from: the site (a shop's name; the
// PC's host name unless the command line names one) and an id that every line of this run
// of the program shares.
struct RunIdentity {
  std::u16string site;
  std::string runId;
};

// Names the site; before the run starts, once.
void setRunSite(const std::u16string& site);

// The identity of this run; the id is made at the first call.
RunIdentity runIdentity();

}  // namespace app
