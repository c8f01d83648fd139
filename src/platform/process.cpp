#include "platform/process.h"

#include "platform/errors.h"

namespace tov {

std::string startFailureMessage(int instanceResult, const std::string& file) {
  switch (instanceResult) {
    case StartFailure::FileNotFound: return formatError(ErrorCode::StartFileNotFound, file);
    case StartFailure::PathNotFound: return formatError(ErrorCode::StartPathNotFound, file);
    case StartFailure::AccessDenied: return formatError(ErrorCode::StartAccessDenied, file);
    case StartFailure::OutOfMemory: return formatError(ErrorCode::StartOutOfMemory, file);
    case StartFailure::SharingViolation: return formatError(ErrorCode::StartSharingViolation, file);
    case StartFailure::NoAssociation: return formatError(ErrorCode::StartNoAssociation, file);
    default: return formatError(ErrorCode::StartFailed, file);
  }
}

}  // namespace tov
