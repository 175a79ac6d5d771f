#include "framework/image/ImageFailure.h"

#include "framework/image/Image.h"

namespace {
thread_local const char* failureReason = "";
}  // namespace

bool ImageFail(const char* reason)
{
    failureReason = reason ? reason : "";
    return false;
}

void ImageClearFailure()
{
    failureReason = "";
}

const char* Image::FailureReason()
{
    return failureReason;
}
