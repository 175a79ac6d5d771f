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

}  // namespace glintwork

#endif
