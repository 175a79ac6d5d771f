#include "trace/scene/SceneKeywords.h"

#include <cstring>

namespace glintwork {

std::size_t FindSceneKeyword(const std::string& word, bool ignoringCase)
{
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    for (std::size_t k = 0; k < SceneKeywordCount; ++k) {
        const char* keyword = SceneKeywords[k];
        if (word.size() != std::strlen(keyword))
            continue;
        bool same = true;
        for (std::size_t i = 0; same && i < word.size(); ++i)
            same = ignoringCase ? lower(word[i]) == lower(keyword[i]) : word[i] == keyword[i];
        if (same)
            return k;
    }
    return SceneKeywordCount;
}

}  // namespace glintwork
