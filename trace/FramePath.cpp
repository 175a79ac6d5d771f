#include "trace/FramePath.h"

#include <cstdlib>
#include <cstring>

FramePath SelectedFramePath()
{
    const char* path = std::getenv("GLINTWORK_PATH");
    return (path && std::strcmp(path, "reference") == 0) ? FramePath::Reference : FramePath::Fast;
}
