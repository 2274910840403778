// Unicode white space over UTF-8 text.
//
// White space here is the Unicode White_Space property: U+0009..U+000D, U+0020, U+0085,
// U+00A0, U+1680, U+2000..U+200A, U+2028, U+2029, U+202F, U+205F and U+3000. Text that is not
// valid UTF-8 is handled byte-safely: an undecodable byte is never white space.
#pragma once

#include <string_view>
#include <vector>

namespace kovra::base {

bool is_white_space(char32_t c);

// `text` without its leading and trailing white space.
std::string_view trim_white_space(std::string_view text);

// True when `a` and `b` have the same length and are equal after mapping 'A'..'Z' to 'a'..'z'.
bool equal_ignoring_ascii_case(std::string_view a, std::string_view b);

// The words of `text`: the non-empty pieces between runs of white space, in order.
std::vector<std::string_view> split_white_space(std::string_view text);

}  // namespace kovra::base
