// Independent readers of the files the view board writes, for the tests:
// the DXF through ezdxf (tests/tools/dxf_report.py, run by Debian's
// /usr/bin/python3) and the SVG preview's record groups.
#pragma once

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace export_readers {

using nlohmann::json;

inline std::string ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

// Runs the independent reader on a DXF file and returns its report.
inline json ReadWithEzdxf(const std::string& path) {
  const std::string command =
      std::string("/usr/bin/python3 ") + TANK_SOURCE_DIR + "/tests/tools/dxf_report.py '" + path + "' 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) {
    ADD_FAILURE() << "cannot run " << command;
    return json();
  }
  std::string out;
  char buffer[4096];
  while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
  const int status = pclose(pipe);
  if (status != 0) {
    ADD_FAILURE() << "the DXF reader failed on " << path << ":\n" << out;
    return json();
  }
  return json::parse(out);
}

// Counts of the SVG's record groups by "layer|type", and their texts.
struct SvgContent {
  std::map<std::string, int> counts;
  std::vector<std::string> texts;
};

inline std::string XmlUnescape(std::string s) {
  const std::pair<const char*, const char*> entities[] = {
      {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}, {"&amp;", "&"}};
  for (const auto& [from, to] : entities) {
    for (std::size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + 1)) {
      s.replace(at, std::strlen(from), to);
    }
  }
  return s;
}

// The record groups of an SVG preview: each group's opening tag and body.
inline std::vector<std::pair<std::string, std::string>> Groups(const std::string& svg) {
  std::vector<std::pair<std::string, std::string>> out;
  for (std::size_t at = svg.find("<g "); at != std::string::npos; at = svg.find("<g ", at + 1)) {
    const std::size_t tagEnd = svg.find('>', at);
    const std::size_t end = svg.find("</g>", tagEnd);
    if (tagEnd == std::string::npos || end == std::string::npos) break;
    out.emplace_back(svg.substr(at, tagEnd + 1 - at), svg.substr(tagEnd + 1, end - tagEnd - 1));
  }
  return out;
}

inline SvgContent ReadSvg(const std::string& svg) {
  SvgContent c;
  static const std::regex group(R"rx(<g data-type="([A-Z]+)" data-layer="([^"]*)"[^>]*>)rx");
  static const std::regex text(R"rx(data-text="([^"]*)")rx");
  for (auto it = std::sregex_iterator(svg.begin(), svg.end(), group); it != std::sregex_iterator(); ++it) {
    const std::string type = (*it)[1];
    ++c.counts[XmlUnescape((*it)[2]) + "|" + type];
    std::smatch m;
    const std::string tag = (*it)[0];
    if (type == "TEXT" && std::regex_search(tag, m, text)) c.texts.push_back(XmlUnescape(m[1]));
  }
  return c;
}

inline std::map<std::string, int> Counts(const json& report) {
  std::map<std::string, int> out;
  for (const auto& [key, value] : report["counts"].items()) out[key] = value.get<int>();
  return out;
}

}  // namespace export_readers
