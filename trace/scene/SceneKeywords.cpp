#include "trace/scene/SceneKeywords.h"

#include <algorithm>
#include <cstring>

namespace glintwork {

namespace {

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Edits from `a` to `b`, a swap of neighbours counting as one (optimal
// string alignment), letters compared whatever their case; more than
// `limit` is given as limit + 1. The keywords are short: the rows fit.
std::size_t Edits(const std::string& a, const char* b, std::size_t limit)
{
    const std::size_t n = a.size(), m = std::strlen(b);
    if ((n > m ? n - m : m - n) > limit)
        return limit + 1;
    constexpr std::size_t Longest = 16;
    std::size_t before[Longest + 1], last[Longest + 1], row[Longest + 1];
    for (std::size_t j = 0; j <= m; ++j)
        last[j] = j;
    for (std::size_t i = 1; i <= n; ++i) {
        row[0] = i;
        std::size_t best = row[0];
        for (std::size_t j = 1; j <= m; ++j) {
            const bool same = Lower(a[i - 1]) == Lower(b[j - 1]);
            row[j] = std::min({last[j] + 1, row[j - 1] + 1, last[j - 1] + (same ? 0 : 1)});
            if (i > 1 && j > 1 && Lower(a[i - 1]) == Lower(b[j - 2]) && Lower(a[i - 2]) == Lower(b[j - 1]))
                row[j] = std::min(row[j], before[j - 2] + 1);
            best = std::min(best, row[j]);
        }
        if (best > limit)
            return limit + 1;
        std::copy(last, last + m + 1, before);
        std::copy(row, row + m + 1, last);
    }
    return std::min(last[m], limit + 1);
}

}  // namespace

std::size_t FindSceneKeyword(const std::string& word, bool ignoringCase)
{
    for (std::size_t k = 0; k < SceneKeywordCount; ++k) {
        const char* keyword = SceneKeywords[k];
        if (word.size() != std::strlen(keyword))
            continue;
        bool same = true;
        for (std::size_t i = 0; same && i < word.size(); ++i)
            same = ignoringCase ? Lower(word[i]) == Lower(keyword[i]) : word[i] == keyword[i];
        if (same)
            return k;
    }
    return SceneKeywordCount;
}

}  // namespace glintwork

namespace glintwork {

std::size_t NearSceneKeyword(const std::string& word)
{
    constexpr std::size_t Limit = 2;
    std::size_t nearest = SceneKeywordCount, fewest = Limit + 1;
    for (std::size_t k = 0; k < SceneKeywordCount; ++k) {
        const std::size_t edits = Edits(word, SceneKeywords[k], Limit);
        if (edits < fewest) {
            fewest = edits;
            nearest = k;
        }
    }
    return nearest;
}

}  // namespace glintwork
