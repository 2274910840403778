// Several files in one fuzz input, for the targets that read more than one file.
//
//   input = header ( "\n==> " name "\n" content )*
//
// The header is text whose lines the target gives a meaning; each section is one file: its
// name up to the first line feed, its content the rest, up to the next "\n==> " or the end.
// Names must be contained paths (below): an input with another name is of no use to the
// target, so that no run reads or writes outside its scratch directory.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kovra::verifier::fuzz {

inline constexpr std::string_view kSectionMark = "\n==> ";

struct Section {
  std::string name;
  std::string content;
};

struct Sections {
  std::string header;
  std::vector<Section> files;
};

// A relative path that stays below its directory: not empty, not absolute, no ".." and no NUL.
inline bool is_contained_path(std::string_view path) {
  return !path.empty() && path.front() != '/' && path.find("..") == std::string_view::npos &&
         path.find('\0') == std::string_view::npos;
}

// The sections of `input`; nullopt for more than `max_files` files or a name that is not a
// contained path.
inline std::optional<Sections> split_sections(std::string_view input, size_t max_files = 16) {
  Sections out;
  size_t mark = input.find(kSectionMark);
  out.header = std::string(input.substr(0, mark));
  while (mark != std::string_view::npos) {
    const size_t start = mark + kSectionMark.size();
    mark = input.find(kSectionMark, start);
    const std::string_view body =
        input.substr(start, mark == std::string_view::npos ? mark : mark - start);
    const size_t eol = body.find('\n');
    Section s{std::string(body.substr(0, eol)),
              eol == std::string_view::npos ? std::string() : std::string(body.substr(eol + 1))};
    if (!is_contained_path(s.name) || out.files.size() == max_files) return std::nullopt;
    out.files.push_back(std::move(s));
  }
  return out;
}

// The input of `sections`; a content holding the mark would not split back (seed writers
// check that they never write one).
inline std::string join_sections(const Sections& sections) {
  std::string out = sections.header;
  for (const auto& f : sections.files) {
    out.append(kSectionMark).append(f.name).append("\n").append(f.content);
  }
  return out;
}

// The header's lines (a final line without a line feed included).
inline std::vector<std::string> header_lines(std::string_view header) {
  std::vector<std::string> lines;
  while (!header.empty()) {
    const size_t eol = header.find('\n');
    lines.emplace_back(header.substr(0, eol));
    header = eol == std::string_view::npos ? std::string_view() : header.substr(eol + 1);
  }
  return lines;
}

}  // namespace kovra::verifier::fuzz
