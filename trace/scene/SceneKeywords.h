#ifndef GLINTWORK_SCENEKEYWORDS_H
#define GLINTWORK_SCENEKEYWORDS_H

#include <cstddef>
#include <string>

namespace glintwork {

// The scene script's keywords, in the order the reader compares them.
constexpr const char* SceneKeywords[] = {"sphere", "raytracedepth", "screen", "materialSP", "light", "plane"};
constexpr std::size_t SceneKeywordCount = sizeof SceneKeywords / sizeof SceneKeywords[0];

// The keyword's index in SceneKeywords, or SceneKeywordCount for a word that
// is none. With `ignoringCase`, letters match whatever their case.
std::size_t FindSceneKeyword(const std::string& word, bool ignoringCase = false);

// The keyword `word` comes within two edits of (a letter left out, added,
// changed, or two neighbours swapped; case aside), the nearest first, or
// SceneKeywordCount.
std::size_t NearSceneKeyword(const std::string& word);

}  // namespace glintwork

#endif
