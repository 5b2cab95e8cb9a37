#include "convert/language_codes.h"

#include <gtest/gtest.h>

#include <string>

namespace zentrova::app {
namespace {

TEST(TerminologyCode, EveryFormNamesTheSameLanguage) {
  const struct {
    std::string code, terminology;
  } cases[] = {
      {"fr", "fra"},  {"fre", "fra"}, {"FRA", "fra"}, {"de", "deu"},  {"ger", "deu"},
      {"zh", "zho"},  {"chi", "zho"}, {"en", "eng"},  {"eng", "eng"}, {"haw", "haw"},  // no 639-1 code
      {"qaa", "qaa"},                                                                  // not in the list
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(TerminologyCode(c.code), c.terminology) << c.code;
}

TEST(SameLanguage, MatchesAcrossFormsButNotAcrossLanguages) {
  EXPECT_TRUE(SameLanguage("fre", "fr"));
  EXPECT_TRUE(SameLanguage("deu", "GER"));
  EXPECT_FALSE(SameLanguage("fre", "eng"));
  EXPECT_FALSE(SameLanguage("", ""));
  EXPECT_FALSE(SameLanguage("", "und"));
}

TEST(LooksLikeLanguageCode, TwoOrThreeLetters) {
  EXPECT_TRUE(LooksLikeLanguageCode("fr"));
  EXPECT_TRUE(LooksLikeLanguageCode("FRE"));
  EXPECT_FALSE(LooksLikeLanguageCode("f"));
  EXPECT_FALSE(LooksLikeLanguageCode("fren"));
  EXPECT_FALSE(LooksLikeLanguageCode("f2"));
  EXPECT_FALSE(LooksLikeLanguageCode(""));
}

}  // namespace
}  // namespace zentrova::app
