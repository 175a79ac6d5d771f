#include "framework/image/ImageFailure.h"

#include "framework/image/Image.h"
#include "framework/platform/PlatformFiles.h"

#include <string>

namespace glintwork {

namespace {
thread_local const char* failureReason = "";
thread_local std::string copiedReason;
thread_local std::string loadedFormat;
}  // namespace

bool ImageFailOpen()
{
    return ImageFailCopy((std::string(CannotOpen) + ": " + PlatformOpenFailure()).c_str());
}

void RecordLoadedFormat(const std::string& name)
{
    loadedFormat = name;
}

const char* Image::LoadedFormat()
{
    return loadedFormat.c_str();
}

bool ImageFail(const char* reason)
{
    failureReason = reason ? reason : "";
    return false;
}

bool ImageFailCopy(const char* reason)
{
    copiedReason = reason ? reason : "";
    failureReason = copiedReason.c_str();
    return false;
}

void ImageClearFailure()
{
    failureReason = "";
    loadedFormat.clear();
}

const char* Image::FailureReason()
{
    return failureReason;
}

}  // namespace glintwork
