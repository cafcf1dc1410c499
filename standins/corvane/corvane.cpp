// Stand-in of the correction-receipt program: "corvane <answer file>
// <prepared document>". It reads the prepared document and writes its answer
// as its configuration (CORVANE_CONFIG) says:
//   answer = document   the prepared document with a "Correction" element added
//   answer = result     <Result><Error>error text</Error></Result>: nothing to print
//   answer = none       ends without writing an answer
//   answer = hang       never ends (until it is killed)
//   error = text        the Error text of "result"
//   log = file          the prepared document it read is appended here
#include <sstream>
#include <string>

#include "platform/platform.h"

namespace {

std::string Setting(const std::string& config, const std::string& key, const std::string& fallback) {
  std::istringstream in(config);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind(key + " = ", 0) == 0) return line.substr(key.size() + 3);
  }
  return fallback;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  std::string config;
  platform::ReadWholeFile(platform::GetEnv("CORVANE_CONFIG"), config);
  std::string prepared;
  if (!platform::ReadWholeFile(argv[2], prepared)) return 3;
  std::string log = Setting(config, "log", "");
  if (!log.empty()) platform::AppendToFile(log, prepared + "\n");
  std::string answer = Setting(config, "answer", "document");
  if (answer == "hang") for (;;) platform::Sleep(1000);
  if (answer == "none") return 0;
  if (answer == "result") {
    std::string error = Setting(config, "error", "");
    return platform::WriteWholeFile(argv[1], "<Result>" + (error.empty() ? "" : "<Error>" + error + "</Error>") +
                                                 "</Result>") ? 0 : 4;
  }
  const std::string correction = "<Correction Kind=\"Self\" Sum=\"100\"/>";
  std::string document = prepared;
  size_t end = document.rfind("</FiscalDocument>");
  size_t empty = document.rfind("/>");
  if (end != std::string::npos) document.insert(end, correction);
  else if (empty != std::string::npos) document.replace(empty, 2, ">" + correction + "</FiscalDocument>");
  return platform::WriteWholeFile(argv[1], document) ? 0 : 4;
}
