// Expected output of a scenario step: a partial picture of the printed result. An object names
// only the members it cares about; an array lists every element, in order; "hr" members compare
// as HRESULTs, so "E_FAIL", "0x80004005" and -2147467259 are the same, and "FAILED" or
// "SUCCEEDED" accepts any failure or any success.
#pragma once

#include <string>
#include <vector>

#include "Json.h"

namespace kestrin::host {

struct Mismatch {
  std::string path;  // in the step's output, "$.state.items[1].folder"
  SourcePos where;   // of the expectation in the scenario file
  std::string expected;
  std::string actual;
};

void MatchExpected(const Json& expected, const Json& actual, const std::string& path,
                   std::vector<Mismatch>& out);

}  // namespace kestrin::host
