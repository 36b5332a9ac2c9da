#include "dodureriradi.hpp"

#include <array>

#include "text.hpp"

namespace dodureriradi {

std::string tidy(std::string_view input) {
  static constexpr std::array<std::pair<std::string_view, std::string_view>, 11> kSteps{{
      {" :: ", "::"},
      {" :", ":"},
      {" <", "<"},
      {"< ", "<"},
      {" >", ">"},
      {" ,", ","},
      {" (", "("},
      {"( ", "("},
      {" )", ")"},
      {" ;", ";"},
      {"& ", "&"},
  }};
  std::string result(input);
  for (const auto& [from, to] : kSteps) {
    if (result.find(from) != std::string::npos) result = text::replace_all(result, from, to);
  }
  return result;
}

}  // namespace dodureriradi
