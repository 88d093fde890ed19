#include "support/json_reader.h"

#include <cstdio>
#include <cstdlib>

namespace {

// Prints "path<TAB>value" lines, a value's newlines escaped as \n, or "invalid".
const char kScript[] = R"(
import json, sys
def walk(path, value):
    if isinstance(value, dict):
        items = value.items()
    elif isinstance(value, list):
        items = ((str(i), v) for i, v in enumerate(value))
    else:
        items = ()
    if path:
        text = value if isinstance(value, str) else json.dumps(value, separators=(", ", ": "))
        sys.stdout.write(path + "\t" + text.replace("\\", "\\\\").replace("\n", "\\n") + "\n")
    for key, inner in items:
        walk(path + "." + key if path else key, inner)
try:
    report = json.loads(open(sys.argv[1], encoding="utf-8", errors="surrogateescape").read())
    assert isinstance(report, dict)
except Exception:
    print("invalid")
    sys.exit(0)
walk("", report)
)";

std::string unescape(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size()) {
      out += text[i + 1] == 'n' ? '\n' : text[i + 1];
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace

std::vector<std::string> JsonValues::strings(const std::string& path) const {
  std::vector<std::string> out;
  for (size_t i = 0; at.count(path + "." + std::to_string(i)) != 0; ++i) out.push_back(at.at(path + "." + std::to_string(i)));
  return out;
}

bool pythonAvailable() { return std::system("python3 -c 'import json' > /dev/null 2>&1") == 0; }

JsonValues readJson(const Scratch& dir, const std::string& text) {
  dir.write("report.json", Bytes(text.begin(), text.end()));
  dir.write("read_json.py", Bytes(std::begin(kScript), std::end(kScript) - 1));
  const std::string command = "python3 '" + dir.path("read_json.py").string() + "' '" + dir.path("report.json").string() + "'";
  JsonValues values;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return values;
  std::string output;
  char buffer[4096];
  for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, got);
  pclose(pipe);
  if (output.rfind("invalid", 0) == 0) return values;
  values.parsed = true;
  for (size_t at = 0; at < output.size();) {
    const size_t end = output.find('\n', at);
    const std::string line = output.substr(at, end - at);
    const size_t tab = line.find('\t');
    if (tab != std::string::npos) values.at[line.substr(0, tab)] = unescape(line.substr(tab + 1));
    at = end == std::string::npos ? output.size() : end + 1;
  }
  return values;
}
