// The independent reader of the .docx files the document writer makes:
// python-docx (Debian's /usr/bin/python3) through tests/tools/docx_report.py,
// which reports the body in order (paragraphs with style, text and
// superscript runs; tables with their cells), the pictures and the page.
#pragma once

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <string>
#include <vector>

namespace docx_reader {

inline nlohmann::json Read(const std::string& path) {
  const std::string command =
      std::string("/usr/bin/python3 ") + TANK_SOURCE_DIR + "/tests/tools/docx_report.py '" + path + "' 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return nlohmann::json();
  std::string out;
  char buffer[4096];
  while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
  if (pclose(pipe) != 0) {
    ADD_FAILURE() << "the .docx reader failed on " << path << ":\n" << out;
    return nlohmann::json();
  }
  return nlohmann::json::parse(out);
}

// The texts of the paragraphs of one style ("Heading 1", "Title", ...).
inline std::vector<std::string> TextsOfStyle(const nlohmann::json& report, const std::string& style) {
  std::vector<std::string> texts;
  for (const auto& b : report["body"])
    if (b["kind"] == "p" && b["style"] == style) texts.push_back(b["text"]);
  return texts;
}

// Every paragraph text of the body, tables left out.
inline std::vector<std::string> ParagraphTexts(const nlohmann::json& report) {
  std::vector<std::string> texts;
  for (const auto& b : report["body"])
    if (b["kind"] == "p") texts.push_back(b["text"]);
  return texts;
}

inline std::vector<nlohmann::json> Tables(const nlohmann::json& report) {
  std::vector<nlohmann::json> tables;
  for (const auto& b : report["body"])
    if (b["kind"] == "table") tables.push_back(b);
  return tables;
}

}  // namespace docx_reader
